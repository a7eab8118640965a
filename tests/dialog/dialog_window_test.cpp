// The real dialog on an X display: it appears with the production's title, answers keys as a
// person would press them, and is gone before ShowStartupDialog returns.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

#include "system/dialog.h"
#include "system/dialog_template.h"
#include "tolmesystem.h"
#include "util/data/data.h"

namespace {

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char chunk[4096];
  size_t read;
  while ((read = fread(chunk, 1, sizeof(chunk), pipe)) > 0) output.append(chunk, read);
  pclose(pipe);
  return output;
}

// The id of the viewable top-level window with this name, or empty.
std::string FindShownWindow(const std::string& name) {
  const std::string tree = RunCommand("xwininfo -root -tree 2>/dev/null");
  const std::regex line("^\\s*(0x[0-9a-f]+) \"([^\"]*)\":");
  std::smatch match;
  size_t start = 0;
  while (start < tree.size()) {
    size_t end = tree.find('\n', start);
    if (end == std::string::npos) end = tree.size();
    const std::string text = tree.substr(start, end - start);
    start = end + 1;
    if (!std::regex_search(text, match, line) || match[2] != name) continue;
    const std::string id = match[1];
    if (RunCommand("xwininfo -id " + id).find("IsViewable") != std::string::npos) return id;
  }
  return "";
}

// Presses `keys` in the dialog once it is shown. The dialog blocks the test's thread, so a
// dialog that never appears ends the whole test program.
class KeyPresser {
 public:
  KeyPresser(std::string title, std::string keys)
      : thread_([this, title = std::move(title), keys = std::move(keys)] { Press(title, keys); }) {}
  ~KeyPresser() { thread_.join(); }

 private:
  void Press(const std::string& title, const std::string& keys) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string id;
    while ((id = FindShownWindow(title)).empty()) {
      if (std::chrono::steady_clock::now() > deadline) {
        std::fprintf(stderr, "The dialog \"%s\" did not appear\n", title.c_str());
        std::_Exit(1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    RunCommand("xdotool windowfocus --sync " + id + " key --delay 50 " + keys);
  }

  std::thread thread_;
};

class DialogWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display";
    // A toolkit that set the locale from the environment would now leave "C".
    setenv("LC_ALL", "C.UTF-8", 1);
    CreateSystemSettings(6, DataMode::Read);
  }

  int ShowAndPress(const std::string& keys, const DialogOptions& options = BuiltDialogOptions()) {
    KeyPresser presser(system_settings->title, keys);
    return ShowStartupDialog(options);
  }
};

TEST_F(DialogWindowTest, EnterRunsWithTheLargestModeAndLeavesNoWindowOrLocaleBehind) {
  EXPECT_EQ(ShowAndPress("Return"), 1);
  EXPECT_NE(system_settings->width, SystemSettings::kNotChosen);
  EXPECT_GT(system_settings->width, 0u);
  EXPECT_EQ(FindShownWindow("Cindercoil"), "");
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

TEST_F(DialogWindowTest, EscapeQuits) {
  EXPECT_EQ(ShowAndPress("Escape"), 2);
}

TEST_F(DialogWindowTest, MnemonicsPressTheirButtons) {
  EXPECT_EQ(ShowAndPress("alt+q"), 2);
  EXPECT_EQ(ShowAndPress("alt+r"), 1);
}

TEST_F(DialogWindowTest, TabbedToQuitEnterPressesQuit) {
  // Tab order is the template's: lists, "&Run", "&Fullscreen", "&Quit" ("Get &avi" is disabled).
  EXPECT_EQ(ShowAndPress("Tab Tab Tab Tab Tab Return"), 2);
}

TEST_F(DialogWindowTest, CheckBoxesAndListsChangeTheSettings) {
  system_settings->fullscreen = 1;
  system_settings->samples = 4;
  // Space on "&Fullscreen" unticks it; on the anti-aliasing list, Down moves to "8x".
  EXPECT_EQ(ShowAndPress("Tab Down Tab Tab Tab space Return"), 1);
  EXPECT_EQ(system_settings->fullscreen, 0u);
  EXPECT_EQ(system_settings->samples, 8u);
}

TEST_F(DialogWindowTest, EnabledGetAviStartsCapture) {
  EXPECT_EQ(ShowAndPress("alt+a", DialogOptions{false, true}), 106);
  EXPECT_EQ(system_settings->avi_capture, 1);
}

TEST_F(DialogWindowTest, GetAviIsDisabledInTheBuiltDialog) {
  EXPECT_EQ(ShowAndPress("alt+a Escape", DialogOptions{false, false}), 2);
  EXPECT_EQ(system_settings->avi_capture, 0);
}

TEST_F(DialogWindowTest, HostFieldTakesTypedText) {
  system_settings->sync_client = 0;
  // Tab order ends with the sync-client box and the host field.
  EXPECT_EQ(ShowAndPress("alt+s shift+Tab Tab Tab ctrl+a e d i t o r Return", DialogOptions{true, false}), 1);
  EXPECT_EQ(system_settings->sync_client, 1u);
  EXPECT_STREQ(system_settings->sync_host, "editor");
}

TEST(DialogWithoutDisplay, CannotBeCreated) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        CreateSystemSettings(6, DataMode::Read);
        std::exit(ShowStartupDialog() == -1 ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
