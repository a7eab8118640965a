#pragma once
// The one owner of GL objects shared across the program: the full-screen copy program, the
// unit and clip-space quads, and whatever a module keeps for the whole run (its programs,
// shapes, shared buffers) under a key of its own. The entry makes it once the window and
// context exist and destroys it before the context goes, so nothing shared outlives GL.
// Exactly one lives at a time; modules reach it through Current.
//
// What it does not do: it never makes a module's objects itself; the first user hands in a
// maker, so this file knows nothing of the modules above it.

#include <array>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "util/easydraw/easydrawcustom.h"
#include "util/shaderprogram/shaderprogram.h"

// Names one kept object. Compared by address: define each key once, at namespace scope.
struct GpuResourceKey {
  const char* name;
};

class GpuResources {
 public:
  // Needs a current context with GLEW initialised; fatal when another instance lives.
  GpuResources();
  ~GpuResources();
  GpuResources(const GpuResources&) = delete;
  GpuResources& operator=(const GpuResources&) = delete;

  // The live instance; fatal when there is none (used before the window or after shut-down).
  static GpuResources& Current();
  static bool Exists();

  // The column-major orthographic projection of the unit square (left 0, right 1, bottom 0,
  // top 1, near -1, far 1) that every full-screen pass draws its 0..1 quad with.
  static const std::array<float, 16>& UnitSquareProjection();

  // Binds the copy program with the unit-square projection and its "Texture" on unit 0.
  void UseCopyProgram();
  ShaderProgram& copy_program() { return *copy_program_; }
  // The square 0..1 with texture coordinates 0..1, drawn with whatever program is bound.
  void DrawUnitQuad();
  // The square -1..1 in clip space, for programs that draw without a projection.
  void DrawFullscreenQuad();

  // The object kept under the key, made by make() (returning std::unique_ptr<T>) on first use.
  // A key asked for with another type is fatal.
  template <typename T, typename Make>
  T& Get(const GpuResourceKey& key, Make&& make) {
    if (Holder* held = Find(key)) return static_cast<Typed<T>&>(Checked(key, *held, typeid(T))).Value();
    auto holder = std::make_unique<Typed<T>>(std::forward<Make>(make)());
    T& value = holder->Value();
    kept_.push_back({&key, std::move(holder)});
    return value;
  }

  // How many keyed objects are kept, for tests of their lifetime.
  size_t kept_count() const { return kept_.size(); }

 private:
  struct Holder {
    virtual ~Holder() = default;
    virtual const std::type_info& type() const = 0;
  };
  template <typename T>
  struct Typed : Holder {
    explicit Typed(std::unique_ptr<T> made) : value(std::move(made)) {}
    const std::type_info& type() const override { return typeid(T); }
    T& Value() { return *value; }
    std::unique_ptr<T> value;
  };
  struct Entry {
    const GpuResourceKey* key;
    std::unique_ptr<Holder> holder;
  };

  Holder* Find(const GpuResourceKey& key);
  Holder& Checked(const GpuResourceKey& key, Holder& held, const std::type_info& wanted) const;

  std::unique_ptr<ShaderProgram> copy_program_;
  int32_t copy_projection_location_ = -1;
  int32_t copy_texture_location_ = -1;
  EasyDrawCustom unit_quad_;
  EasyDrawCustom fullscreen_quad_;
  std::vector<Entry> kept_;
};
