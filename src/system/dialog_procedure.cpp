#include "system/dialog_procedure.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include <fmt/format.h>

#include "system/log.h"
#include "tolmesystem.h"

namespace {

constexpr char kDataFileName[] = "data.vtl";
constexpr size_t kSyncHostLimit = sizeof(SystemSettings::sync_host) - 1;

const std::vector<std::string> kAntiAliasingNames = {"None", "2x", "4x", "8x", "16x"};
const std::vector<uint32_t> kSampleCounts = {1, 2, 4, 8, 16};
const std::vector<std::string> kAspectNames = {"4:3", "16:9", "16:10"};
const std::vector<std::pair<uint32_t, uint32_t>> kAspects = {{4, 3}, {16, 9}, {16, 10}};
constexpr int kDefaultSamplesIndex = 2;  // "4x"
constexpr int kDefaultAspectIndex = 1;   // "16:9"

const DialogControlState kAbsentControl;

bool ParseDecimal(std::string_view text, uint32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

StartupDialogProcedure::StartupDialogProcedure(const DialogTemplate& dialog, SystemSettings& settings,
                                               DialogDataActions actions)
    : settings_(settings), actions_(std::move(actions)) {
  for (const DialogItem& item : dialog.items) {
    if (item.id != DialogId::Label) controls_[item.id] = DialogControlState{};
  }
}

DialogControlState* StartupDialogProcedure::Find(int id) {
  auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

const DialogControlState& StartupDialogProcedure::Control(int id) const {
  auto found = controls_.find(id);
  return found == controls_.end() ? kAbsentControl : found->second;
}

void StartupDialogProcedure::Select(int id, int index) {
  if (DialogControlState* control = Find(id)) control->selected = index;
}

void StartupDialogProcedure::SetChecked(int id, bool checked) {
  if (DialogControlState* control = Find(id)) control->checked = checked;
}

void StartupDialogProcedure::SetText(int id, const std::string& text) {
  if (DialogControlState* control = Find(id)) control->text = text;
}

std::string StartupDialogProcedure::SelectedText(int id) const {
  const DialogControlState& control = Control(id);
  if (control.selected < 0 || control.selected >= static_cast<int>(control.entries.size())) return "";
  return control.entries[control.selected];
}

void StartupDialogProcedure::InitDialog(const std::vector<DisplayMode>& display_modes) {
  FillResolutions(display_modes);
  FillAntiAliasing();
  FillAspectRatios();
  SetChecked(DialogId::Fullscreen, settings_.fullscreen != 0);
  SetChecked(DialogId::Vsync, settings_.vsync != 0);
  SetChecked(DialogId::SyncClient, settings_.sync_client != 0);
  SetText(DialogId::SyncHost, settings_.sync_host);
  // Without a sync-client box this pass reads it as unticked and clears the flag.
  for (int id : {DialogId::Resolution, DialogId::AntiAliasing, DialogId::Fullscreen, DialogId::Vsync,
                 DialogId::AspectRatio, DialogId::SyncClient}) {
    Command(id, DialogNotification::SelectionDone);
  }
}

void StartupDialogProcedure::FillResolutions(const std::vector<DisplayMode>& display_modes) {
  const std::vector<DisplayMode> modes = DistinctDisplayModes(display_modes);
  if (modes.empty()) ExitMsg(__FILE__, __LINE__, "Assert failed");
  DialogControlState* control = Find(DialogId::Resolution);
  if (!control) return;
  control->entries.clear();
  control->selected = 0;
  for (size_t i = 0; i < modes.size(); ++i) {
    control->entries.push_back(fmt::format("{}x{}", modes[i].width, modes[i].height));
    if (modes[i].width == settings_.width && modes[i].height == settings_.height)
      control->selected = static_cast<int>(i);
  }
  if (settings_.width == SystemSettings::kNotChosen || settings_.height == SystemSettings::kNotChosen)
    control->selected = static_cast<int>(modes.size()) - 1;
}

void StartupDialogProcedure::FillAntiAliasing() {
  DialogControlState* control = Find(DialogId::AntiAliasing);
  if (!control) return;
  control->entries = kAntiAliasingNames;
  auto found = std::find(kSampleCounts.begin(), kSampleCounts.end(), settings_.samples);
  if (found == kSampleCounts.end()) {
    LogInfo("Unrecognized number of default samples {}, going for 4x", settings_.samples);
    control->selected = kDefaultSamplesIndex;
  } else {
    control->selected = static_cast<int>(found - kSampleCounts.begin());
  }
}

void StartupDialogProcedure::FillAspectRatios() {
  DialogControlState* control = Find(DialogId::AspectRatio);
  if (!control) return;
  control->entries = kAspectNames;
  const std::pair<uint32_t, uint32_t> aspect{settings_.aspect_numerator, settings_.aspect_denominator};
  auto found = std::find(kAspects.begin(), kAspects.end(), aspect);
  if (found == kAspects.end()) {
    LogInfo("Unrecognized aspect ratio {}:{}, setting default", aspect.first, aspect.second);
    control->selected = kDefaultAspectIndex;
  } else {
    control->selected = static_cast<int>(found - kAspects.begin());
  }
}

std::optional<int> StartupDialogProcedure::Command(int id, DialogNotification notification) {
  const bool selection_done = notification == DialogNotification::SelectionDone;
  switch (id) {
    case DialogId::Run:
    case DialogId::Quit:
      return id;
    case DialogId::Resolution:
      if (selection_done) ReadResolution();
      break;
    case DialogId::Fullscreen:
      settings_.fullscreen = Control(id).checked ? 1 : 0;
      break;
    case DialogId::AntiAliasing:
      if (selection_done) ReadAntiAliasing();
      break;
    case DialogId::Vsync:
      settings_.vsync = Control(id).checked ? 1 : 0;
      break;
    case DialogId::AspectRatio:
      if (selection_done) ReadAspectRatio();
      break;
    case DialogId::GetMp3:
      GetMp3();
      break;
    case DialogId::GetAvi:
      settings_.avi_capture = 1;
      return id;
    case DialogId::SyncClient:
      settings_.sync_client = Control(id).checked ? 1 : 0;
      break;
    case DialogId::SyncHost:
      ReadSyncHost();
      break;
    default:
      LogInfo("Unrecognized command {}, HIWORD {}, LOWORD {}", id, static_cast<int>(notification), id);
      break;
  }
  return std::nullopt;
}

// "1920x1080": width before the first "x", height after it.
void StartupDialogProcedure::ReadResolution() {
  const std::string text = SelectedText(DialogId::Resolution);
  const size_t split = text.find('x');
  uint32_t width = 0, height = 0;
  if (split == std::string::npos || !ParseDecimal(std::string_view(text).substr(0, split), width) ||
      !ParseDecimal(std::string_view(text).substr(split + 1), height)) {
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  settings_.width = width;
  settings_.height = height;
}

void StartupDialogProcedure::ReadAntiAliasing() {
  const std::string text = SelectedText(DialogId::AntiAliasing);
  if (text == "None") {
    settings_.samples = 1;
    return;
  }
  int samples = 0;
  if (std::sscanf(text.c_str(), "%ix", &samples) != 1) ExitMsg(__FILE__, __LINE__, "Assert failed");
  settings_.samples = static_cast<uint32_t>(samples);
}

void StartupDialogProcedure::ReadAspectRatio() {
  const std::string text = SelectedText(DialogId::AspectRatio);
  auto found = std::find(kAspectNames.begin(), kAspectNames.end(), text);
  if (found == kAspectNames.end())
    ExitMsgFmt(__FILE__, __LINE__, "Unrecognized aspect ratio option {}!", text);
  const auto [numerator, denominator] = kAspects[found - kAspectNames.begin()];
  settings_.aspect_numerator = numerator;
  settings_.aspect_denominator = denominator;
}

void StartupDialogProcedure::ReadSyncHost() {
  const std::string& text = Control(DialogId::SyncHost).text;
  if (text.size() >= kSyncHostLimit)
    ExitMsg(__FILE__, __LINE__, "IP address string too big for string buffer!");
  std::memcpy(settings_.sync_host, text.c_str(), text.size() + 1);
}

// The packed data file is read on the first press only; every press exports again.
void StartupDialogProcedure::GetMp3() {
  actions_.read_data_file(kDataFileName);
  actions_.export_mp3();
}
