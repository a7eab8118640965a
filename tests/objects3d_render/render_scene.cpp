#include "render_scene.h"

#include <algorithm>
#include <cstdlib>

#include <stb_image_write.h>

#include "objects3d/procedural.h"
#include "util/camera/camera.h"
#include "util/fbo/fbo.h"
#include "util/light/light.h"

std::unique_ptr<Objects3D> MakeScene(const glm::vec3& eye) {
  auto scene = std::make_unique<Objects3D>();
  scene->AddMasterNode();
  Camera& camera = *scene->AddCamera();
  camera.LookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
  camera.SetNearFar(0.1f, 100.0f);
  scene->Resize(kSide, kSide, 1.0f);
  // An empty frame makes the shared programs and textures before the test draws.
  Render(*scene);
  return scene;
}

std::unique_ptr<Objects3D> HoldSharedResources() { return MakeScene({0, 0, 1}); }

std::vector<uint8_t> Render(Objects3D& scene, const glm::vec4& clear, int side) {
  // A target with a depth buffer, as the scenes draw into.
  FBO target(side, side, FBOType::Color, 0);
  glClearColor(clear.r, clear.g, clear.b, clear.a);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  target.Bind();
  scene.Draw();
  std::vector<uint8_t> pixels(static_cast<size_t>(side) * side * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  target.Unbind();
  return pixels;
}

std::vector<uint8_t> RenderSampled(Objects3D& scene, int samples, bool blend, int side,
                                   const std::function<void()>& after) {
  return RenderBlended(scene, samples, blend ? Blending::kOver : Blending::kNone, side, after);
}

std::vector<uint8_t> RenderBlended(Objects3D& scene, int samples, Blending blending, int side,
                                   const std::function<void()>& after) {
  GLint outer = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &outer);
  FBO target(side, side, FBOType::Color, samples);
  FBO resolved(side, side, FBOType::Color, 0);
  glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  if (blending == Blending::kNone) {
    glDisable(GL_BLEND);
  } else {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, blending == Blending::kAdd ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
  }
  target.Bind();
  scene.Draw();
  if (after) after();
  target.Unbind();
  glDisable(GL_BLEND);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved.framebuffer);
  glBlitFramebuffer(0, 0, side, side, 0, 0, side, side, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, resolved.framebuffer);
  std::vector<uint8_t> pixels(static_cast<size_t>(side) * side * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(outer));
  return pixels;
}

void DrawFlatSquare(float depth, const glm::vec4& colour) {
  glUseProgram(0);
  glBindVertexArray(0);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const float z = depth * 2.0f - 1.0f;
  glColor4f(colour.r, colour.g, colour.b, colour.a);
  glBegin(GL_QUADS);
  glVertex3f(-1, -1, z);
  glVertex3f(1, -1, z);
  glVertex3f(1, 1, z);
  glVertex3f(-1, 1, z);
  glEnd();
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = a.size() == b.size() ? 0 : 255;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
  return largest;
}

std::array<uint8_t, 4> Pixel(const std::vector<uint8_t>& pixels, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * kSide + x) * 4;
  return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

float MeanOver(const std::vector<uint8_t>& pixels, int x0, int y0, int size, int channel) {
  float sum = 0.0f;
  for (int y = y0; y < y0 + size; ++y) {
    for (int x = x0; x < x0 + size; ++x) {
      const auto p = Pixel(pixels, x, y);
      sum += channel < 3 ? p[channel] : (p[0] + p[1] + p[2]) / 3.0f;
    }
  }
  return sum / static_cast<float>(size * size);
}

int ContrastOver(const std::vector<uint8_t>& pixels, int x0, int y0, int size) {
  int lo = 255, hi = 0;
  for (int y = y0; y < y0 + size; ++y) {
    for (int x = x0; x < x0 + size; ++x) {
      const auto p = Pixel(pixels, x, y);
      const int v = (p[0] + p[1] + p[2]) / 3;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  return hi - lo;
}

std::shared_ptr<Material> UnlitMaterial(const glm::vec4& color) {
  auto m = MakeMaterial();
  m->base_color = color;
  m->unlit = 1;
  return m;
}

std::shared_ptr<Material> LitMaterial(const glm::vec4& color, float roughness, float metallic) {
  auto m = MakeMaterial();
  m->base_color = color;
  m->roughness = roughness;
  m->metallic = metallic;
  return m;
}

std::shared_ptr<Primitive> MakeSquare(float half) {
  auto p = std::make_shared<Primitive>();
  p->positions = {-half, -half, 0, half, -half, 0, half, half, 0, -half, half, 0};
  p->normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
  p->texcoords = {0, 1, 1, 1, 1, 0, 0, 0};
  p->indices = {0, 1, 2, 0, 2, 3};
  p->position_components = 3;
  p->normal_components = 3;
  p->texcoord_components = 2;
  p->index_components = 1;
  return p;
}

std::shared_ptr<Primitive> MakeChecker(float half, int size) {
  auto p = std::make_shared<Primitive>();
  const float step = 2.0f * half / static_cast<float>(size);
  for (int j = 0; j < size; ++j) {
    for (int i = 0; i < size; ++i) {
      const float x0 = -half + step * i, y0 = -half + step * j;
      const float c = (i + j) % 2 == 0 ? 1.0f : 0.0f;
      const uint32_t base = static_cast<uint32_t>(p->positions.size() / 3);
      for (const auto& [dx, dy] : {std::pair{0.0f, 0.0f}, {step, 0.0f}, {step, step}, {0.0f, step}}) {
        p->positions.insert(p->positions.end(), {x0 + dx, y0 + dy, 0.0f});
        p->normals.insert(p->normals.end(), {0.0f, 0.0f, 1.0f});
        p->colors.insert(p->colors.end(), {c, c, c});
      }
      p->indices.insert(p->indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    }
  }
  p->position_components = 3;
  p->normal_components = 3;
  p->color_components = 3;
  p->index_components = 1;
  return p;
}

Light& AddPointLight(Objects3D& scene, const glm::vec3& position, float intensity) {
  Light& light = *scene.AddLight();
  light.position = glm::vec4(position, 1.0f);
  light.intensity = intensity;
  light.shadow_size = 256;
  light.shadow_near = 0.05f;
  light.shadow_far = 50.0f;
  light.projection = CubeFaceProjection(light.shadow_near, light.shadow_far);
  return light;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& pixels, int width, int height) {
  // Row 0 of the pixels is the bottom row; PNG starts at the top.
  return stbi_write_png(path.c_str(), width, height, 4, pixels.data() + (height - 1) * width * 4,
                        -width * 4) != 0;
}
