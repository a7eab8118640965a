// The preset constructors declared in shaderconstructor.h. All pieces are inline text; the
// textured ones sample with texture(), which GLSL 4.20 requires (texture2D is gone there).

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/vertexattrib.h"

namespace {

using Type = ShaderPieceType;

std::string Location(const char* declaration, VertexAttrib attrib) {
  return fmt::format("layout (location = {}) in {};", static_cast<int32_t>(attrib), declaration);
}

std::shared_ptr<ShaderConstructor> MakeNamed(const std::string& name) {
  auto c = std::make_shared<ShaderConstructor>();
  c->name = name;
  c->version = 420;
  return c;
}

void AddTextured2DVertexStage(ShaderConstructor& c) {
  c.AddStrings(Type::VERTEX_GLOBALS,
               {"uniform mat4 ProjectionMatrix;", Location("vec2 Position", VertexAttribPosition),
                Location("vec2 TexCoord", VertexAttribTexCoord1), "out vec2 TexCoordFrag;"});
  c.AddStrings(Type::VERTEX_BODY, {"\tgl_Position = ProjectionMatrix * vec4( Position, 0.0, 1.0 );",
                                   "\tTexCoordFrag = TexCoord;"});
}

void AddTintedFragmentGlobals(ShaderConstructor& c) {
  c.AddStrings(Type::FRAGMENT_GLOBALS, {"uniform sampler2D Texture;", "uniform vec4 Color;",
                                        "in vec2 TexCoordFrag;", "out vec4 FragColor;"});
}

void AddFlatFragmentStage(ShaderConstructor& c) {
  c.AddStrings(Type::FRAGMENT_GLOBALS, {"uniform vec4 Color;", "out vec4 FragColor;"});
  c.AddStrings(Type::FRAGMENT_BODY, {"\tFragColor = Color;"});
}

// A Poisson disc of twelve taps around the centre.
constexpr float kBlurOffsets[12][2] = {
    {-0.326212f, -0.405805f}, {-0.840144f, -0.073580f}, {-0.695914f, 0.457137f},
    {-0.203345f, 0.620716f},  {0.962340f, -0.194983f},  {0.473434f, -0.480026f},
    {0.519456f, 0.767022f},   {0.185461f, -0.893124f},  {0.507431f, 0.064425f},
    {0.896420f, 0.412458f},   {-0.321940f, -0.932615f}, {-0.791559f, -0.597705f}};

}  // namespace

std::shared_ptr<ShaderConstructor> MakeFlat2DShader(const std::string& name) {
  auto c = MakeNamed(name);
  c->AddStrings(Type::VERTEX_GLOBALS, {"uniform mat4 ProjectionMatrix;",
                                       Location("vec2 Position", VertexAttribPosition)});
  c->AddStrings(Type::VERTEX_BODY,
                {"\tgl_Position = ProjectionMatrix * vec4( Position, 0.0, 1.0 );"});
  AddFlatFragmentStage(*c);
  return c;
}

std::shared_ptr<ShaderConstructor> MakeFlat3DShader(const std::string& name) {
  auto c = MakeNamed(name);
  c->AddStrings(Type::VERTEX_GLOBALS,
                {"uniform mat4 ProjectionMatrix;", "uniform mat4 ModelViewMatrix;",
                 Location("vec3 Position", VertexAttribPosition)});
  c->AddStrings(Type::VERTEX_BODY,
                {"\tgl_Position = ProjectionMatrix * ModelViewMatrix * vec4( Position, 1.0 );"});
  AddFlatFragmentStage(*c);
  return c;
}

std::shared_ptr<ShaderConstructor> MakeVertexColor3DShader(const std::string& name) {
  auto c = MakeNamed(name);
  c->AddStrings(Type::VERTEX_GLOBALS,
                {"uniform mat4 ProjectionMatrix;", "uniform mat4 ModelViewMatrix;",
                 Location("vec3 Position", VertexAttribPosition),
                 Location("vec4 Color", VertexAttribColor), "out vec4 ColorFrag;"});
  c->AddStrings(Type::VERTEX_BODY,
                {"\tColorFrag = Color;",
                 "\tgl_Position = ProjectionMatrix * ModelViewMatrix * vec4( Position, 1.0 );"});
  c->AddStrings(Type::FRAGMENT_GLOBALS, {"in vec4 ColorFrag;", "out vec4 FragColor;"});
  c->AddStrings(Type::FRAGMENT_BODY, {"\tFragColor = ColorFrag;"});
  return c;
}

std::shared_ptr<ShaderConstructor> MakeTextured2DShader(const std::string& name) {
  auto c = MakeNamed(name);
  AddTextured2DVertexStage(*c);
  c->AddStrings(Type::FRAGMENT_GLOBALS,
                {"uniform sampler2D Texture;", "in vec2 TexCoordFrag;", "out vec4 FragColor;"});
  c->AddStrings(Type::FRAGMENT_BODY, {"\tFragColor = texture( Texture, TexCoordFrag );"});
  return c;
}

std::shared_ptr<ShaderConstructor> MakeTintedTextured2DShader(const std::string& name) {
  auto c = MakeNamed(name);
  AddTextured2DVertexStage(*c);
  AddTintedFragmentGlobals(*c);
  c->AddStrings(Type::FRAGMENT_BODY, {"\tFragColor = texture( Texture, TexCoordFrag ) * Color;"});
  return c;
}

namespace {

constexpr float kBlurScale = 0.002f;
constexpr int kBlurRings = 3;  // the taps at 1, 2 and 3 times the scale

}  // namespace

std::array<float, 2> Blur2DReach() {
  std::array<float, 2> reach{0.0f, 0.0f};
  for (const auto& offset : kBlurOffsets) {
    for (int axis = 0; axis < 2; ++axis) {
      reach[axis] = std::max(reach[axis], std::abs(offset[axis]) * kBlurScale * kBlurRings);
    }
  }
  return reach;
}

std::shared_ptr<ShaderConstructor> MakeBlur2DShader(const std::string& name) {
  auto c = MakeNamed(name);
  AddTextured2DVertexStage(*c);
  AddTintedFragmentGlobals(*c);
  c->AddStrings(Type::FRAGMENT_GLOBALS,
                {"vec2 offsets[12];", fmt::format("const float BlurScale = {:.3f};", kBlurScale)});
  c->AddStrings(
      Type::FRAGMENT_FUNCTIONS,
      {"vec4 blur( float scale )", "{", "\tvec4 tempsum = vec4( 0.0 );",
       "\tfor ( int i = 0; i < 12; i++ ) tempsum += texture( Texture, TexCoordFrag + scale * "
       "offsets[i] );",
       "\treturn tempsum / 12.0;", "}"});
  for (int i = 0; i < 12; ++i) {
    c->AddPiece(Type::FRAGMENT_BODY, ShaderPieceSource::STRING,
                fmt::format("\toffsets[{:2}] = vec2( {: .6f}, {: .6f} );", i, kBlurOffsets[i][0],
                            kBlurOffsets[i][1]));
  }
  c->AddStrings(Type::FRAGMENT_BODY,
                {"\tvec4 sum = vec4( 0.0 );", "\tsum += blur( BlurScale * 1.0 );",
                 "\tsum += blur( BlurScale * 2.0 );", "\tsum += blur( BlurScale * 3.0 );",
                 "\tFragColor = sum / 3.0;"});
  return c;
}
