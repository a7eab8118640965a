// The packed data file: a fixed header, then one zlib stream holding every file as a chunk
// ("VTLDFC", u32 name length, u32 data length, name, data). All integers are little-endian.

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

#include "system/log.h"
#include "system/messagebox.h"
#include "util/data/chunkstreaminflater.h"
#include "util/data/data.h"
#include "util/data/fileio.h"
#include "util/data/replacementfile.h"

namespace {

constexpr std::string_view kFileMagic = "Vorantil Data File";
constexpr uint8_t kMajorVersion = 2;
constexpr uint8_t kMinorVersion = 0;
constexpr size_t kHeaderSize = kFileMagic.size() + 2 + 4;
constexpr std::string_view kChunkMagic = "VTLDFC";
constexpr size_t kChunkHeaderSize = kChunkMagic.size() + 4 + 4;
// The header stores the chunk stream size as u32.
constexpr uint64_t kMaxChunkStreamSize = std::numeric_limits<uint32_t>::max();
constexpr double kBytesPerMegabyte = 1048576.0;

uint8_t* StoreU32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
  return out + 4;
}

uint8_t* StoreBytes(uint8_t* out, const void* bytes, size_t count) {
  if (count > 0) std::memcpy(out, bytes, count);
  return out + count;
}

std::string AsText(const uint8_t* bytes, size_t count) {
  return std::string(reinterpret_cast<const char*>(bytes), count);
}

double Megabytes(uint64_t bytes) { return static_cast<double>(bytes) / kBytesPerMegabyte; }

// --- reading ---

// Checks the header and returns the size of the unpacked chunk stream it announces.
uint32_t CheckHeader(const std::vector<uint8_t>& file_bytes) {
  const uint8_t* bytes = file_bytes.data();
  const size_t size = file_bytes.size();
  if (size < kFileMagic.size()) ExitMsg(__FILE__, __LINE__, "Failed to read header!");
  if (std::memcmp(bytes, kFileMagic.data(), kFileMagic.size()) != 0) {
    ExitMsgFmt(__FILE__, __LINE__, "Unrecognized datafile header: {}",
               AsText(bytes, kFileMagic.size()));
  }
  if (size < kFileMagic.size() + 1) ExitMsg(__FILE__, __LINE__, "Failed to read major version!");
  if (size < kFileMagic.size() + 2) ExitMsg(__FILE__, __LINE__, "Failed to read minor version!");
  const uint8_t major = bytes[kFileMagic.size()];
  const uint8_t minor = bytes[kFileMagic.size() + 1];
  if (major != kMajorVersion || minor != kMinorVersion) {
    ExitMsgFmt(__FILE__, __LINE__, "Expected datafile format {}.{}, got {}.{}", kMajorVersion,
               kMinorVersion, major, minor);
  }
  if (size < kHeaderSize) ExitMsg(__FILE__, __LINE__, "Failed to read chunk stream size!");
  return LoadU32LittleEndian(bytes + kFileMagic.size() + 2);
}

// Refused before any entry is allocated, so that a forged size field cannot ask for gigabytes.
// Such a stream can never fill the announced size, so unpacking it into scratch space reports
// the short stream like any other; the message after it is only a safeguard.
void CheckStreamSizeIsPlausible(const std::string& name, uint32_t stream_size,
                                uint64_t compressed_size, ChunkStreamInflater& stream) {
  if (stream_size > MaxInflatedSize(compressed_size)) {
    stream.CheckWholeStream();
    ExitMsgFmt(__FILE__, __LINE__,
               "Data file {} claims {} unpacked bytes, more than its {} compressed bytes can hold",
               name, stream_size, compressed_size);
  }
}

// Unpacks the chunk stream chunk by chunk, each name and data straight into its entry. Every
// length is checked against what is left of the announced stream before it is used, in 64
// bits so that sums cannot wrap. A faulty chunk is reported only after the stream as a whole
// has passed its own checks, as if it had been unpacked in one piece first.
void UnpackChunks(const std::string& file_name, const std::vector<uint8_t>& file_bytes,
                  uint32_t stream_size) {
  const uint64_t compressed_size = file_bytes.size() - kHeaderSize;
  LogInfo("Starting decoding process");
  LogInfo("Uncompressed_buffer_size is {} from {}", stream_size, compressed_size);
  ChunkStreamInflater stream(file_name, file_bytes.data() + kHeaderSize, compressed_size,
                             stream_size);
  CheckStreamSizeIsPlausible(file_name, stream_size, compressed_size, stream);
  uint64_t offset = 0;
  uint64_t chunk = 0;
  while (offset < stream_size) {
    const uint64_t left = stream_size - offset;
    if (left < kChunkHeaderSize) {
      stream.CheckWholeStream();
      ExitMsgFmt(__FILE__, __LINE__,
                 "Chunk {} at offset {} is cut short: {} bytes left for its {}-byte header", chunk,
                 offset, left, kChunkHeaderSize);
    }
    uint8_t header[kChunkHeaderSize];
    stream.Take(header, kChunkHeaderSize);
    if (std::memcmp(header, kChunkMagic.data(), kChunkMagic.size()) != 0) {
      stream.CheckWholeStream();
      ExitMsgFmt(__FILE__, __LINE__, "Unrecognized chunk header: {}\nRead {} chunks, {} MB before this",
                 AsText(header, kChunkMagic.size()), chunk, Megabytes(offset));
    }
    const uint64_t name_length = LoadU32LittleEndian(header + kChunkMagic.size());
    const uint64_t data_length = LoadU32LittleEndian(header + kChunkMagic.size() + 4);
    if (name_length + data_length > left - kChunkHeaderSize) {
      stream.CheckWholeStream();
      ExitMsgFmt(__FILE__, __LINE__,
                 "Chunk {} at offset {} runs past the end of the chunk stream: name {} bytes, data "
                 "{} bytes, only {} bytes left",
                 chunk, offset, name_length, data_length, left - kChunkHeaderSize);
    }
    DataFileEntry entry{std::string(name_length, '\0'), std::vector<uint8_t>(data_length), false};
    stream.Take(reinterpret_cast<uint8_t*>(entry.name.data()), name_length);
    stream.Take(entry.data.data(), data_length);
    AddDataFileEntry(std::move(entry));
    offset += kChunkHeaderSize + name_length + data_length;
    ++chunk;
  }
  stream.CheckWholeStream();
  LogInfo("Decoding done");
}

// Reads a whole file into one buffer.
std::vector<uint8_t> ReadPackedFile(const std::string& name) {
  uint64_t length = 0;
  FilePtr file = OpenRegularFile(name, "rb", length);
  if (!file) ExitMsgFmt(__FILE__, __LINE__, "Failed to open data file {} for reading.", name);
  if (length == 0) ExitMsgFmt(__FILE__, __LINE__, "Negative or zero file length: {}", length);
  std::vector<uint8_t> bytes(length);
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to read {} bytes from {}", length, name);
  }
  return bytes;
}

// --- writing ---

uint64_t ChunkStreamSize() {
  uint64_t size = 0;
  for (const DataFileEntry& entry : data_file_entries) {
    size += kChunkHeaderSize + entry.name.size() + entry.data.size();
  }
  return size;
}

std::unique_ptr<uint8_t[]> BuildChunkStream(uint64_t stream_size) {
  auto stream = std::make_unique_for_overwrite<uint8_t[]>(stream_size);
  uint8_t* out = stream.get();
  for (const DataFileEntry& entry : data_file_entries) {
    LogLine("..file: {}, {} bytes", entry.name, entry.data.size());
    if (entry.name.empty()) ExitMsg(__FILE__, __LINE__, "Data filename is empty!");
    out = StoreBytes(out, kChunkMagic.data(), kChunkMagic.size());
    out = StoreU32(out, static_cast<uint32_t>(entry.name.size()));
    out = StoreU32(out, static_cast<uint32_t>(entry.data.size()));
    out = StoreBytes(out, entry.name.data(), entry.name.size());
    out = StoreBytes(out, entry.data.data(), entry.data.size());
  }
  return stream;
}

std::vector<uint8_t> CompressChunkStream(const uint8_t* stream, uint64_t stream_size) {
  LogLine("Compressing zlib...");
  uLongf compressed_size = compressBound(stream_size);
  std::vector<uint8_t> compressed(compressed_size);
  const int result = compress(compressed.data(), &compressed_size, stream, stream_size);
  if (result != Z_OK) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to compress the data file: zlib error {} ({})", result,
               zError(result));
  }
  compressed.resize(compressed_size);
  LogLine("---> zlib compressed: {} bytes", compressed_size);
  return compressed;
}

void WriteOrDie(ReplacementFile& file, const void* bytes, size_t count, const char* message) {
  if (!file.Write(bytes, count)) {
    file.Discard();
    ExitMsg(__FILE__, __LINE__, message);
  }
}

void WritePackedFile(const std::string& name, uint32_t stream_size,
                     const std::vector<uint8_t>& compressed) {
  ReplacementFile file(name);
  if (!file.IsOpen())
    ExitMsgFmt(__FILE__, __LINE__, "Failed to open data file {} for writing", name);
  uint8_t size_field[4];
  StoreU32(size_field, stream_size);
  WriteOrDie(file, kFileMagic.data(), kFileMagic.size(), "Failed to write header!");
  WriteOrDie(file, &kMajorVersion, 1, "Failed to write major version!");
  WriteOrDie(file, &kMinorVersion, 1, "Failed to write minor version!");
  WriteOrDie(file, size_field, sizeof(size_field), "Failed to write total chunk data size!");
  WriteOrDie(file, compressed.data(), compressed.size(), "Failed to write file contents!");
  // Buffered bytes only reach the disk on close; a failure there is a failed write too.
  if (!file.Close()) ExitMsg(__FILE__, __LINE__, "Failed to write file contents!");
  if (!file.Rename())
    ExitMsgFmt(__FILE__, __LINE__, "Failed to open data file {} for writing", name);
}

void LogWriteSummary(const std::string& name, uint64_t stream_size, uint64_t compressed_size) {
  // Signed: incompressible data comes out larger than it went in.
  const int64_t lost = static_cast<int64_t>(stream_size) - static_cast<int64_t>(compressed_size);
  const float rate =
      stream_size == 0 ? 0.0f : static_cast<float>(static_cast<double>(lost) * 100.0 / stream_size);
  LogLine("Done writing datafile '{}' of {:.2f} MB!", name, Megabytes(compressed_size));
  LogLine(" ..original file size:  {:9} bytes", stream_size);
  LogLine(" ..compressed file size:{:9} bytes", compressed_size);
  LogLine(" ..lost in compression: {:9} bytes", lost);
  LogLine(" ..compression rate:    {:9}%", rate);
}

// The name of an exported file: what follows the last slash, else the last backslash.
std::string BareFileName(const std::string& name) {
  size_t cut = name.rfind('/');
  if (cut == std::string::npos) cut = name.rfind('\\');
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

void ExportEntry(const DataFileEntry& entry) {
  LogInfo("Found an mp3 here: {}", entry.name);
  const std::string bare_name = BareFileName(entry.name);
  LogInfo("File name without path is {}", bare_name);
  ReplacementFile file(bare_name);
  if (!file.IsOpen())
    ExitMsgFmt(__FILE__, __LINE__, "Failed to create output file for {}", bare_name);
  // A short write must not be reported as a successful export.
  if (!file.Write(entry.data.data(), entry.data.size()) || !file.Close()) {
    file.Discard();
    ExitMsgFmt(__FILE__, __LINE__, "Failed to write output file {}", bare_name);
  }
  if (!file.Rename())
    ExitMsgFmt(__FILE__, __LINE__, "Failed to create output file for {}", bare_name);
  ShowMessageBox({.caption = "Success",
                  .text = fmt::format("Successfully exported {} to the current folder", bare_name),
                  .buttons = MessageBoxButtons::Ok,
                  .icon = MessageBoxIcon::None,
                  .has_owner = false});
}

}  // namespace

void UnpackDataFile(const std::string& name, const std::vector<uint8_t>& file_bytes) {
  const uint32_t stream_size = CheckHeader(file_bytes);
  UnpackChunks(name, file_bytes, stream_size);
}

void ReadDataFile(const std::string& name) {
  if (data_file_loaded) return;
  if (data_mode != DataMode::Read) {
    data_file_loaded = true;
    return;
  }
  LogInfo("Reading datafile {}...", name);
  UnpackDataFile(name, ReadPackedFile(name));
  LogInfo("Done reading datafile {}: {} chunks, {:.2f} MB", name, data_file_entries.size(),
          Megabytes(ChunkStreamSize()));
  for (const DataFileEntry& entry : data_file_entries) {
    LogInfo("..file: {}, {} bytes", entry.name, entry.data.size());
  }
  data_file_loaded = true;
}

void CheckChunkStreamSize(uint64_t stream_size) {
  if (stream_size > kMaxChunkStreamSize) {
    ExitMsgFmt(__FILE__, __LINE__,
               "The files to pack add up to {} bytes; a data file holds at most {} bytes", stream_size,
               kMaxChunkStreamSize);
  }
}

void WriteDataFile(const std::string& name) {
  if (data_mode != DataMode::Write) return;
  LogLine("Writing datafile {}", name);
  const uint64_t stream_size = ChunkStreamSize();
  CheckChunkStreamSize(stream_size);
  const std::unique_ptr<uint8_t[]> stream = BuildChunkStream(stream_size);
  const std::vector<uint8_t> compressed = CompressChunkStream(stream.get(), stream_size);
  WritePackedFile(name, static_cast<uint32_t>(stream_size), compressed);
  LogWriteSummary(name, stream_size, compressed.size());
}

void ExportMp3() {
  if (data_mode != DataMode::Read) ExitMsg(__FILE__, __LINE__, "Can only get mp3 in read mode!");
  for (const DataFileEntry& entry : data_file_entries) {
    if (entry.name.find("mp3") != std::string::npos) ExportEntry(entry);
  }
}
