// The data layer tells the installed observer of every file read, and nobody once it is removed.

#include <gtest/gtest.h>

#include "util/data/data.h"

namespace {

TEST(ReadProgressObserver, HearsOfEveryReadUntilRemoved) {
  data_mode = DataMode::Disk;
  int reads = 0;
  SetReadProgressObserver([&reads] { ++reads; });
  GetFileBytes("data/effects/postproc/blur/blur.frag", "rb", false);
  GetFileBytes("data/effects/postproc/fade/fade.frag", "rb", false);
  EXPECT_EQ(reads, 2);
  SetReadProgressObserver(nullptr);
  GetFileBytes("data/effects/postproc/blur/blur.frag", "rb", false);
  EXPECT_EQ(reads, 2);
}

}  // namespace
