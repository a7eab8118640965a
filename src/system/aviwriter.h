#pragma once
// Video capture to AVI files: uncompressed 24-bit frames at a fixed frame rate and the music's
// PCM audio, split into numbered part files "<base>.01.avi", "<base>.02.avi", ... so that no
// part outgrows what AVI 1.0 readers accept. Every operation takes the writer's lock.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "system/avifile.h"
#include "system/waveformat.h"

// The choice of video compressor made when the first part is opened. Only uncompressed video
// is written; tests install a handler that answers Cancel.
enum class CompressionChoice { Uncompressed, Cancel };
using CompressionOptionsHandler = std::function<CompressionChoice()>;
// An empty handler restores the default answer, Uncompressed.
void SetCompressionOptionsHandler(CompressionOptionsHandler handler);

struct AVIWriterPrivate;

class AVIWriter {
 public:
  static constexpr uint32_t kPartByteLimit = 0x70800000u;
  static constexpr uint32_t kAskForCompressor = 0xFFFFFFFFu;

  int32_t width = 0;
  int32_t height = 0;
  int32_t frame_index = 0;       // next video frame of the current part
  int32_t audio_position = 0;    // next audio block of the current part
  int32_t audio_block_size = 0;  // bytes per audio block
  float frames_per_second = 30.0f;

  AVIWriter();
  ~AVIWriter();
  AVIWriter(const AVIWriter&) = delete;
  AVIWriter& operator=(const AVIWriter&) = delete;

  // Closes any open file and starts afresh on `file_name`: its extension is dropped to give
  // the parts' base name, the part number is 1 and the compressor will be asked for.
  void Prepare(const std::string& file_name);
  bool Open();
  bool SetVideoFormat();
  bool AddAudioStream(const WaveFormat& format);
  // The format that AddAudioStream gets when WriteAudio makes the audio stream, in each part.
  void SetAudioFormat(const WaveFormat& format);
  // One bottom-up BGR frame of width x height, rows either packed (width x 3 bytes) or padded
  // to a multiple of 4 bytes as glReadPixels gives them by default. Starts a new part first
  // when the current one is full.
  bool WriteFrame(std::span<const uint8_t> frame);
  // Whole blocks of interleaved PCM audio in the audio format; makes the audio stream on first
  // use.
  bool WriteAudio(std::span<const uint8_t> samples);
  void Close();

  bool IsOpen() const;
  bool HasVideoFormat() const;
  bool HasAudioStream() const;
  int32_t PartNumber() const;
  // The file name of the current part.
  std::string PartFileName() const;
  // Bytes in one stored frame row: width x 3 rounded up to a multiple of 4.
  static uint32_t RowBytes(int32_t width);
  // Lowers the size at which a new part starts, so that tests need not write gigabytes.
  void SetPartByteLimit(uint32_t limit);

 private:
  bool OpenLocked();
  bool SetVideoFormatLocked();
  bool AddAudioStreamLocked(const WaveFormat& format);
  bool StartNextPartLocked();
  bool ChooseCompressorLocked();
  AviStreamHeader VideoStreamHeader() const;
  void CloseLocked();
  bool IsFrameSize(size_t size) const;
  // The frame with its rows padded, in the writer's buffer unless they already were.
  std::span<const uint8_t> StoredRows(std::span<const uint8_t> frame);

  std::unique_ptr<AVIWriterPrivate> private_;
};
