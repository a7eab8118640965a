#pragma once
// Prints strings in a TrueType font through FTGL with the fixed-function pipeline: a 2D
// projection in window pixels, text scaled with the window width so layouts authored for a
// 1280-pixel-wide window keep their proportions, and a small GLSL 120 program per font type
// that takes the colour from the current GL colour.

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FTFont;
class ShaderConstructor;

enum class TextFontType : uint32_t {
  Buffer = 0,   // glyphs rendered into textures, drawn as textured quads
  Outline = 1,  // glyph outlines drawn as lines
};

class Text {
 public:
  // Longest text a print shows; longer formatted text is cut at this many characters.
  static constexpr size_t kMaxTextLength = 255;

  Text(const std::string& font_file, uint32_t size);
  ~Text();
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  // The drawing size in pixels (window or target); needed before set-up and printing.
  void Reshape(int32_t width, int32_t height);
  void SetGLState();
  // Prints at the current modelview origin. A null format prints nothing.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Prints at (x * width, y * height) pixels, stretched horizontally by x_stretch.
  void PrintAt(float x, float y, float x_stretch, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  void UseShader();

  // Sets the face size in points at 72 dpi. A change makes the font drop every glyph it has
  // rendered, so the same size again changes nothing.
  void SetFaceSize(uint32_t size);
  uint32_t FaceSize() const { return face_size_; }
  // How often the face size has changed since construction (each change re-renders glyphs).
  uint32_t FaceSizeChanges() const { return face_size_changes_; }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  // Callers may switch to outline drawing after construction; the constructor sets Buffer.
  TextFontType font_type = TextFontType::Buffer;

 private:
  void RequireSize(const char* message, uint32_t line) const;
  void PrintFormatted(float x, float y, float x_stretch, const char* format, va_list arguments);
  // Draws at (x * width, y * height) with the width-relative scale, stretched along x.
  void Render(const std::string& text, float x, float y, float x_stretch);

  // The font reads its face from this memory; declared first, it outlives the font.
  std::vector<uint8_t> font_bytes_;
  std::unique_ptr<FTFont> font_;
  int32_t width_ = -1;
  int32_t height_ = -1;
  uint32_t face_size_ = 0;
  uint32_t face_size_changes_ = 0;
};

// An empty constructor named "Text" with the given GLSL version.
std::shared_ptr<ShaderConstructor> MakeTextShaderConstructor(int32_t version);

// Formats printf-style into the 256-character print buffer, cutting longer text.
std::string FormatPrintText(const char* format, va_list arguments);
