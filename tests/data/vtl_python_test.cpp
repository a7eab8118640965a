// The packed data file checked against an independent reader and writer in Python.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "data/data_fixture.h"
#include "util/data/data.h"

namespace {

std::string ToolPath() {
  const char* source = std::getenv("PLAYER_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/data/vtl_tool.py";
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

std::vector<DataFileEntry> SampleEntries() {
  std::vector<uint8_t> binary(3000);
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<uint8_t>(i * 7 + i / 13);
  return {{"data/music/wendmoor2020.xml", Bytes(std::string("<music/>") + '\0'), false},
          {"data/models/box.glb", binary, false},
          {"data/empty.txt", {}, false}};
}

using PythonCheckTest = DataFixture;

TEST_F(PythonCheckTest, PythonReadsWhatThePlayerWrites) {
  data_mode = DataMode::Write;
  for (const DataFileEntry& entry : SampleEntries()) AddDataFileEntry(DataFileEntry(entry));
  const std::string vtl = PathOf("data.vtl");
  testing::internal::CaptureStdout();
  WriteDataFile(vtl);
  testing::internal::GetCapturedStdout();

  const std::string listing = PathOf("listing.txt");
  ASSERT_EQ(std::system(("python3 " + ToolPath() + " dump " + vtl + " > " + listing).c_str()), 0);
  std::ostringstream expected;
  for (const DataFileEntry& entry : SampleEntries()) expected << entry.name << '\t' << Hex(entry.data) << '\n';
  const std::vector<uint8_t> printed = ReadWholeFile(listing);
  EXPECT_EQ(std::string(printed.begin(), printed.end()), expected.str());
}

TEST_F(PythonCheckTest, PlayerReadsWhatPythonWrites) {
  for (const DataFileEntry& entry : SampleEntries()) {
    if (!entry.data.empty()) WriteFile("tree/" + entry.name, entry.data);
  }
  const std::string vtl = PathOf("python.vtl");
  ASSERT_EQ(std::system(("python3 " + ToolPath() + " pack " + vtl + " " + PathOf("tree")).c_str()), 0);

  data_mode = DataMode::Read;
  ReadDataFile(vtl);
  ASSERT_EQ(data_file_entries.size(), 2u);
  // The tool packs in sorted order.
  EXPECT_EQ(data_file_entries[0].name, "data/models/box.glb");
  EXPECT_EQ(data_file_entries[1].name, "data/music/wendmoor2020.xml");
  EXPECT_EQ(GetFileBytes("data/models/box.glb", "rb", false), SampleEntries()[1].data);
  EXPECT_EQ(GetFileBytes("data/music/wendmoor2020.xml", "rb", false), SampleEntries()[0].data);
}

}  // namespace
