// State a scene leaves behind never reaches the next scene or the scene manager's own passes:
// for each piece of state, a scene that leaves it set (in the first and fourth slots) gives
// the same frame, and the same starting state for the scene after it, as a scene that leaves
// nothing behind.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "scene_test_support.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "support/gl_state.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

// GL objects a leaking scene leaves bound.
struct LeakObjects {
  LeakObjects() {
    const uint8_t white[4] = {255, 255, 255, 255};
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glGenTextures(1, &cube_map);
    glGenTextures(1, &multisample);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, multisample);
    glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, 2, GL_RGBA8, 4, 4, GL_TRUE);
    glGenSamplers(1, &sampler);
    // Mipmapped filtering of a buffer without mipmaps: whatever samples through it reads black.
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glGenVertexArrays(1, &vertex_array);
    glGenBuffers(1, &buffer);
    program = std::make_unique<ShaderProgram>(MakeFlat2DShader("Leak"));
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
  }
  ~LeakObjects() {
    glDeleteTextures(1, &texture);
    glDeleteTextures(1, &cube_map);
    glDeleteTextures(1, &multisample);
    glDeleteSamplers(1, &sampler);
    glDeleteVertexArrays(1, &vertex_array);
    glDeleteBuffers(1, &buffer);
  }
  GLuint texture = 0, cube_map = 0, multisample = 0, sampler = 0, vertex_array = 0, buffer = 0;
  std::unique_ptr<ShaderProgram> program;
};

using Leak = std::function<void(const LeakObjects&)>;

// Leaves its state set and draws nothing.
class LeakingScene : public Scene {
 public:
  LeakingScene(const Leak& leak, const LeakObjects& objects) : leak_(leak), objects_(objects) {}
  void Init() override {}
  void Render() override { leak_(objects_); }

 private:
  Leak leak_;
  const LeakObjects& objects_;
};

// Records the state it starts from, then draws what the common leaks would spoil: a culled,
// blended, depth-tested quad with the fixed-function pipeline and one point.
class ProbeScene : public Scene {
 public:
  void Init() override {}
  void Render() override {
    start = GLStateSnapshot::Take();
    // Each run makes its own composition buffers, so their names differ between runs.
    start.values.erase("draw framebuffer");
    start.values.erase("read framebuffer");
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    for (const auto& [x, y] : {std::pair{-1.0f, -1.0f}, {0.0f, -1.0f}, {0.0f, 1.0f}, {-1.0f, 1.0f}}) {
      glVertex3f(x, y, 0.0f);
    }
    glEnd();
    glBegin(GL_POINTS);
    glVertex3f(0.5f, 0.0f, 0.0f);
    glEnd();
  }
  GLStateSnapshot start;
};

struct LeakCase {
  const char* name;
  Leak leak;
};

const LeakCase kLeaks[] = {
    {"colour mask", [](const LeakObjects&) { glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_FALSE); }},
    {"blend equation", [](const LeakObjects&) { glBlendEquation(GL_FUNC_REVERSE_SUBTRACT); }},
    {"separate blend functions",
     [](const LeakObjects&) { glBlendFuncSeparate(GL_ZERO, GL_ONE, GL_ONE, GL_ZERO); }},
    {"cull face mode", [](const LeakObjects&) { glCullFace(GL_FRONT); }},
    {"front face", [](const LeakObjects&) { glFrontFace(GL_CW); }},
    {"polygon offset",
     [](const LeakObjects&) {
       glEnable(GL_POLYGON_OFFSET_FILL);
       glPolygonOffset(0.0f, 1.0e7f);
     }},
    {"stencil test",
     [](const LeakObjects&) {
       glEnable(GL_STENCIL_TEST);
       glStencilFunc(GL_NEVER, 1, 0xff);
     }},
    {"scissor",
     [](const LeakObjects&) {
       glEnable(GL_SCISSOR_TEST);
       glScissor(0, 0, 1, 1);
     }},
    {"clip distance",
     [](const LeakObjects&) {
       const GLdouble nothing_inside[4] = {0.0, 0.0, 0.0, -1.0};
       glClipPlane(GL_CLIP_PLANE0, nothing_inside);
       glEnable(GL_CLIP_DISTANCE0);
     }},
    {"point size", [](const LeakObjects&) { glPointSize(9.0f); }},
    {"vertex array", [](const LeakObjects& o) { glBindVertexArray(o.vertex_array); }},
    {"array buffer", [](const LeakObjects& o) { glBindBuffer(GL_ARRAY_BUFFER, o.buffer); }},
    {"program", [](const LeakObjects& o) { o.program->Use(); }},
    {"2D texture on unit 3",
     [](const LeakObjects& o) {
       glActiveTexture(GL_TEXTURE3);
       glBindTexture(GL_TEXTURE_2D, o.texture);
     }},
    {"cube map on unit 7",
     [](const LeakObjects& o) {
       glActiveTexture(GL_TEXTURE7);
       glBindTexture(GL_TEXTURE_CUBE_MAP, o.cube_map);
     }},
    {"multisample texture on unit 0",
     [](const LeakObjects& o) { glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, o.multisample); }},
    {"sampler on unit 0", [](const LeakObjects& o) { glBindSampler(0, o.sampler); }},
    {"sampler on unit 5", [](const LeakObjects& o) { glBindSampler(5, o.sampler); }},
};

class ResetGLStateTest : public GLTest {
 protected:
  struct Result {
    std::vector<uint8_t> pixels;
    GLStateSnapshot probe_start;
  };

  // One frame with the leaking scene in slots 1 and 4 and the probe in slot 2.
  Result RenderWith(const Leak& leak) {
    UseTestSettings(32, 18);
    auto probe = std::make_shared<ProbeScene>();
    ProductionSceneTable table{
        {6,
         {{"Leak", [&] { return std::make_unique<LeakingScene>(leak, *objects_); }},
          {"Probe", [probe] { return std::unique_ptr<Scene>(new ForwardingScene(probe)); }}}}};
    SceneManager manager(table);
    ResetTracksToDefaults(manager);
    SetTrack(manager, "ActiveScene2nd", 1.0f);
    SetTrack(manager, "ActiveScene4rd", 0.0f);
    RenderTarget target(32, 18);
    target.Bind();
    manager.RenderFrame();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return {target.ReadPixels(), probe->start};
  }

  // Hands the calls to a probe the test keeps.
  class ForwardingScene : public Scene {
   public:
    explicit ForwardingScene(std::shared_ptr<ProbeScene> probe) : probe_(std::move(probe)) {}
    void Init() override {}
    void Render() override { probe_->Render(); }

   private:
    std::shared_ptr<ProbeScene> probe_;
  };

  void SetUp() override {
    GLTest::SetUp();
    objects_ = std::make_unique<LeakObjects>();
  }
  void TearDown() override {
    objects_.reset();
    GLTest::TearDown();
  }

  std::unique_ptr<LeakObjects> objects_;
};

TEST_F(ResetGLStateTest, LeftStateNeverReachesTheNextSceneOrTheFrame) {
  const Result clean = RenderWith([](const LeakObjects&) {});
  ASSERT_TRUE(NoGLError());
  for (const LeakCase& leak : kLeaks) {
    SCOPED_TRACE(leak.name);
    const Result leaked = RenderWith(leak.leak);
    EXPECT_TRUE(NoGLError());
    EXPECT_EQ(leaked.pixels, clean.pixels);
    EXPECT_TRUE(SameGLState(clean.probe_start, leaked.probe_start));
  }
}

}  // namespace
