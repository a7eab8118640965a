#include <gtest/gtest.h>

#include <stdexcept>

#include "support/messagebox_recorder.h"
#include "system/clock.h"
#include "system/log.h"

namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLocalTimeSource([] { return LocalTime{9, 5, 3, 7}; });
  }
  void TearDown() override { SetLocalTimeSource(nullptr); }
};

TEST_F(LogTest, TimestampIsZeroPaddedWithATrailingBlank) {
  EXPECT_EQ(Timestamp(), "[09:05:03:007] ");
  EXPECT_EQ(FormatTimestamp(LocalTime{23, 59, 59, 999}), "[23:59:59:999] ");
}

TEST_F(LogTest, LogWritesTimestampAndTextWithoutALineEnd) {
  testing::internal::CaptureStdout();
  Log("{}\n", "Bye!");
  Log("{} and {}", 1, "two");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[09:05:03:007] Bye!\n[09:05:03:007] 1 and two");
}

TEST_F(LogTest, LogLineEndsTheLine) {
  testing::internal::CaptureStdout();
  LogLine("Caught exception in message loop: {}", "boom");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[09:05:03:007] Caught exception in message loop: boom\n");
}

TEST_F(LogTest, InfoLinesAreNeverPrinted) {
  testing::internal::CaptureStdout();
  LogInfo("Using GLEW {}", "2.2.0");
  LogInfo("Got unhandled message: {:#x}", 0x1234);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(ErrorTexts, CaptionAndTextNameTheFileAndLine) {
  EXPECT_EQ(FormatErrorTitle("src/a.cpp", 42), "Error in file src/a.cpp:42");
  EXPECT_EQ(FormatErrorText("src/a.cpp", 42, "Oops"), "Error in file src/a.cpp:42:\nOops");
}

TEST(FatalExitDeathTest, PrintsShowsTheBoxAndExitsWithOne) {
  EXPECT_EXIT(
      {
        SetMessageBoxHandler([](const MessageBoxRequest& request) {
          // The box is the last thing before the exit: report what it showed on stderr.
          fprintf(stderr, "caption=[%s] text=[%s] buttons=%d\n", request.caption.c_str(),
                  request.text.c_str(), static_cast<int>(request.buttons));
          return MessageBoxResult::Ok;
        });
        ExitMsg("src/x.cpp", 7, "Something broke");
      },
      testing::ExitedWithCode(1),
      "caption=\\[Error in file src/x.cpp:7\\] text=\\[Error in file src/x.cpp:7:\nSomething "
      "broke\\] buttons=0");
}

TEST(FatalExitDeathTest, PrintsTheErrorLineOnStdout) {
  // Death tests only match stderr: send stdout there in the child.
  EXPECT_EXIT(
      {
        dup2(2, 1);
        MessageBoxRecorder recorder;
        ExitMsgFmt("src/y.cpp", 12, "Expected datafile format {}.{}, got {}.{}", 2, 0, 2, 1);
      },
      testing::ExitedWithCode(1),
      "\\] Error in file src/y.cpp:12:\nExpected datafile format 2.0, got 2.1");
}

TEST(FatalExitDeathTest, AFatalErrorDuringTheFatalExitEndsTheProcess) {
  EXPECT_EXIT(
      {
        dup2(2, 1);
        SetMessageBoxHandler([](const MessageBoxRequest&) -> MessageBoxResult {
          ExitMsg("src/inner.cpp", 2, "second failure");
        });
        ExitMsg("src/outer.cpp", 1, "first failure");
      },
      testing::ExitedWithCode(1), "Error in file src/inner.cpp:2:\nsecond failure");
}

TEST(FatalExitDeathTest, AnExceptionWhileReportingEndsTheProcessWithItsText) {
  EXPECT_EXIT(
      {
        SetMessageBoxHandler([](const MessageBoxRequest&) -> MessageBoxResult {
          throw std::runtime_error("no box today");
        });
        ExitMsg("src/z.cpp", 3, "first failure");
      },
      testing::ExitedWithCode(1), "Fatal error during ExitMsg!\nException: no box today\n");
}

}  // namespace
