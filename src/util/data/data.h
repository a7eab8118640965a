#pragma once
// The one way assets are read. By data mode the bytes come from loose files under the working
// folder or from the packed data file held in memory; in write mode every loose file read is
// recorded so that the packed data file can be written at the end of loading.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

// Values of the program-wide data_mode.
namespace DataMode {
enum : uint32_t {
  Disk = 0,   // loose files
  Read = 1,   // every file from the packed data file
  Write = 2,  // loose files, each recorded for the packed data file
};
}

struct DataFileEntry {
  std::string name;
  std::vector<uint8_t> data;
  bool used = false;
};

extern uint32_t data_mode;
extern std::vector<DataFileEntry> data_file_entries;
extern std::set<std::string> requested_file_names;
extern bool data_file_loaded;
extern bool data_init_finished;

// Told after every file read (the entry shows loading progress with it); none by default.
using ReadProgressObserver = std::function<void()>;
void SetReadProgressObserver(ReadProgressObserver observer);

std::vector<uint8_t> GetFileBytes(const std::string& name, const std::string& mode, bool add_nul);
std::vector<uint8_t> GetGzipFileBytes(const std::string& name, const std::string& mode, bool add_nul);
bool FileExists(const std::string& name);
void NoteRequestedFile(const std::string& name);
std::vector<uint8_t> ReadFileFromDisk(const std::string& name, const std::string& mode, bool add_nul);
void AddDataFileEntry(DataFileEntry&& entry);

// Puts the facility back to its start-up state (disk mode, nothing read or requested), so that
// tests can run one case after another in the same process.
void ResetDataFileState();

// The packed data file "data.vtl".
void ReadDataFile(const std::string& name);
void WriteDataFile(const std::string& name);
void ExportMp3();

// Fatal unless a chunk stream of this many bytes fits the packed file's 32-bit size field
// (checked by WriteDataFile before anything is packed).
void CheckChunkStreamSize(uint64_t stream_size);

// Checks and unpacks the whole content of a packed data file into data_file_entries; `name`
// only appears in messages. ReadDataFile reads the file and hands its bytes here.
void UnpackDataFile(const std::string& name, const std::vector<uint8_t>& file_bytes);
