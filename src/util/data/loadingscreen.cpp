#include "util/data/loadingscreen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

#include <GL/glew.h>

#include "system/clock.h"
#include "system/log.h"
#include "system/window.h"
#include "tolmesystem.h"
#include "util/ascii/asciiengine.h"
#include "util/data/data.h"
#include "util/easydraw/easydraw.h"
#include "util/easydraw/easydrawcustom.h"
#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

uint32_t loading_progress_count = 0;
uint32_t window_width = 0;
uint32_t window_height = 0;
float window_aspect = 16.0f / 9.0f;
std::unique_ptr<Texture> loading_screen_texture;

namespace {

// Loose files have no known count, so the bar cycles through this many redraws.
constexpr uint32_t kLooseFileTotal = 500;
constexpr uint32_t kRedrawIntervalMs = 40;

// The tick count before which unforced calls do not redraw; none before the first redraw.
std::optional<uint32_t> redraw_deadline;
std::function<bool()> escape_source;

constexpr GpuResourceKey kLogoProgram{"loading logo program"};
constexpr GpuResourceKey kBarProgram{"loading bar program"};
constexpr GpuResourceKey kBarShape{"loading bar shape"};
constexpr GpuResourceKey kTextModeScreen{"loading text-mode screen"};
constexpr GpuResourceKey kCirclesProgram{"loading circles program"};

// The text-mode loading screen's engine and the buffer its picture is presented from.
struct TextModeScreen {
  AsciiEngine engine;
  std::unique_ptr<FBO> buffer;
};

template <typename T>
T& Kept(const GpuResourceKey& key, std::unique_ptr<T> (*make)()) {
  return GpuResources::Current().Get<T>(key, make);
}

void SetColor(ShaderProgram& program, float value) {
  const GLint location = program.GetUniformLocation("Color");
  if (location >= 0) glUniform4f(location, value, value, value, value);
}

void SetProjection(ShaderProgram& program) {
  const GLint location = program.GetUniformLocation("ProjectionMatrix");
  if (location >= 0) glUniformMatrix4fv(location, 1, GL_FALSE, GpuResources::UnitSquareProjection().data());
}

void SetTextureUnit(ShaderProgram& program, const char* name, int unit) {
  const GLint location = program.GetUniformLocation(name);
  if (location >= 0) glUniform1i(location, unit);
}

void ClearAll() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

bool EscapePressed() { return escape_source ? escape_source() : IsEscapeKeyDown(); }

// Tick counts wrap every 49.7 days; the difference keeps the comparison right across the wrap.
bool BeforeDeadline(uint32_t now) {
  return redraw_deadline && static_cast<int32_t>(now - *redraw_deadline) < 0;
}

// Progress values come from callers' arithmetic; anything outside 0..1 (or NaN) is clamped.
float ClampProgress(float progress) {
  if (!(progress >= 0.0f)) return 0.0f;
  return std::min(progress, 1.0f);
}

uint32_t UpdateProgressCount() {
  if (data_mode == DataMode::Read) {
    loading_progress_count = static_cast<uint32_t>(std::count_if(
        data_file_entries.begin(), data_file_entries.end(),
        [](const DataFileEntry& entry) { return entry.used; }));
    return static_cast<uint32_t>(data_file_entries.size());
  }
  loading_progress_count = (loading_progress_count + 1) % kLooseFileTotal;
  return kLooseFileTotal;
}

void DrawLogo(float brightness) {
  ShaderProgram* program = &Kept<ShaderProgram>(kLogoProgram, [] {
    return std::make_unique<ShaderProgram>(MakeTintedTextured2DShader("ProgressBarTexture"));
  });
  program->Use();
  SetColor(*program, brightness);
  SetProjection(*program);
  SetTextureUnit(*program, "Texture", 0);
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(loading_screen_texture->Target(), loading_screen_texture->id);
  EasyDraw::DrawQuad(0.25f, 0.25f, 0.5f, 0.5f);
}

// The outline of the bar and its fill up to fill_end, as five quads.
void DrawBar(float brightness, float fill_end) {
  ShaderProgram* program = &Kept<ShaderProgram>(kBarProgram, [] {
    return std::make_unique<ShaderProgram>(MakeFlat2DShader("ProgressBar"));
  });
  EasyDrawCustom& bar =
      Kept<EasyDrawCustom>(kBarShape, [] { return std::make_unique<EasyDrawCustom>(); });
  program->Use();
  SetColor(*program, brightness * 0.75f);
  SetProjection(*program);
  // Horizontal edges as thick in pixels as the 0.002-wide vertical ones in the letterbox.
  const float t = window_aspect * 0.002f;
  const float x = fill_end;
  const float positions[40] = {
      0.28f, 0.37f, 0.72f, 0.37f, 0.72f, 0.37f - t, 0.28f, 0.37f - t,    // top edge
      0.28f, 0.35f, 0.72f, 0.35f, 0.72f, 0.35f + t, 0.28f, 0.35f + t,    // bottom edge
      0.28f, 0.37f, 0.278f, 0.37f, 0.278f, 0.35f, 0.28f, 0.35f,          // left edge
      0.72f, 0.37f, 0.722f, 0.37f, 0.722f, 0.35f, 0.72f, 0.35f,          // right edge
      0.28f, 0.37f, x, 0.37f, x, 0.35f, 0.28f, 0.35f,                    // fill
  };
  static const uint32_t indices[20] = {0, 1, 2,  3,  4,  5,  6,  7,  8,  9,
                                       10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  bar.SetAttribute(VertexAttribPosition, 2, 40, positions, 0);
  bar.SetIndices(20, indices);
  bar.Draw(GL_QUADS);
}

// The largest 4:3 rectangle centred in width x height.
ScreenRect FourByThree(uint32_t width, uint32_t height) {
  RenderSize size{width, height};
  if (static_cast<float>(width) / static_cast<float>(height) > 4.0f / 3.0f) {
    size.width = static_cast<uint32_t>(static_cast<float>(height) * 4.0f / 3.0f);
  } else {
    size.height = static_cast<uint32_t>(static_cast<float>(width) * 0.75f);
  }
  return LetterboxRect(width, height, size);
}

void WriteAsciiBar(AsciiEngine& engine, uint32_t total) {
  // 1 to 4 cells as the count reaches the total.
  const int64_t length =
      total == 0 ? 1 : static_cast<int64_t>(3) * loading_progress_count / total + 1;
  constexpr uint8_t kShades[3] = {176, 177, 178};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < AsciiEngine::kColumns && column < length; ++column) {
      const int cell = AsciiEngine::CellIndex(column, 44 + row);
      engine.characters[cell] = kShades[row];
      engine.foreground[cell] = 15;
      engine.background[cell] = 0;
    }
  }
}

void DrawLoadingScreenKind(const ScreenRect& viewport, float progress, uint32_t total) {
  switch (system_settings->loading_screen_kind) {
    case 0: DrawLoadingProgressBar(progress, total); break;
    case 1:
      DrawLoadingAscii(static_cast<uint32_t>(viewport.width),
                       static_cast<uint32_t>(viewport.height), total);
      break;
    case 2: DrawLoadingCircles(progress, total); break;
    default: ExitMsg(__FILE__, __LINE__, "Unknown loading screen");
  }
}

}  // namespace

ScreenRect LoadingScreenViewport(uint32_t width, uint32_t height, float aspect) {
  // A missing or broken aspect would give an empty or overflowing viewport: use the whole
  // window then. The limits keep every size the arithmetic makes within 32 bits.
  constexpr float kSmallest = 1e-6f, kLargest = 1e6f;
  if (!(aspect > 0.0f) || !std::isfinite(aspect)) {
    aspect = static_cast<float>(width) / static_cast<float>(std::max(height, 1u));
  }
  aspect = std::clamp(aspect, kSmallest, kLargest);
  RenderSize size = LetterboxSize(width, height, aspect);
  size.width = std::max(size.width, 1u);
  size.height = std::max(size.height, 1u);
  return LetterboxRect(width, std::max(height, 1u), size);
}

float LoadingShare(uint32_t count, uint32_t total) {
  return total == 0 ? 0.0f : static_cast<float>(count) / static_cast<float>(total);
}

void SetLoadingEscapeSource(std::function<bool()> source) { escape_source = std::move(source); }

void UpdateLoadingScreen(float progress, bool force) {
  if (data_init_finished) return;
  if (EscapePressed()) {
    LogInfo("  VK_ESCAPE caught at {}:{}", __FILE__, __LINE__);
    // At once and without clean-up: nothing of the half-loaded run is worth saving.
    std::exit(1);
  }
  const uint32_t now = GetTickCount();
  if (!force && BeforeDeadline(now)) return;
  redraw_deadline = now + kRedrawIntervalMs;

  DrainMessagesUntilPaint();
  const uint32_t total = UpdateProgressCount();
  if (window_height == 0) window_height = 1;
  // Without a context (no window yet, or code reading data without GL) there is nothing to draw.
  if (!system_settings || !IsGLContextCurrent()) return;
  const ScreenRect viewport = LoadingScreenViewport(window_width, window_height, window_aspect);
  glViewport(viewport.x, viewport.y, viewport.width, viewport.height);
  DrawLoadingScreenKind(viewport, ClampProgress(progress), total);
  SwapWindowBuffers();
}

void DrawLoadingProgressBar(float progress, uint32_t total) {
  ClearAll();
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  // Full brightness while loading; once the count is complete the hold fades it out.
  const bool count_past_half =
      static_cast<int64_t>(loading_progress_count) > static_cast<int64_t>(total) / 2;
  const float brightness = count_past_half ? progress : 1.0f;
  if (loading_screen_texture) DrawLogo(brightness);
  DrawBar(brightness, 0.28f + 0.44f * LoadingShare(loading_progress_count, total));
}

void DrawLoadingAscii(uint32_t viewport_width, uint32_t viewport_height, uint32_t total) {
  ClearAll();
  TextModeScreen& screen =
      Kept<TextModeScreen>(kTextModeScreen, [] { return std::make_unique<TextModeScreen>(); });
  AsciiEngine* engine = &screen.engine;
  if (!screen.buffer) {
    screen.buffer = std::make_unique<FBO>(static_cast<int32_t>(std::max(viewport_width, 1u)),
                                          static_cast<int32_t>(std::max(viewport_height, 1u)),
                                          FBOType::Color, 0);
  }
  FBO* buffer = screen.buffer.get();
  const ScreenRect area = FourByThree(std::max(viewport_width, 1u), std::max(viewport_height, 1u));
  engine->viewport = {area.x, area.y, area.width, area.height};
  WriteAsciiBar(*engine, total);

  buffer->Bind();
  engine->render(true);
  buffer->Unbind();

  GpuResources::Current().UseCopyProgram();
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, buffer->color_textures[0]->id);
  GpuResources::Current().DrawUnitQuad();
}

std::shared_ptr<ShaderConstructor> MakeCirclesLoadingScreenShader() {
  auto constructor = std::make_shared<ShaderConstructor>();
  constructor->name = "CirclesLoadingScreenShader";
  constructor->version = 420;
  return constructor;
}

void DrawLoadingCircles(float progress, uint32_t total) {
  ClearAll();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  ShaderProgram* program = &Kept<ShaderProgram>(kCirclesProgram, [] {
    using Type = ShaderPieceType;
    auto c = MakeCirclesLoadingScreenShader();
    c->AddStrings(Type::VERTEX_GLOBALS, {"uniform mat4 ProjectionMatrix;", "out vec2 FragPosition;",
                                         fmt::format("layout (location = {}) in vec2 Position;", 0)});
    c->AddStrings(Type::VERTEX_BODY, {"\tFragPosition = Position;",
                                      "\tgl_Position = ProjectionMatrix * vec4( Position, 0.0, 1.0 );"});
    c->AddStrings(Type::FRAGMENT_GLOBALS, {"uniform vec4 Color;", "uniform float Progress;",
                                           "out vec4 FragColor;", "in vec2 FragPosition;"});
    c->AddStrings(Type::FRAGMENT_BODY,
                  {"float intensity = 0.0;",
                   // pow() of a negative base is undefined in GLSL; length() is the same
                   // distance without it.
                   "float distance = length( vec2( 0.1 ) - FragPosition );",
                   "distance -= Progress * 0.5;", "intensity += Progress / ( distance * 1.8 );",
                   "\tFragColor = Color * intensity;"});
    return std::make_unique<ShaderProgram>(c);
  });
  program->Use();
  SetColor(*program, progress);
  const GLint location = program->GetUniformLocation("Progress");
  if (location >= 0) glUniform1f(location, LoadingShare(loading_progress_count, total) * 0.07f);
  SetProjection(*program);
  EasyDraw::DrawFullscreenQuad();
}
