#include "util/ascii/rawloader.h"

#include <new>

#include "system/log.h"
#include "util/ascii/asciiengine.h"
#include "util/data/data.h"

RawLoader::RawLoader(AsciiEngine* engine, const std::string& file_name, int32_t width,
                     int32_t height)
    : engine(engine), width(width), height(height) {
  if (width <= 0 || height <= 0) {
    ExitMsgFmt(__FILE__, __LINE__, "RawLoader: picture {} has no size ({}x{})!", file_name, width,
               height);
  }
  // The file is checked before the picture is allocated, so a wrong size given with a small
  // file fails with its message instead of first asking for a huge block.
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height);
  const std::vector<uint8_t> bytes = GetFileBytes(file_name, "rb", false);
  if (bytes.size() < size) {
    ExitMsgFmt(__FILE__, __LINE__, "File {} is only {} bytes, expected {}x{} image!", file_name,
               bytes.size(), width, height);
  }
  try {
    picture.resize(size);
  } catch (const std::bad_alloc&) {
    ExitMsg(__FILE__, __LINE__, "Failed to allocate memory for RawLoader");
  }
  for (size_t i = 0; i < size; ++i) picture[i] = RemapAsciiColour(bytes[i]);
}

void RawLoader::draw(int32_t x, int32_t y) {
  for (int j = 0; j < AsciiEngine::kRows; ++j) {
    const int64_t row = static_cast<int64_t>(j) + y;
    if (row < 0 || row >= height) continue;
    for (int k = 0; k < AsciiEngine::kColumns; ++k) {
      const int64_t column = static_cast<int64_t>(k) + x;
      if (column < 0 || column >= width) continue;
      const uint8_t pixel = picture[static_cast<size_t>(row * width + column)];
      if (pixel == 0) continue;
      const int cell = AsciiEngine::CellIndex(k, j);
      engine->characters[cell] = kFullBlock;
      engine->foreground[cell] = pixel;
      engine->background[cell] = 0;
    }
  }
}
