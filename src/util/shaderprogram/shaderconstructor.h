#pragma once
// Generates the GLSL text of a vertex and a fragment stage from ordered lists of pieces, each
// either inline GLSL or a file in the data tree. Piece files are read again on every
// generation. The presets at the end make the small fixed programs of the 2D drawing code.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

enum class ShaderPieceType : uint32_t {
  VERTEX_GLOBALS = 0,
  VERTEX_FUNCTIONS = 1,
  VERTEX_BODY = 2,
  FRAGMENT_GLOBALS = 3,
  FRAGMENT_FUNCTIONS = 4,
  FRAGMENT_BODY = 5,
  MAX = 6,  // count of lists, not a list
};

enum class ShaderPieceSource : uint32_t {
  FILE = 0,    // text is a file name in the data tree
  STRING = 1,  // text is GLSL
};

struct ShaderPiece {
  ShaderPieceSource source = ShaderPieceSource::STRING;
  std::string text;

  // The GLSL the piece contributes: inline text as it is, or the file's lines without the
  // "//!" note lines, each followed by a line break.
  std::string GetText() const;
};

class ShaderConstructor {
 public:
  std::string name;
  int32_t version = 0;

  // MAX is fatal; a type beyond it throws std::runtime_error.
  void AddPiece(ShaderPieceType type, ShaderPieceSource source, const std::string& text);
  // Appends each line as an inline piece of the type, in order.
  void AddStrings(ShaderPieceType type, std::initializer_list<std::string> lines);

  // stage is VERTEX_GLOBALS for the vertex stage or FRAGMENT_GLOBALS for the fragment stage.
  std::string GenerateSource(ShaderPieceType stage) const;

  // The globals, functions or body list of a stage; base is a stage's globals type plus 0 to 2.
  const std::vector<ShaderPiece>& GetPiecesFromType(ShaderPieceType type) const;

 private:
  std::array<std::vector<ShaderPiece>, static_cast<size_t>(ShaderPieceType::MAX)> pieces_;
};

// The lines of a data file, without their line breaks; NUL bytes are skipped.
std::vector<std::string> ReadLines(const std::string& file_name);

// Presets: a new constructor with the given name, GLSL 420 and inline pieces. Uniforms:
// ProjectionMatrix (all), ModelViewMatrix (3D ones), Color (flat, tinted, blur), Texture
// (sampler on unit 0).
std::shared_ptr<ShaderConstructor> MakeFlat2DShader(const std::string& name);
std::shared_ptr<ShaderConstructor> MakeFlat3DShader(const std::string& name);
std::shared_ptr<ShaderConstructor> MakeVertexColor3DShader(const std::string& name);
std::shared_ptr<ShaderConstructor> MakeTextured2DShader(const std::string& name);
std::shared_ptr<ShaderConstructor> MakeTintedTextured2DShader(const std::string& name);
std::shared_ptr<ShaderConstructor> MakeBlur2DShader(const std::string& name);
// How far the blur's farthest tap lies from the pixel, per axis, as a fraction of the picture.
std::array<float, 2> Blur2DReach();
