#pragma once
// A linked GLSL program, built once in the constructor from two source files or from a
// ShaderConstructor. Every source goes through ReplaceVertexAttribNames first, so all programs
// agree on the fixed attribute locations. A program that fails to compile or link ends the run.
// Needs a current GL context with GLEW initialised, for its whole life.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/vertexattrib.h"

enum class ShaderOrigin : uint32_t { FILES = 0, CONSTRUCTOR = 1 };

class ShaderProgram {
 public:
  // A file not found under its name is read from "data/common/shaders/" + name.
  ShaderProgram(const std::string& vertex_file_name, const std::string& fragment_file_name);
  explicit ShaderProgram(std::shared_ptr<ShaderConstructor> constructor);
  ~ShaderProgram();
  ShaderProgram(const ShaderProgram&) = delete;
  ShaderProgram& operator=(const ShaderProgram&) = delete;

  void Use() const;
  // Asks GL once per name and keeps the answer; an absent or optimised-away uniform gives -1.
  int32_t GetUniformLocation(const std::string& uniform_name);
  // Both sources at the info level, for reporting a shader problem.
  void DumpSource() const;

  uint32_t program() const { return program_; }
  const std::string& name() const { return name_; }
  int32_t registry_index() const { return registry_index_; }
  ShaderOrigin origin() const { return origin_; }
  const std::string& vertex_source() const { return vertex_source_; }
  const std::string& fragment_source() const { return fragment_source_; }
  const std::set<std::string>& queried_uniform_names() const { return queried_uniform_names_; }

 private:
  void Build();
  void Register();
  std::string ReadShaderFile(const std::string& file_name) const;
  void CreateProgram(const std::string& vertex_text, const std::string& fragment_text);
  std::string StageLabel(const std::string& file_name, const char* stage) const;
  void CompileShader(uint32_t shader, const std::string& label, const std::string& source);
  uint32_t LinkProgram(uint32_t vertex_shader, uint32_t fragment_shader);

  std::shared_ptr<ShaderConstructor> constructor_;
  std::string name_ = "Uninitialized";
  int32_t registry_index_ = -1;
  std::string vertex_source_;
  std::string fragment_source_;
  std::string vertex_file_name_;
  std::string fragment_file_name_;
  uint32_t program_ = 0;
  ShaderOrigin origin_ = ShaderOrigin::FILES;
  std::set<std::string> queried_uniform_names_;
  std::unordered_map<std::string, int32_t> uniform_locations_;
};

// Cuts a string at its first NUL (GL info logs come back with their terminator inside).
std::string TrimAtNul(std::string text);

// Each line ended by a line break, prefixed with its 1-based number as "{:4}: ". Text after the
// last line break is left out.
std::string AddLineNumbers(const std::string& text);
