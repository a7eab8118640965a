#pragma once
// A full-screen post-processing pass. The scene manager owns one of each kind, writes the
// parameter values from the tracks "pp" + parameter name, then calls render (a hook) and apply,
// and draws the source picture (texture unit 0) over the unit square through the bound program.
//
// Each kind gives its uniforms as a pure function of the parameter values, the render size and
// the beat (its static uniformsFor), so they can be checked without GL; apply only binds the
// program and uploads them to locations looked up once per program.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/uniformvalue.h"
#include "util/shaderprogram/shaderprogram.h"

class FBO;

namespace Effects {

class PostProc {
 public:
  using UniformFunction = std::vector<UniformValue> (*)(const std::vector<float>& values,
                                                        uint32_t width, uint32_t height,
                                                        double beat);

  PostProc(std::string effect_name, UniformFunction uniform_function);
  virtual ~PostProc();
  PostProc(const PostProc&) = delete;
  PostProc& operator=(const PostProc&) = delete;

  // Called with the buffer holding the picture just before apply; no effect needs it yet.
  virtual void render(uint32_t width, uint32_t height, double beat, FBO* source);
  // Binds the program and sets its uniforms; draws nothing.
  virtual void apply(uint32_t width, uint32_t height, double beat);
  // The buffer to draw through the program apply binds: the picture itself, or one render
  // made from it.
  virtual const FBO& DrawnBuffer(const FBO& picture) const;
  // True when the current parameter values leave every pixel as it is, so the chain can skip
  // the pass; only exact pass-throughs say so (a mix by 0, no taps). Most effects never do.
  virtual bool IsPassThrough() const;
  // The uniforms apply sets with the current parameter values, in upload order.
  std::vector<UniformValue> uniforms(uint32_t width, uint32_t height, double beat) const;

  // Appends name + parameter to the parameter names and the default to the values.
  void addParam(const std::string& parameter, float default_value);

  std::string name;
  std::vector<float> param_values;
  std::vector<std::string> param_names;  // each already carries the effect name
  std::unique_ptr<ShaderProgram> program;

 protected:
  // The program from "data/effects/postproc/<folder>/<folder>.vert" and ".frag".
  static std::unique_ptr<ShaderProgram> makeProgram(const std::string& folder);

 private:
  UniformFunction uniform_function_;
  LocatedUniforms located_;
};

}  // namespace Effects
