#include "show_run.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "scenes/scenemanager.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/easydraw/easydraw.h"
#include "util/gpuresources/gpuresources.h"
#include "util/music/music.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track.h"

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

BareCopy::BareCopy()
    : program_(MakeTextured2DShader("bench")),
      source_(kShowWidth, kShowHeight, FBOType::Color, 0),
      target_(kShowWidth, kShowHeight, FBOType::Color, 0) {}

double BareCopy::Seconds() {
  glFinish();
  const double start = NowSeconds();
  program_.Use();
  glUniformMatrix4fv(program_.GetUniformLocation("ProjectionMatrix"), 1, GL_FALSE,
                     GpuResources::UnitSquareProjection().data());
  glDisable(GL_DEPTH_TEST);
  target_.Bind();
  glBindTexture(GL_TEXTURE_2D, source_.color_textures[0]->id);
  EasyDraw::DrawQuad(0, 0, 1, 1);
  target_.Unbind();
  glFinish();
  return NowSeconds() - start;
}

PassSplit::PassSplit() { SetPassTimer(this); }
PassSplit::~PassSplit() { SetPassTimer(nullptr); }

void PassSplit::BeginFrame() {
  glFinish();
  frame_.clear();
  open_.clear();
  mark_ = NowSeconds();
}

void PassSplit::EndFrame() {
  glFinish();
  Charge();
}

void PassSplit::Charge() {
  const double now = NowSeconds();
  frame_[open_.empty() ? std::string("rest") : open_.back()] += now - mark_;
  mark_ = now;
}

void PassSplit::Begin(const char* name) {
  Charge();
  open_.emplace_back(name);
}

void PassSplit::End() {
  Charge();
  if (!open_.empty()) open_.pop_back();
}

struct ShowRun::Held {
  SyncTrack* track;
  std::vector<SyncKey> keys;
};

ShowRun::ShowRun(uint32_t production, const std::string& folder)
    : home_(std::filesystem::current_path()) {
  std::filesystem::current_path(folder);
  CreateSystemSettings(production, DataMode::Disk);
  data_mode = DataMode::Disk;
  system_settings->width = kShowWidth;
  system_settings->height = kShowHeight;
  system_settings->loading_hold_ms = 0;
  system_settings->fullscreen = 0;
  const double start = NowSeconds();
  manager = std::make_unique<SceneManager>();
  // Paused, the song stays where each frame puts it and its end does not stop the run.
  manager->music->Start();
  manager->music->SetPaused(true);
  load_seconds = NowSeconds() - start;
}

ShowRun::~ShowRun() {
  manager.reset();
  std::filesystem::current_path(home_);
}

double ShowRun::Frame(double at) {
  manager->music->SetPositionSeconds(at);
  glFinish();
  const double start = NowSeconds();
  manager->RenderFrame();
  glFinish();
  return NowSeconds() - start;
}

void ShowRun::Hold(const std::string& name, float value) {
  SyncTrack* track = SyncFindTrack(*manager->music->device, name);
  if (!track) return;
  held_.push_back({track, track->keys});
  track->keys = {SyncKey{0, value, SyncKeyType::Step}};
}

void ShowRun::ReleaseAll() {
  // Newest first, so a track held twice gets its first keys back.
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) it->track->keys = it->keys;
  held_.clear();
}

float ShowRun::Track(const std::string& name) const {
  const SyncTrack* track = SyncFindTrack(*manager->music->device, name);
  return track ? manager->music->GetSyncValue(*track) : 0.0f;
}

double ShowRun::length_seconds() const { return manager->music->GetLengthInSeconds(); }

namespace {

double Quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(q * values.size()));
  return values[at];
}

}  // namespace

ShowStats StatsOf(const std::vector<ShowSample>& samples) {
  ShowStats stats;
  std::vector<double> costs;
  for (const ShowSample& s : samples) costs.push_back(s.copies);
  stats.median = Quantile(costs, 0.5);
  stats.p95 = Quantile(costs, 0.95);
  for (size_t i = 1; i < samples.size(); ++i) {
    if (samples[i].copies > stats.worst_after_first) {
      stats.worst_after_first = samples[i].copies;
      stats.worst_at = samples[i].at;
    }
  }
  return stats;
}

void PrintShowReport(const char* title, const std::vector<ShowSample>& samples) {
  const ShowStats all = StatsOf(samples);
  std::printf("%s: %zu frames, median %.1f, p95 %.1f, worst after the first %.1f (at %.1f s) bare copies\n",
              title, samples.size(), all.median, all.p95, all.worst_after_first, all.worst_at);
  std::map<std::string, std::vector<ShowSample>> sections;
  for (const ShowSample& s : samples) sections[s.section].push_back(s);
  for (const auto& [name, members] : sections) {
    const ShowStats stats = StatsOf(members);
    std::printf("  %-24s %4zu frames  median %6.1f  p95 %6.1f", name.c_str(), members.size(),
                stats.median, stats.p95);
    // Each pass's median over the section (a pass missing from a frame costs 0 there).
    std::map<std::string, std::vector<double>> passes;
    for (const ShowSample& s : members) {
      for (const auto& [pass, copies] : s.passes) passes[pass].resize(members.size(), 0.0);
    }
    for (size_t i = 0; i < members.size(); ++i) {
      for (const auto& [pass, copies] : members[i].passes) passes[pass][i] = copies;
    }
    for (const auto& [pass, values] : passes) {
      std::printf("  %s %.1f", pass.c_str(), Quantile(values, 0.5));
    }
    std::printf("\n");
  }
}
