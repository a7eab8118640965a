// The real dialog on an X display: it appears titled with the settings' title, answers keys as
// a person would press them, and is gone before ShowStartupDialog returns.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <sstream>

#include "support/run_command.h"
#include "system/dialog.h"
#include "system/dialog_gtk.h"
#include "system/dialog_procedure.h"
#include "system/dialog_template.h"
#include "system/displaymodes.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/data/dialogactions.h"

namespace {

// While set, a SIGINT is raised right after GLib's watch of SIGINT goes (as one from outside may
// arrive then): see the GLib stand-ins below.
std::atomic<bool> raise_as_the_watch_goes{false};
std::atomic<unsigned> sigint_watch{0};
volatile sig_atomic_t sigints_taken = 0;

}  // namespace

// Stand-ins for GLib's, which they call: they note the source that watches SIGINT and raise
// SIGINT as it is removed. The program's calls bind to these.
extern "C" unsigned g_unix_signal_add(int signal, int (*handler)(void*), void* data) {
  using Add = unsigned (*)(int, int (*)(void*), void*);
  static const auto glib_add = reinterpret_cast<Add>(dlsym(RTLD_NEXT, "g_unix_signal_add"));
  const unsigned source = glib_add(signal, handler, data);
  if (signal == SIGINT) sigint_watch = source;
  return source;
}

extern "C" int g_source_remove(unsigned source) {
  using Remove = int (*)(unsigned);
  static const auto glib_remove = reinterpret_cast<Remove>(dlsym(RTLD_NEXT, "g_source_remove"));
  const int removed = glib_remove(source);
  if (raise_as_the_watch_goes && source == sigint_watch) raise(SIGINT);
  return removed;
}

namespace {

// The id of the viewable top-level window with this name, or empty.
std::string FindShownWindow(const std::string& name) {
  const std::string tree = RunCommand("xwininfo -root -tree 2>/dev/null").output;
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
    if (RunCommand("xwininfo -id " + id).output.find("IsViewable") != std::string::npos) return id;
  }
  return "";
}

// Each key right after taking the focus, which another program's window may have taken.
void PressKeys(const std::string& window_id, const std::string& keys) {
  std::string command = "xdotool";
  std::istringstream words(keys);
  for (std::string key; words >> key;)
    command += " windowfocus --sync " + window_id + " key " + key + " sleep 0.05";
  RunCommand(command);
}

// What a window manager sends when the close box is pressed: WM_PROTOCOLS with
// WM_DELETE_WINDOW. Sent from another process so that only the dialog's thread uses Xlib here.
void PressCloseBox(const std::string& window_id) {
  RunCommand("python3 - " + window_id + R"( <<'EOF'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
display = x.XOpenDisplay(None)
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.window = int(sys.argv[1], 16)
event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, event.xclient.window, 0, 0, ctypes.byref(event))
x.XFlush(display)
EOF)");
}

// Acts on the dialog once it is shown. The dialog blocks the test's thread, so a dialog that
// never appears ends the whole test program.
class DialogDriver {
 public:
  DialogDriver(std::string title, std::function<void(const std::string&)> act)
      : thread_([this, title = std::move(title), act = std::move(act)] { act(WaitForWindow(title)); }) {}
  ~DialogDriver() { thread_.join(); }

 private:
  static std::string WaitForWindow(const std::string& title) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string id;
    while ((id = FindShownWindow(title)).empty()) {
      if (std::chrono::steady_clock::now() > deadline) {
        std::fprintf(stderr, "The dialog \"%s\" did not appear\n", title.c_str());
        std::_Exit(1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return id;
  }

  std::thread thread_;
};

// Keyboard focus is one per display: dialogs of test programs running side by side take turns.
class DisplayLock {
 public:
  DisplayLock() {
    std::string display = std::getenv("DISPLAY");
    for (char& c : display) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    fd_ = open(("/tmp/player-dialog-test-" + display + ".lock").c_str(), O_CREAT | O_RDWR, 0666);
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~DisplayLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }

 private:
  int fd_ = -1;
};

class DialogWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display";
    // A toolkit that set the locale from the environment would now leave "C".
    setenv("LC_ALL", "C.UTF-8", 1);
    CreateSystemSettings(6, DataMode::Read);
    // Test programs run side by side on one display; each looks only for its own dialog.
    system_settings->title += " " + std::to_string(getpid());
  }

  int ShowAndDo(std::function<void(const std::string&)> act, const DialogOptions& options) {
    DisplayLock lock;
    DialogDriver driver(system_settings->title, std::move(act));
    return ShowStartupDialog(options, DataFileDialogActions());
  }

  int ShowAndPress(const std::string& keys, const DialogOptions& options = DialogOptions{}) {
    return ShowAndDo([keys](const std::string& id) { PressKeys(id, keys); }, options);
  }
};

TEST_F(DialogWindowTest, EnterRunsWithTheLargestModeAndLeavesNoWindowOrLocaleBehind) {
  EXPECT_EQ(ShowAndPress("Return"), 1);
  EXPECT_NE(system_settings->width, SystemSettings::kNotChosen);
  EXPECT_GT(system_settings->width, 0u);
  EXPECT_EQ(FindShownWindow(system_settings->title), "");
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

TEST_F(DialogWindowTest, EscapeQuits) {
  EXPECT_EQ(ShowAndPress("Escape"), 2);
}

TEST_F(DialogWindowTest, CloseBoxQuits) {
  EXPECT_EQ(ShowAndDo(PressCloseBox, DialogOptions{}), 2);
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

TEST_F(DialogWindowTest, ExceptionFromAControlEndsTheDialogAndReachesTheCaller) {
  ASSERT_TRUE(InitDialogToolkit());
  const DialogTemplate dialog = BuildStartupDialogTemplate(system_settings->title, DialogOptions{});
  DialogDataActions actions{[](const std::string&) { throw std::runtime_error("no data here"); },
                            [] {}};
  StartupDialogProcedure procedure(dialog, *system_settings, actions);
  procedure.InitDialog({{640, 480}});
  DisplayLock lock;
  DialogDriver driver(system_settings->title, [](const std::string& id) { PressKeys(id, "alt+m"); });
  try {
    RunDialogWindow(dialog, procedure);
    ADD_FAILURE() << "the dialog ended without the exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "no data here");
  }
  EXPECT_EQ(FindShownWindow(system_settings->title), "");
}

// GLib puts a signal back to its default action, ending the process, as its last watch of it
// goes: a SIGINT that comes as the dialog takes its watch down reaches the handler that was in
// place before the dialog (the window layer's) all the same.
TEST_F(DialogWindowTest, SigintAsTheWatchGoesReachesTheHandlerBefore) {
  struct sigaction taking {}, before {};
  taking.sa_handler = [](int) { sigints_taken = sigints_taken + 1; };
  sigemptyset(&taking.sa_mask);
  sigaction(SIGINT, &taking, &before);
  raise_as_the_watch_goes = true;
  EXPECT_EQ(ShowAndPress("Escape"), 2);
  raise_as_the_watch_goes = false;
  sigaction(SIGINT, &before, nullptr);
  EXPECT_EQ(sigints_taken, 1);
}

TEST(DialogWithoutDisplay, CannotBeCreated) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        CreateSystemSettings(6, DataMode::Read);
        std::exit(ShowStartupDialog(DialogOptions{}, DataFileDialogActions()) == -1 ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
