// The dialog's logic without a display: lists and selections from the display modes and the
// settings, each control's effect on the settings, and the results that end the dialog.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include <fmt/format.h>

#include "support/messagebox_recorder.h"
#include "system/dialog_procedure.h"
#include "util/data/dialogactions.h"
#include "system/messagebox.h"
#include "tolmesystem.h"
#include "util/data/data.h"

using ::testing::ExitedWithCode;

namespace {

class DialogProcedureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateSystemSettings(6, DataMode::Read);
    EchoMessageBoxesToStderr();
  }
  void TearDown() override { SetMessageBoxHandler({}); }

  SystemSettings& settings() { return *system_settings; }

  StartupDialogProcedure& Start(DialogOptions options = {},
                                std::vector<DisplayMode> modes = {{1920, 1080}, {640, 480}}) {
    dialog_ = BuildStartupDialogTemplate(settings().title, options);
    procedure_ = std::make_unique<StartupDialogProcedure>(dialog_, settings(), actions_);
    procedure_->InitDialog(modes);
    return *procedure_;
  }

  std::string Selected(int id) {
    const DialogControlState& control = procedure_->Control(id);
    return control.entries.at(control.selected);
  }

  // Chooses a list entry by its text, as a person does.
  void Choose(int id, const std::string& text) {
    const std::vector<std::string>& entries = procedure_->Control(id).entries;
    auto found = std::find(entries.begin(), entries.end(), text);
    ASSERT_NE(found, entries.end()) << text;
    procedure_->Select(id, static_cast<int>(found - entries.begin()));
    procedure_->Command(id, DialogNotification::SelectionDone);
  }

  DialogTemplate dialog_;
  DialogDataActions actions_ = DataFileDialogActions();
  std::unique_ptr<StartupDialogProcedure> procedure_;
};

TEST_F(DialogProcedureTest, ModesAreDistinctSortedAndTheLargestIsChosenWhenNoneWas) {
  Start({}, {{1920, 1080}, {800, 600}, {1920, 1080}, {1280, 1024}, {1280, 720}, {800, 600}, {1920, 1200}});
  EXPECT_EQ(procedure_->Control(DialogId::Resolution).entries,
            (std::vector<std::string>{"800x600", "1280x720", "1280x1024", "1920x1080", "1920x1200"}));
  EXPECT_EQ(Selected(DialogId::Resolution), "1920x1200");
  EXPECT_EQ(settings().width, 1920u);
  EXPECT_EQ(settings().height, 1200u);
}

TEST_F(DialogProcedureTest, ChosenModeIsKeptAndAnUnknownOneFallsBackToTheFirst) {
  settings().width = 1280;
  settings().height = 720;
  Start({}, {{1920, 1080}, {1280, 720}, {640, 480}});
  EXPECT_EQ(Selected(DialogId::Resolution), "1280x720");

  settings().width = 1024;
  settings().height = 768;
  Start({}, {{1920, 1080}, {1280, 720}, {640, 480}});
  EXPECT_EQ(Selected(DialogId::Resolution), "640x480");
  EXPECT_EQ(settings().width, 640u);
  EXPECT_EQ(settings().height, 480u);
}

TEST_F(DialogProcedureTest, OnlyOneSideChosenCountsAsNotChosen) {
  settings().width = 640;
  settings().height = SystemSettings::kNotChosen;
  Start({}, {{640, 480}, {1920, 1080}});
  EXPECT_EQ(Selected(DialogId::Resolution), "1920x1080");
}

TEST_F(DialogProcedureTest, NoDisplayModeIsFatal) {
  EXPECT_EXIT(Start({}, {}), ExitedWithCode(1), "Assert failed");
}

TEST_F(DialogProcedureTest, SampleCountsSelectTheirEntryAndOthersFallBackTo4x) {
  const std::vector<std::pair<uint32_t, std::string>> cases = {
      {1, "None"}, {2, "2x"}, {4, "4x"}, {8, "8x"}, {16, "16x"}, {3, "4x"}, {0, "4x"}};
  for (const auto& [samples, entry] : cases) {
    SCOPED_TRACE(samples);
    settings().samples = samples;
    Start();
    EXPECT_EQ(Selected(DialogId::AntiAliasing), entry);
    EXPECT_EQ(settings().samples, entry == "None" ? 1u : std::stoul(entry));
  }
}

TEST_F(DialogProcedureTest, AspectsSelectTheirEntryAndOthersFallBackTo16By9) {
  const std::vector<std::tuple<uint32_t, uint32_t, std::string>> cases = {
      {4, 3, "4:3"}, {16, 9, "16:9"}, {16, 10, "16:10"}, {5, 4, "16:9"}, {21, 9, "16:9"}};
  for (const auto& [numerator, denominator, entry] : cases) {
    SCOPED_TRACE(entry);
    settings().aspect_numerator = numerator;
    settings().aspect_denominator = denominator;
    Start();
    EXPECT_EQ(Selected(DialogId::AspectRatio), entry);
    EXPECT_EQ(fmt::format("{}:{}", settings().aspect_numerator, settings().aspect_denominator), entry);
  }
}

TEST_F(DialogProcedureTest, ListsChangeSettingsOnConfirmedChoiceOnly) {
  Start({}, {{1920, 1080}, {1366, 768}});
  procedure_->Select(DialogId::Resolution, 0);
  procedure_->Command(DialogId::Resolution, DialogNotification::Clicked);
  EXPECT_EQ(settings().width, 1920u);
  procedure_->Command(DialogId::Resolution, DialogNotification::SelectionDone);
  EXPECT_EQ(settings().width, 1366u);
  EXPECT_EQ(settings().height, 768u);

  Choose(DialogId::AntiAliasing, "None");
  EXPECT_EQ(settings().samples, 1u);
  Choose(DialogId::AntiAliasing, "16x");
  EXPECT_EQ(settings().samples, 16u);

  Choose(DialogId::AspectRatio, "16:10");
  EXPECT_EQ(settings().aspect_numerator, 16u);
  EXPECT_EQ(settings().aspect_denominator, 10u);
  Choose(DialogId::AspectRatio, "4:3");
  EXPECT_EQ(settings().aspect_numerator, 4u);
  EXPECT_EQ(settings().aspect_denominator, 3u);
}

TEST_F(DialogProcedureTest, ListWithoutAReadableChoiceIsFatal) {
  Start();
  procedure_->Select(DialogId::AspectRatio, 7);
  EXPECT_EXIT(procedure_->Command(DialogId::AspectRatio, DialogNotification::SelectionDone),
              ExitedWithCode(1), "Unrecognized aspect ratio option !");
  procedure_->Select(DialogId::AntiAliasing, -1);
  EXPECT_EXIT(procedure_->Command(DialogId::AntiAliasing, DialogNotification::SelectionDone),
              ExitedWithCode(1), "Assert failed");
}

TEST_F(DialogProcedureTest, CheckBoxesShowAndSetTheirFlags) {
  settings().fullscreen = 1;
  settings().vsync = 0;
  Start();
  EXPECT_TRUE(procedure_->Control(DialogId::Fullscreen).checked);
  EXPECT_FALSE(procedure_->Control(DialogId::Vsync).checked);
  procedure_->SetChecked(DialogId::Fullscreen, false);
  procedure_->Command(DialogId::Fullscreen, DialogNotification::Clicked);
  procedure_->SetChecked(DialogId::Vsync, true);
  procedure_->Command(DialogId::Vsync, DialogNotification::Clicked);
  EXPECT_EQ(settings().fullscreen, 0u);
  EXPECT_EQ(settings().vsync, 1u);
}

TEST_F(DialogProcedureTest, RunQuitAndGetAviEndTheDialogWithTheirIds) {
  Start({false, true});
  EXPECT_EQ(procedure_->Command(DialogId::Run, DialogNotification::Clicked), 1);
  EXPECT_EQ(procedure_->Command(DialogId::Quit, DialogNotification::Clicked), 2);
  EXPECT_EQ(settings().avi_capture, 0);
  EXPECT_EQ(procedure_->Command(DialogId::GetAvi, DialogNotification::Clicked), 106);
  EXPECT_EQ(settings().avi_capture, 1);
}

TEST_F(DialogProcedureTest, StartUpPassClearsSyncClientWithoutItsBox) {
  settings().sync_client = 1;
  Start();
  EXPECT_EQ(settings().sync_client, 0u);
}

TEST_F(DialogProcedureTest, StartUpPassKeepsSyncClientWithItsBoxAndShowsTheHost) {
  settings().sync_client = 1;
  std::strcpy(settings().sync_host, "editor.example");
  Start({true, false});
  EXPECT_EQ(settings().sync_client, 1u);
  EXPECT_TRUE(procedure_->Control(DialogId::SyncClient).checked);
  EXPECT_EQ(procedure_->Control(DialogId::SyncHost).text, "editor.example");
  procedure_->SetChecked(DialogId::SyncClient, false);
  procedure_->Command(DialogId::SyncClient, DialogNotification::Clicked);
  EXPECT_EQ(settings().sync_client, 0u);
}

TEST_F(DialogProcedureTest, HostFieldFillsTheSettingsUpTo254Characters) {
  Start({true, false});
  procedure_->SetText(DialogId::SyncHost, "10.0.0.7");
  procedure_->Command(DialogId::SyncHost, DialogNotification::TextChanged);
  EXPECT_STREQ(settings().sync_host, "10.0.0.7");
  const std::string longest(254, 'h');
  procedure_->SetText(DialogId::SyncHost, longest);
  procedure_->Command(DialogId::SyncHost, DialogNotification::TextChanged);
  EXPECT_EQ(settings().sync_host, longest);
  procedure_->SetText(DialogId::SyncHost, "");
  procedure_->Command(DialogId::SyncHost, DialogNotification::TextChanged);
  EXPECT_STREQ(settings().sync_host, "");
}

TEST_F(DialogProcedureTest, HostOf255CharactersIsFatal) {
  Start({true, false});
  procedure_->SetText(DialogId::SyncHost, std::string(255, 'h'));
  EXPECT_EXIT(procedure_->Command(DialogId::SyncHost, DialogNotification::TextChanged), ExitedWithCode(1),
              "IP address string too big for string buffer!");
}

// A packed data file written byte by byte: header, version 2.0, chunk area size, one zlib
// stream of "VTLDFC" chunks.
void WritePackedFile(const std::string& path, const std::vector<std::pair<std::string, std::string>>& files) {
  std::string chunks;
  auto put32 = [&chunks](uint32_t value) {
    for (int i = 0; i < 4; ++i) chunks += static_cast<char>(value >> (8 * i));
  };
  for (const auto& [name, data] : files) {
    chunks += "VTLDFC";
    put32(static_cast<uint32_t>(name.size()));
    put32(static_cast<uint32_t>(data.size()));
    chunks += name + data;
  }
  std::vector<Bytef> packed(compressBound(chunks.size()));
  uLongf packed_size = packed.size();
  ASSERT_EQ(compress(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(chunks.data()), chunks.size()),
            Z_OK);
  std::ofstream out(path, std::ios::binary);
  const uint32_t size = static_cast<uint32_t>(chunks.size());
  out << "Vorantil Data File" << '\x02' << '\x00';
  for (int i = 0; i < 4; ++i) out << static_cast<char>(size >> (8 * i));
  out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed_size));
}

TEST_F(DialogProcedureTest, GetMp3ReadsThePackedFileOnceAndExportsOnEveryPress) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "dialog_get_mp3";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  WritePackedFile("data.vtl", {{"data/music/song.mp3", "ID3 song"}, {"data/shaders/a.frag", "void main"}});
  data_file_entries.clear();
  data_file_loaded = false;
  data_mode = DataMode::Disk;
  MessageBoxRecorder boxes;

  Start();
  EXPECT_EQ(procedure_->Command(DialogId::GetMp3, DialogNotification::Clicked), std::nullopt);
  EXPECT_EQ(data_mode, DataMode::Read);
  std::filesystem::remove("data.vtl");  // a second read would fail
  std::filesystem::remove("song.mp3");
  EXPECT_EQ(procedure_->Command(DialogId::GetMp3, DialogNotification::Clicked), std::nullopt);

  std::ifstream exported("song.mp3", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(exported), {}), "ID3 song");
  ASSERT_EQ(boxes.shown().size(), 2u);
  for (const MessageBoxRequest& box : boxes.shown()) {
    EXPECT_EQ(box.caption, "Success");
    EXPECT_EQ(box.text, "Successfully exported song.mp3 to the current folder");
  }
  EXPECT_FALSE(std::filesystem::exists("a.frag"));
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
  data_file_entries.clear();
  data_file_loaded = false;
}

}  // namespace
