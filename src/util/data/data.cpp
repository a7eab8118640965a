#include "util/data/data.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <stdexcept>

#include "system/log.h"
#include "util/data/fileio.h"

uint32_t data_mode = DataMode::Disk;
std::vector<DataFileEntry> data_file_entries;
std::set<std::string> requested_file_names;
bool data_file_loaded = false;
bool data_init_finished = false;

namespace {

ReadProgressObserver read_progress_observer;

struct GzCloser {
  void operator()(gzFile file) const { gzclose(file); }
};
using GzPtr = std::unique_ptr<gzFile_s, GzCloser>;

}  // namespace

void SetReadProgressObserver(ReadProgressObserver observer) {
  read_progress_observer = std::move(observer);
}

namespace {

std::vector<uint8_t> FindEntryBytes(const std::string& name, bool add_nul) {
  DataFileEntry* found = nullptr;
  for (DataFileEntry& entry : data_file_entries) {
    if (entry.name != name) continue;
    if (found) {
      throw std::runtime_error("Ouch, found more than one entry for " + name +
                               " in datafile. Duplicates make no sense here.");
    }
    found = &entry;
  }
  if (!found) throw std::runtime_error("Could not find datafile entry for file " + name);
  found->used = true;
  std::vector<uint8_t> bytes;
  // The stored bytes stay as recorded; a caller that needs a terminator gets one added to its
  // own copy when the recording did not already end in 0.
  const bool needs_nul = add_nul && (found->data.empty() || found->data.back() != 0);
  bytes.reserve(found->data.size() + (needs_nul ? 1 : 0));
  bytes.assign(found->data.begin(), found->data.end());
  if (needs_nul) bytes.push_back(0);
  return bytes;
}

void RecordEntry(const std::string& name, const std::vector<uint8_t>& bytes) {
  const bool known = std::any_of(data_file_entries.begin(), data_file_entries.end(),
                                 [&](const DataFileEntry& entry) { return entry.name == name; });
  if (known) {
    if (!data_init_finished) LogLine("[DATA] Skipping duplicate entry for {}", name);
    return;
  }
  if (data_init_finished) {
    throw std::runtime_error("Uh-oh! Tried to load file " + name + " after datafile is written!");
  }
  AddDataFileEntry(DataFileEntry{name, bytes, false});
}

using DiskReader = std::function<std::vector<uint8_t>(const std::string&, const std::string&, bool)>;

// The common path of every asset request: served from the packed data in read mode, from disk
// otherwise, recorded in write mode.
std::vector<uint8_t> GetBytes(const std::string& name, const std::string& mode, bool add_nul,
                              const DiskReader& read_from_disk) {
  NoteRequestedFile(name);
  std::vector<uint8_t> bytes;
  if (data_mode == DataMode::Read) {
    bytes = FindEntryBytes(name, add_nul);
  } else {
    bytes = read_from_disk(name, mode, add_nul);
    if (data_mode == DataMode::Write) RecordEntry(name, bytes);
  }
  if (read_progress_observer) read_progress_observer();
  return bytes;
}

uint32_t ReadGzipTrailerSize(const std::string& name, const std::string& mode,
                             uint64_t& compressed_length) {
  FilePtr file = OpenRegularFile(name, mode, compressed_length);
  if (!file) throw std::runtime_error("Could not open file " + name);
  uint8_t trailer[4] = {};
  if (compressed_length < sizeof(trailer) ||
      std::fseek(file.get(), -static_cast<long>(sizeof(trailer)), SEEK_END) != 0 ||
      std::fread(trailer, 1, sizeof(trailer), file.get()) != sizeof(trailer)) {
    ExitMsgFmt(__FILE__, __LINE__, "Gzip file {} is {} bytes long, too short for its size trailer",
               name, compressed_length);
  }
  return LoadU32LittleEndian(trailer);
}

// Reads until the stream ends or `limit` bytes are in, growing the buffer as bytes arrive
// rather than trusting any announced size up front.
std::vector<uint8_t> GzReadUpTo(gzFile gz, const std::string& name, uint64_t first_size,
                                uint64_t limit) {
  std::vector<uint8_t> bytes(first_size);
  uint64_t total = 0;
  while (total < limit) {
    if (total == bytes.size()) bytes.resize(std::min(total * 2, limit));
    const auto wanted = static_cast<unsigned>(std::min<uint64_t>(bytes.size() - total, 1u << 30));
    const int got = gzread(gz, bytes.data() + total, wanted);
    if (got < 0) {
      ExitMsgFmt(__FILE__, __LINE__, "Something went wrong reading from {} we got return value {}",
                 name, got);
    }
    if (got == 0) break;
    total += static_cast<uint64_t>(got);
  }
  bytes.resize(total);
  return bytes;
}

// Reads the unpacked bytes of a gzip file. The trailer's size only sizes the first buffer,
// capped by what the compressed bytes could possibly hold; reading stops one byte past the
// trailer's promise, which is enough to know the promise was broken.
std::vector<uint8_t> ReadGzipFromDisk(const std::string& name, const std::string& mode,
                                      bool add_nul) {
  uint64_t compressed_length = 0;
  const uint64_t expected = ReadGzipTrailerSize(name, mode, compressed_length);
  LogInfo("  ..reading uncompressed file size {} from compressed file size {}", expected,
          compressed_length);

  GzPtr gz(gzopen(name.c_str(), mode.c_str()));
  if (!gz) ExitMsgFmt(__FILE__, __LINE__, "Argh, failed to open {}\n{}", name, errno);
  const uint64_t limit = expected + 1;
  std::vector<uint8_t> bytes =
      GzReadUpTo(gz.get(), name, std::min(limit, MaxInflatedSize(compressed_length)), limit);
  LogInfo("  ..read {} bytes from {}", bytes.size(), name);
  if (bytes.empty()) {
    ExitMsgFmt(__FILE__, __LINE__, "Something went wrong reading from {} we got return value {}",
               name, 0);
  }
  if (bytes.size() != expected) {
    ExitMsgFmt(__FILE__, __LINE__, "[TODO/FIXME] (gzip) flength of {} does not match {}",
               expected, bytes.size());
  }
  if (add_nul) bytes.push_back(0);
  return bytes;
}

}  // namespace

void NoteRequestedFile(const std::string& name) {
  if (data_init_finished && data_mode == DataMode::Write) {
    if (requested_file_names.count(name) == 0) {
      ExitMsgFmt(__FILE__, __LINE__, "Tried to load file '{}' after DataFile init was finished!",
                 name);
    }
    return;
  }
  requested_file_names.insert(name);
}

std::vector<uint8_t> ReadFileFromDisk(const std::string& name, const std::string& mode,
                                      bool add_nul) {
  NoteRequestedFile(name);
  uint64_t length = 0;
  FilePtr file = OpenRegularFile(name, mode, length);
  if (!file) throw std::runtime_error("Failed to open file " + name);

  std::vector<uint8_t> bytes(length + (add_nul ? 1 : 0));
  const size_t count = std::fread(bytes.data(), 1, length, file.get());
  file.reset();
  if (count == 0) {
    throw std::runtime_error("Tried to read " + std::to_string(length) + " bytes from " + name +
                             ", got " + std::to_string(count));
  }
  if (count > length) ExitMsg(__FILE__, __LINE__, "flength < fread_ret, should not happen!");
  // A text-mode read may return fewer bytes than the file holds.
  if (count < length) bytes.resize(count + (add_nul ? 1 : 0));
  if (add_nul) bytes[count] = 0;
  return bytes;
}

std::vector<uint8_t> GetFileBytes(const std::string& name, const std::string& mode, bool add_nul) {
  return GetBytes(name, mode, add_nul, ReadFileFromDisk);
}

std::vector<uint8_t> GetGzipFileBytes(const std::string& name, const std::string& mode,
                                      bool add_nul) {
  return GetBytes(name, mode, add_nul, ReadGzipFromDisk);
}

bool FileExists(const std::string& name) {
  switch (data_mode) {
    case DataMode::Disk:
    case DataMode::Write: {
      std::error_code error;
      return std::filesystem::exists(name, error);
    }
    case DataMode::Read:
      return std::any_of(data_file_entries.begin(), data_file_entries.end(),
                         [&](const DataFileEntry& entry) { return entry.name == name; });
    default:
      throw std::runtime_error("Logic error: FileExists switch case unhandled");
  }
}

void AddDataFileEntry(DataFileEntry&& entry) { data_file_entries.push_back(std::move(entry)); }

void ResetDataFileState() {
  data_mode = DataMode::Disk;
  data_file_entries.clear();
  requested_file_names.clear();
  data_file_loaded = false;
  data_init_finished = false;
}
