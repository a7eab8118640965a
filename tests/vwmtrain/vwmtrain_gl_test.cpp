// The train scene on a real GL context at 320 x 180: it loads from the data tree, its stage is
// lit, the text-mode full-screen path shows only the text layer, the dummy clock makes no
// spectrum history, and notes held on the keyboard's note track light their keys.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <set>
#include <thread>

#include <glm/gtc/matrix_transform.hpp>

#include "effects/skybox.h"
#include "scenes/scene_vwmtrain/greetings.h"
#include "scenes/scene_vwmtrain/keyboardkeys.h"
#include "scenes/scene_vwmtrain/vwmtrain.h"
#include "scenes/framemath.h"
#include "scenes/scene_wm20text/wm20text.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "support/main_pass_states.h"
#include "support/test_images.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/fbo/fbo.h"
#include "util/music/music.h"
#include "util/music/notedata.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track.h"
#include "util/passtiming/passtiming.h"
#include "objects3d/context/rendercontext.h"
#include "objects3d/material.h"
#include "objects3d/node.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;

// The sixteen text-mode colours.
const std::set<std::array<uint8_t, 3>> kPalette = {
    {0, 0, 0},     {0, 0, 128},   {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
    {128, 128, 0}, {192, 192, 192}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0}, {0, 255, 255},
    {255, 0, 0},   {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};

void UseSmokeSettings() {
  CreateSystemSettings(6, DataMode::Disk);
  SystemSettings& settings = *system_settings;
  settings.music_file.clear();  // the dummy clock
  settings.width = kWidth;
  settings.height = kHeight;
  settings.fullscreen = 0;
  settings.samples = 0;
  settings.loading_hold_ms = 0;
  settings.aspect_numerator = 16;
  settings.aspect_denominator = 9;
  data_mode = DataMode::Disk;
}

class VWMTrainGLTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    UseSmokeSettings();
    system_settings->samples = SceneBufferSamples();
    const ProductionSceneTable table = {{6, {{"VWMTrain", [this] { return MakeScene(); }}}}};
    manager_ = std::make_unique<SceneManager>(table);
    // Every track at its default: the show's choreography must not decide what this sees.
    if (!KeepsShowTracks()) {
      for (MusicTrackEntry& entry : manager_->music->tracks)
        entry.track->keys = {SyncKey{0, entry.default_value, SyncKeyType::Step}};
      Set("ActiveScene1st", 0);
    }
    target_ = std::make_unique<RenderTarget>(kWidth, kHeight);
  }
  void TearDown() override {
    manager_.reset();
    target_.reset();
    GLTest::TearDown();
  }

  void Set(const std::string& name, float value) {
    SyncTrack* track = SyncFindTrack(*manager_->music->device, name);
    ASSERT_NE(track, nullptr) << name;
    track->keys = {SyncKey{0, value, SyncKeyType::Step}};
  }

  // Renders a few frames and returns the last picture's pixels, bottom row first.
  std::vector<uint8_t> Frames(int count) {
    for (int i = 0; i < count; ++i) {
      target_->Bind();
      manager_->RenderFrame();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_TRUE(NoGLError());
    return target_->ReadPixels();
  }

  VWMTrain& scene() { return dynamic_cast<VWMTrain&>(*manager_->scenes.at(0)); }

  virtual std::unique_ptr<Scene> MakeScene() { return std::make_unique<VWMTrain>(); }
  virtual uint32_t SceneBufferSamples() const { return 0; }
  virtual bool KeepsShowTracks() const { return false; }

  std::unique_ptr<SceneManager> manager_;
  std::unique_ptr<RenderTarget> target_;
};

double MeanBrightness(const std::vector<uint8_t>& pixels) {
  double sum = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) sum += pixels[i] + pixels[i + 1] + pixels[i + 2];
  return sum / (pixels.size() / 4 * 3);
}

TEST_F(VWMTrainGLTest, TheDummyClockMakesNoSpectrumHistory) {
  EXPECT_EQ(scene().fftSnapshots().size(), 0u);
  EXPECT_EQ(scene().greetings().size(), 20u);
}

TEST_F(VWMTrainGLTest, TheStageIsLitByItsMainLight) {
  Set("shadowEnabled", 0);
  const double lit = MeanBrightness(Frames(3));
  Set("lightIntensity", 0);
  const double dark = MeanBrightness(Frames(2));
  EXPECT_GT(lit, 20.0);
  EXPECT_GT(lit, dark + 1.0) << "lit " << lit << " dark " << dark;
}

TEST_F(VWMTrainGLTest, EveryElementSwitchedOnDrawsWithoutError) {
  for (const char* name : {"fftrEnable", "keybEnable", "textLaserOn", "focusEnable"}) Set(name, 1);
  Set("crtsEnable", 2);
  Set("textProg", 200);
  Set("clownNumX", 3);
  Set("recyInstances", 3);
  const auto pixels = Frames(3);
  EXPECT_GT(MeanBrightness(pixels), 10.0);
}

// Every program a frame of the stage can need is built while loading: the show never stalls on
// a compile when an element first appears.
TEST_F(VWMTrainGLTest, NoElementSwitchedOnBuildsAProgram) {
  const size_t built = scene().stage().render_context->VariantCount();
  for (const char* name : {"fftrEnable", "keybEnable", "textLaserOn", "focusEnable", "rndrGlow",
                           "shadowEnabled"})
    Set(name, 1);
  for (const float screen : {1.0f, 2.0f}) {
    Set("crtsEnable", screen);
    Frames(1);
    EXPECT_EQ(scene().stage().render_context->VariantCount(), built) << "monitor " << screen;
  }
}

// The text-mode layer also runs on the music's clock: held at one moment, its picture stays
// however much wall-clock time passes (a capture draws slower than the show plays); moved on,
// it moves.
TEST_F(VWMTrainGLTest, FullScreenTextModeShowsOnlyTheTextLayerOnTheMusicsClock) {
  // The fire without burning leaves the text screen empty: the frame is black, with nothing of
  // the lit stage, the greetings or the laser.
  Set("asciiFullScreen", 1);
  Set("fireBurn", 0);
  Set("textLaserOn", 1);
  const auto empty = Frames(2);
  EXPECT_EQ(MeanBrightness(empty), 0.0);
  // The rotozoom fills every cell with coloured blocks: text-mode colours, scaled down.
  Set("asciiScene", 1);
  const auto pixels = Frames(2);
  size_t on_palette = 0;
  std::set<std::array<uint8_t, 3>> colours;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    on_palette += kPalette.contains({pixels[i], pixels[i + 1], pixels[i + 2]});
    colours.insert({pixels[i], pixels[i + 1], pixels[i + 2]});
  }
  EXPECT_GT(on_palette, pixels.size() / 4 * 8 / 10);
  EXPECT_GE(colours.size(), 3u);
  manager_->music->SetPaused(true);
  for (const float rotozoom : {1.0f, 0.0f}) {  // the fire burns again
    Set("asciiScene", rotozoom);
    Set("fireBurn", 1);
    manager_->music->SetPositionSeconds(10.0);
    // The rotozoom draws before it steps: a step shows on the frame after.
    const Pixels held = Frames(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));  // several steps of either clock
    EXPECT_TRUE(Frames(2) == held) << "rotozoom " << rotozoom;
    manager_->music->SetPositionSeconds(10.5);
    EXPECT_FALSE(Frames(1) == held) << "rotozoom " << rotozoom;
  }
}

// The stage frame clears all of the scene buffer itself, so the frame composer leaves that
// clear to it; the full-screen text mode does not say so.
TEST_F(VWMTrainGLTest, TheStageFrameClearsItsWholeTargetItself) {
  const struct {
    const char* name;
    float full_screen_text;
    bool clears;
  } cases[] = {{"stage", 0, true}, {"text mode", 1, false}};
  for (const auto& c : cases) {
    Set("asciiFullScreen", c.full_screen_text);
    EXPECT_EQ(scene().ClearsWholeTarget(), c.clears) << c.name;
  }
}

// Fills `fbo` with magenta; WasDrawn tells whether anything cleared it since.
void FillMagenta(const FBO& fbo) {
  glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

std::array<uint8_t, 4> CentrePixel(const FBO& fbo) {
  std::array<uint8_t, 4> pixel{};
  glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
  glReadPixels(fbo.width / 2, fbo.height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return pixel;
}

bool WasDrawn(const FBO& fbo) {
  return CentrePixel(fbo) != std::array<uint8_t, 4>{255, 0, 255, 255};
}

// The monitor's two pictures are drawn only on frames whose screen shows them (or on every
// frame with the switch off); a picture left undrawn (magenta here) never reaches the frame.
TEST_F(VWMTrainGLTest, TheMonitorsPicturesAreDrawnOnlyWhenShown) {
  manager_->music->SetPaused(true);  // the same moment in every picture
  const struct {
    const char* name;
    bool when_shown;
    float monitor, screen;
    bool text_layer, greetings;
  } cases[] = {{"monitor off", true, 0, 1, false, false},
               {"screen off", true, 1, 0, false, false},
               {"text-mode layer", true, 1, 1, true, false},
               {"greetings", true, 1, 2, false, true},
               {"every frame", false, 0, 0, true, true}};
  const FBO& text_layer = *scene().ascii().engine().buffer;
  const FBO& greetings = scene().greetingsPicture();
  for (const auto& c : cases) {
    Set("crtmEnabled", c.monitor);
    Set("crtsEnable", c.screen);
    scene().screen_pictures_when_shown = false;
    const Pixels every_frame = Frames(1);
    scene().screen_pictures_when_shown = c.when_shown;
    FillMagenta(text_layer);
    FillMagenta(greetings);
    EXPECT_EQ(Frames(1), every_frame) << c.name;
    EXPECT_EQ(WasDrawn(text_layer), c.text_layer) << c.name;
    EXPECT_EQ(WasDrawn(greetings), c.greetings) << c.name;
    // Drawn, the greetings picture is opaque between the letters: the screen shows no stage.
    if (c.greetings) EXPECT_EQ(CentrePixel(greetings)[3], 255) << c.name;
  }
}

class VWMTrainMultisampledGLTest : public VWMTrainGLTest {
 protected:
  uint32_t SceneBufferSamples() const override { return 4; }
};

// The text-mode layer switches multisampling off as it draws; the stage after it is drawn the
// same way on a frame that skips the layer, so the multisampled scene buffer shows no change.
TEST_F(VWMTrainMultisampledGLTest, SkippedMonitorPicturesLeaveTheStageAsItWas) {
  manager_->music->SetPaused(true);
  Set("crtmEnabled", 0);
  scene().screen_pictures_when_shown = false;
  const Pixels every_frame = Frames(1);
  scene().screen_pictures_when_shown = true;
  EXPECT_EQ(Frames(1), every_frame);
}

// Keeps the states of the main passes drawn while loading (the warm-up's) apart from those of
// the frames drawn after.
class VWMTrainWarmUpGLTest : public VWMTrainMultisampledGLTest {
 protected:
  void SetUp() override {
    SetPassTimer(&main_passes_);
    VWMTrainMultisampledGLTest::SetUp();
    warmed_ = std::move(main_passes_.seen);
    main_passes_.seen.clear();
  }
  void TearDown() override {
    SetPassTimer(nullptr);
    VWMTrainMultisampledGLTest::TearDown();
  }

  MainPassStates main_passes_;
  std::set<DrawState> warmed_;
};

// A state the warm-up did not draw the stage in would have its code built on the frame that
// first meets it, in the middle of the show.
TEST_F(VWMTrainWarmUpGLTest, FramesDrawTheStageInStatesTheWarmUpDrewItIn) {
  const struct {
    float shadows, glow, focus;
  } cases[] = {{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const auto& c : cases) {
    Set("shadowEnabled", c.shadows);
    Set("rndrGlow", c.glow);
    Set("focusEnable", c.focus);
    Frames(1);
  }
  ASSERT_FALSE(main_passes_.seen.empty());
  for (const DrawState& state : main_passes_.seen) {
    EXPECT_TRUE(warmed_.contains(state)) << ::testing::PrintToString(state) << " not among "
                                         << ::testing::PrintToString(warmed_);
  }
}

TEST_F(VWMTrainGLTest, ZeroAndHugeTrackValuesDrawWithoutError) {
  const struct {
    const char* name;
    float value;
  } cases[] = {{"fireScale", 0},        {"fftrBands", 1},         {"fftrSpacing", 0},
               {"fftrColorRange", 0},   {"rastaYRange", 0},       {"rastaRotSpeed", 0},
               {"rastaNumStars", 1e9f}, {"textLaserIterations", -5}, {"textSize", 0},
               {"clownNumX", -3},       {"recyInstances", 1e9f},  {"fireDecay", -50}};
  Set("fftrEnable", 1);
  Set("textLaserOn", 1);
  for (const auto& c : cases) Set(c.name, c.value);
  Frames(2);
}

TEST_F(VWMTrainGLTest, TheMonitorStaysPutFrameAfterFrame) {
  // Measured at rest each frame: a box taken from last frame's placement would move it again.
  Set("crtmScale", 8);
  Set("crtmX", -7);
  Set("crtmRotateY", -1.3f);
  Frames(1);
  const glm::mat4 first = scene().stage().GetNode("crt").instances.at(0);
  Frames(2);
  EXPECT_EQ(scene().stage().GetNode("crt").instances.at(0), first);
}

TEST_F(VWMTrainGLTest, EachKeyShapeLightsItsOwnMaterial) {
  const struct {
    const char* node;
    size_t keys;
  } masters[] = {{"keyboard-Key_00", 20}, {"keyboard-Key_01", 25}, {"keyboard-Key_02", 15},
                 {"keyboard-Key_60", 1}};
  std::set<const Material*> materials;
  for (const auto& master : masters) {
    Node& node = scene().stage().GetNode(master.node);
    EXPECT_EQ(node.instances.size(), master.keys) << master.node;
    const auto material = scene().stage().GetMaterial(node);
    EXPECT_EQ(material->instance_emission_colors.size(), master.keys) << master.node;
    materials.insert(material.get());
  }
  EXPECT_EQ(materials.size(), 4u);
}

// Each change of face size makes the font render its glyphs anew: a size that stays must not
// change the face, and a size that is not a number gives the smallest face.
TEST_F(VWMTrainGLTest, TheGreetingsFaceChangesOnlyWithTheSize) {
  Set("crtmEnabled", 1);
  Set("crtsEnable", 2);  // the greetings are drawn only while the monitor shows them
  const uint32_t before = scene().text().FaceSizeChanges();
  const struct {
    float size;
    uint32_t face, changes;
  } steps[] = {{20, 20, 1}, {20, 20, 1}, {33.9f, 33, 2}, {NAN, 1, 3}, {NAN, 1, 3}, {1e30f, 1024, 4}};
  for (const auto& step : steps) {
    Set("textSize", step.size);
    Frames(2);
    EXPECT_EQ(scene().text().FaceSize(), step.face) << step.size;
    EXPECT_EQ(scene().text().FaceSizeChanges() - before, step.changes) << step.size;
  }
}

TEST_F(VWMTrainGLTest, TheLaserWithoutAGlowPictureIsSkipped) {
  Set("textLaserOn", 1);
  Set("rndrGlow", 0);
  scene().stage().glow_fbo.reset();
  Frames(1);  // would throw "Trying to radialblur without setting texture"
}

// The laser streaks the stage's glow picture. While the laser is on, that picture is drawn at
// the frame's size though the glow itself is blurred at half size: the frame is then nearly the
// one of the glow done at full size throughout, where streaks of a half-size picture come out
// plainly softer.
TEST_F(VWMTrainGLTest, TheLaserKeepsTheFullSizeGlowsStreaks) {
  const struct {
    const char* name;
    float step, iterations, alpha;
  } cases[] = {{"the show's short streaks", 0.96f, 24, 0.6f},
               {"longer, brighter streaks", 0.85f, 60, 1.0f}};
  manager_->music->SetPaused(true);  // the same moment in every picture
  Set("textLaserOn", 1);
  Set("shadowEnabled", 0);
  for (const auto& c : cases) {
    Set("textLaserStepSize", c.step);
    Set("textLaserIterations", c.iterations);
    Set("textLaserAlpha", c.alpha);
    scene().stage().glow_half_size = 0;
    const Pixels full = Frames(1);
    scene().stage().glow_half_size = 1;
    scene().laser_full_glow = true;
    const double kept = Psnr(Frames(1), full);
    scene().laser_full_glow = false;
    const double soft = Psnr(Frames(1), full);
    EXPECT_GE(kept, 40.0) << c.name;
    EXPECT_LT(soft, kept - 3.0) << c.name;
  }
  // Without the laser, the glow picture is drawn at half size again.
  scene().laser_full_glow = true;
  Set("textLaserOn", 0);
  Frames(1);
  EXPECT_EQ(scene().stage().glow_fbo->width, kWidth / 2);
}

// The keyboard's note track holds three lanes: the bottom C and the top C held from the first
// beat on, and the C# above the bottom C never played. The note data is in place before the
// scene's set-up, which finds each lane's key, as a music description file would put it.
class NotedTrain : public VWMTrain {
 public:
  static constexpr uint8_t kBottomC = KeyboardKeys::kFirstMidiKey;
  void Init() override {
    auto notes = std::make_shared<NoteData>();
    notes->tracks.resize(kKeyboardNoteTrack + 1);
    NoteTrack& track = notes->tracks[kKeyboardNoteTrack];
    FindOrAddLane(track, kBottomC).events = {0.0};
    FindOrAddLane(track, kBottomC + 1);
    FindOrAddLane(track, kBottomC + 60).events = {0.0};
    music->noteData = notes;
    VWMTrain::Init();
  }
};

class VWMTrainNotesGLTest : public VWMTrainGLTest {
 protected:
  std::unique_ptr<Scene> MakeScene() override { return std::make_unique<NotedTrain>(); }

  const std::vector<glm::vec3>& Emissions(const char* node) {
    return scene().stage().GetMaterial(scene().stage().GetNode(node))->instance_emission_colors;
  }
};

TEST_F(VWMTrainNotesGLTest, HeldNotesLightTheirKeys) {
  Set("keybEnable", 1);
  Set("shadowEnabled", 0);
  const auto lit = Frames(2);
  const glm::vec3 on(3, 1, 1);
  const glm::vec3 off(0);
  // Key 0 is instance 0 of the first white set, key 1 instance 0 of the black keys, key 60 the
  // top C's only instance.
  const struct {
    const char* node;
    size_t instance;
    glm::vec3 emission;
  } cases[] = {{"keyboard-Key_00", 0, on}, {"keyboard-Key_00", 1, off},
               {"keyboard-Key_01", 0, off}, {"keyboard-Key_60", 0, on}};
  for (const auto& c : cases) {
    const auto& emissions = Emissions(c.node);
    ASSERT_GT(emissions.size(), c.instance) << c.node;
    EXPECT_EQ(emissions[c.instance], c.emission) << c.node << " instance " << c.instance;
  }
  // Released, the keys go dark again, and so do their pixels: the lit keys are white where
  // the released ones are grey. (The smoke moves between the two pictures either way.)
  for (NoteLane& lane : manager_->music->noteData->tracks[VWMTrain::kKeyboardNoteTrack].lanes)
    lane.events = {0.0, -0.0};
  const auto dark = Frames(2);
  EXPECT_EQ(Emissions("keyboard-Key_60")[0], off);
  int brighter = 0;
  int darker = 0;
  for (size_t i = 0; i < lit.size(); i += 4) {
    const int change = lit[i] + lit[i + 1] + lit[i + 2] - dark[i] - dark[i + 1] - dark[i + 2];
    brighter += change > 150;
    darker += change < -150;
  }
  EXPECT_GT(brighter, darker + 20) << brighter << " pixels brighter lit, " << darker << " darker";
}

}  // namespace

// Where the sky box covers the target, the stage frame leaves the colour uncleared beneath it:
// last frame's picture (red here) never shows, with depth of field (which draws the sky
// elsewhere) or a box too small to hold the camera (which then covers only part) neither.
TEST_F(VWMTrainGLTest, TheSkyLeavesNothingOfAnUnclearedTarget) {
  const struct {
    const char* name;
    float focus;
    float sky_size;  // of the show's box
    bool fills;
  } cases[] = {{"the show's sky", 0, 1, true},
               {"depth of field", 1, 1, false},
               {"a box the camera is outside of", 0, 0.0001f, false}};
  manager_->music->SetPaused(true);  // the same moment in every picture
  Effects::SkyBox& sky = *scene().stage().skybox;
  const float show_size = sky.size;
  for (const auto& c : cases) {
    Set("focusEnable", c.focus);
    sky.size = show_size * c.sky_size;
    Frames(1);
    EXPECT_EQ(scene().SkyFillsTarget(*scene().stage().data.cameras.front()), c.fills) << c.name;
    Pixels pictures[2];
    for (const bool skip : {false, true}) {
      scene().sky_replaces_colour_clear = skip;
      FBO& buffer = *manager_->composer().compositionFbos[0];
      glClearColor(1, 0, 0, 1);
      buffer.Bind();
      buffer.Unbind();
      pictures[skip ? 1 : 0] = Frames(1);
    }
    EXPECT_TRUE(pictures[0] == pictures[1]) << c.name;
  }
  sky.size = show_size;
}

namespace {

// The train scene with production 6's own tracks, as the show plays them.
class VWMTrainShowGLTest : public VWMTrainGLTest {
 protected:
  bool KeepsShowTracks() const override { return true; }
};

// Wherever the show has the text scene's lines (names, credits, title) up over the stage with
// the monitor, none of their pixels falls in the monitor's box in the picture: a name must
// neither hide behind the monitor nor cover the greetings typed on its screen.
TEST_F(VWMTrainShowGLTest, NoNameStandsOverTheMonitor) {
  Music& music = *manager_->music;
  WM20Text names;
  names.music = &music;
  names.Init();
  names.Resize(kWidth, kHeight);
  music.SetPaused(true);
  music.bpm = music.GetSyncValue("bpm");
  const auto value = [&](const char* name) { return music.GetSyncValue(name); };
  const auto slot = [&](const char* name) { return SceneSlotIndex(value(name), 0, 3); };
  for (int row = 0; row < 3392; row += 2) {  // the show's rows
    music.SetRow(row);
    const bool lines = (slot("ActiveScene2nd") == 2u || slot("ActiveScene4rd") == 2u) &&
                       std::max(value("textFade"), value("textFade2")) > 0.02f;
    const bool monitor = slot("ActiveScene1st") == 0u && value("asciiFullScreen") <= 0.5f &&
                         value("crtmEnabled") > 0.5f;
    if (!lines || !monitor) continue;
    Frames(1);
    glm::vec3 lo, hi;
    scene().stage().GetNodeBBox("crt", lo, hi);
    const Camera& camera = *scene().stage().data.cameras.front();
    glm::vec3 low(1e9f), high(-1e9f);  // the box's corners in the picture, in pixels
    for (int corner = 0; corner < 8; ++corner) {
      const glm::vec3 side(corner & 1, (corner >> 1) & 1, (corner >> 2) & 1);
      const glm::vec3 at = glm::project(glm::mix(lo, hi, side), camera.view, camera.projection,
                                        glm::vec4(0, 0, kWidth, kHeight));
      low = glm::min(low, at);
      high = glm::max(high, at);
    }
    target_->Bind();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    names.Render();
    const Pixels pixels = target_->ReadPixels();
    int covered = 0;
    for (int y = std::max(0, int(low.y)); y <= std::min(kHeight - 1, int(high.y)); ++y)
      for (int x = std::max(0, int(low.x)); x <= std::min(kWidth - 1, int(high.x)); ++x)
        covered += PixelOf(pixels, kWidth, x, y)[3] > 8;
    EXPECT_EQ(covered, 0) << "row " << row << " (" << row * 60.0 / (8 * music.bpm) << " s)";
  }
}

// The greetings picture's pixels, bottom row first.
Pixels PictureOf(const FBO& fbo) {
  Pixels pixels(static_cast<size_t>(fbo.width) * fbo.height * 4);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
  glReadPixels(0, 0, fbo.width, fbo.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return pixels;
}

// One typed line in the picture: its lit columns, the widest unlit run between its first and
// last lit column, and its lit width per character (about one letter cell).
struct TypedLine {
  int first = 0, last = 0, widest_gap = 0;
  double cell = 0;
};

// The typed lines of a greetings picture, top first: each band of rows with lit (green)
// pixels, for `lengths` lines of so many characters.
std::vector<TypedLine> TypedLines(const Pixels& pixels, int width, int height,
                                  const std::vector<size_t>& lengths) {
  const auto lit_columns = [&](int row, std::vector<bool>& columns) {
    bool any = false;
    for (int x = 0; x < width; ++x)
      if (PixelOf(pixels, width, x, row)[1] > 100) columns[static_cast<size_t>(x)] = any = true;
    return any;
  };
  std::vector<TypedLine> lines;
  for (int y = height - 1; y >= 0 && lines.size() < lengths.size(); --y) {
    std::vector<bool> columns(static_cast<size_t>(width), false);
    if (!lit_columns(y, columns)) continue;
    while (y > 0 && lit_columns(y - 1, columns)) --y;
    TypedLine line{width, -1, 0, 0};
    for (int x = 0, run = 0; x < width; ++x) {
      if (columns[static_cast<size_t>(x)]) {
        if (line.last >= 0) line.widest_gap = std::max(line.widest_gap, run);
        line.first = std::min(line.first, x);
        line.last = x;
      }
      run = columns[static_cast<size_t>(x)] ? 0 : run + 1;
    }
    line.cell = double(line.last - line.first + 1) / lengths[lines.size()];
    lines.push_back(line);
  }
  return lines;
}

// Each page of greetings as the show types it on the monitor's screen: the words of a
// two-word name stand at least a letter cell apart, the letters of a word closer, and every
// line ends inside the picture.
TEST_F(VWMTrainShowGLTest, TheGreetingsWordsStandALetterApart) {
  Music& music = *manager_->music;
  music.SetPaused(true);
  music.bpm = music.GetSyncValue("bpm");
  const FBO& picture = scene().greetingsPicture();
  const std::vector<std::string>& names = scene().greetings();
  for (int row : {2330, 2430, 2530}) {  // each page typed whole
    music.SetRow(row);
    Frames(1);
    const auto settings = GreetingSettings::FromTracks(
        [&](const std::string& name) { return music.GetSyncValue(name); });
    std::vector<size_t> lengths;
    for (const GreetingLine& line : Greetings::Layout(names, settings))
      lengths.push_back(line.text.size());
    const auto lines = TypedLines(PictureOf(picture), picture.width, picture.height, lengths);
    ASSERT_EQ(lines.size(), lengths.size()) << row;
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string& name = names.at(static_cast<size_t>(settings.first_line) + i);
      EXPECT_EQ(lines[i].widest_gap >= lines[i].cell, name.find(' ') != std::string::npos)
          << name << ": gap " << lines[i].widest_gap << ", cell " << lines[i].cell;
      EXPECT_LT(lines[i].last, picture.width - 1) << name;
    }
  }
}

}  // namespace
