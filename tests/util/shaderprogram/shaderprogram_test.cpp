#include "util/shaderprogram/shaderprogram.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "support/gl_test_files.h"
#include "support/gl_fixture.h"

namespace {

using PresetMaker = std::shared_ptr<ShaderConstructor> (*)(const std::string&);

const char* kVertexFile =
    "#version 420\n"
    "layout (location = VertexAttribPosition) in vec2 Position;\n"
    "layout (location = VertexAttribNormal) in vec3 Normal;\n"
    "out vec3 N;\n"
    "void main() { N = Normal; gl_Position = vec4( Position, 0.0, 1.0 ); }\n";
const char* kFragmentFile =
    "#version 420\n"
    "in vec3 N;\n"
    "uniform vec4 Color;\n"
    "uniform float Unused;\n"
    "out vec4 FragColor;\n"
    "void main() { FragColor = Color + vec4( N, 0.0 ) * 0.001; }\n";

std::shared_ptr<ShaderConstructor> BrokenFragmentConstructor() {
  auto constructor = MakeFlat2DShader("broken");
  constructor->AddPiece(ShaderPieceType::FRAGMENT_BODY, ShaderPieceSource::STRING,
                        "\tFragColor = undeclared_thing;");
  return constructor;
}

// The driver's info logs are replaced by nothing, as some drivers give for failures.
PFNGLGETSHADERIVPROC real_get_shader_iv = nullptr;
PFNGLGETPROGRAMIVPROC real_get_program_iv = nullptr;

void GLAPIENTRY ShaderIvWithoutLog(GLuint shader, GLenum name, GLint* value) {
  real_get_shader_iv(shader, name, value);
  if (name == GL_INFO_LOG_LENGTH) *value = 0;
}

void GLAPIENTRY ProgramIvWithoutLog(GLuint program, GLenum name, GLint* value) {
  real_get_program_iv(program, name, value);
  if (name == GL_INFO_LOG_LENGTH) *value = 0;
}

}  // namespace

TEST_F(GLTest, EveryPresetCompilesAndLinksWithTheFixedLocations) {
  const std::pair<const char*, PresetMaker> presets[] = {
      {"flat2d", MakeFlat2DShader},         {"flat3d", MakeFlat3DShader},
      {"vertexcolor3d", MakeVertexColor3DShader}, {"textured2d", MakeTextured2DShader},
      {"tinted2d", MakeTintedTextured2DShader},  {"blur2d", MakeBlur2DShader}};
  for (const auto& [name, make] : presets) {
    ShaderProgram program(make(name));
    EXPECT_EQ(program.name(), name);
    EXPECT_EQ(program.origin(), ShaderOrigin::CONSTRUCTOR);
    GLint linked = GL_FALSE;
    glGetProgramiv(program.program(), GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE) << name;
    EXPECT_EQ(glGetAttribLocation(program.program(), "Position"), 0) << name;
    EXPECT_GE(program.GetUniformLocation("ProjectionMatrix"), 0) << name;
  }
  ShaderProgram textured(MakeTextured2DShader("t"));
  EXPECT_EQ(glGetAttribLocation(textured.program(), "TexCoord"), 2);
  ShaderProgram colored(MakeVertexColor3DShader("c"));
  EXPECT_EQ(glGetAttribLocation(colored.program(), "Color"), 4);
}

TEST_F(GLTest, FlatPresetDrawsItsColor) {
  RenderTarget target(8, 8);
  target.Bind();
  ShaderProgram program(MakeFlat2DShader("flat"));
  program.Use();
  const float ortho[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1};
  glUniformMatrix4fv(program.GetUniformLocation("ProjectionMatrix"), 1, GL_FALSE, ortho);
  glUniform4f(program.GetUniformLocation("Color"), 0.0f, 1.0f, 0.0f, 1.0f);
  DrawUnitSquare();
  EXPECT_TRUE(PixelNear(target.PixelAt(4, 4), {0, 255, 0, 255}, 1))
      << PixelText(target.PixelAt(4, 4));
  glUseProgram(0);
}

TEST_F(GLTest, FileProgramReplacesPlaceholdersAndIsNamedByItsFiles) {
  TempDataDir dir;
  const std::string vertex = dir.Write("v.vert", kVertexFile);
  const std::string fragment = dir.Write("f.frag", kFragmentFile);
  ShaderProgram program(vertex, fragment);
  EXPECT_EQ(program.name(), vertex + " / " + fragment);
  EXPECT_EQ(program.origin(), ShaderOrigin::FILES);
  EXPECT_EQ(glGetAttribLocation(program.program(), "Normal"), 1);
  EXPECT_NE(program.vertex_source().find("layout (location = 1) in vec3 Normal;"),
            std::string::npos);
}

TEST_F(GLTest, MissingShaderFileIsReadFromTheCommonShaderFolder) {
  TempDataDir dir;
  dir.Write("data/common/shaders/common.vert", kVertexFile);
  dir.Write("data/common/shaders/common.frag", kFragmentFile);
  ScopedWorkingDir working(dir.root());
  ShaderProgram program("common.vert", "common.frag");
  EXPECT_EQ(program.name(), "common.vert / common.frag");
  EXPECT_NE(program.fragment_source().find("uniform vec4 Color;"), std::string::npos);
}

TEST_F(GLTest, RegistryIndexCountsEveryProgramEverMade) {
  int32_t first = 0;
  {
    ShaderProgram program(MakeFlat2DShader("a"));
    first = program.registry_index();
    EXPECT_GE(first, 1);
  }
  for (int i = 1; i < 4; ++i) ShaderProgram(MakeFlat2DShader("b"));
  ShaderProgram fifth(MakeFlat2DShader("c"));
  EXPECT_EQ(fifth.registry_index(), first + 4);
}

TEST_F(GLTest, UniformLookupRecordsEveryNameAndAnswersMinusOneForAbsentOnes) {
  TempDataDir dir;
  ShaderProgram program(dir.Write("v.vert", kVertexFile), dir.Write("f.frag", kFragmentFile));
  EXPECT_EQ(program.GetUniformLocation("Unused"), -1);
  EXPECT_EQ(program.GetUniformLocation("NotThere"), -1);
  EXPECT_GE(program.GetUniformLocation("Color"), 0);
  EXPECT_EQ(program.queried_uniform_names(), (std::set<std::string>{"Color", "NotThere", "Unused"}));
}

TEST_F(GLTest, WarningsDoNotStopTheBuild) {
  auto constructor = MakeFlat2DShader("warned");
  constructor->AddPiece(ShaderPieceType::FRAGMENT_BODY, ShaderPieceSource::STRING,
                        "\tvec4 never_set;\n\tFragColor += never_set;");
  // Mesa keeps compiled shaders in a cache and gives no log for a cached one: a new text each
  // run makes sure the compiler really runs.
  constructor->AddPiece(ShaderPieceType::FRAGMENT_GLOBALS, ShaderPieceSource::STRING,
                        "// " + std::to_string(std::random_device()()) + " " +
                            std::to_string(std::random_device()()));
  GLuint probe = glCreateShader(GL_FRAGMENT_SHADER);
  const std::string source =
      ReplaceVertexAttribNames(constructor->GenerateSource(ShaderPieceType::FRAGMENT_GLOBALS));
  const char* text = source.c_str();
  glShaderSource(probe, 1, &text, nullptr);
  glCompileShader(probe);
  GLint log_length = 0;
  glGetShaderiv(probe, GL_INFO_LOG_LENGTH, &log_length);
  glDeleteShader(probe);
  EXPECT_GT(log_length, 1) << "the driver gave no warning to test with";
  ShaderProgram program(constructor);
  EXPECT_NE(program.program(), 0u);
}

TEST_F(GLTest, BrokenConstructorStageNamesTheConstructorAndStage) {
  EXPECT_EXIT(ShaderProgram program(BrokenFragmentConstructor()), ::testing::ExitedWithCode(1),
              "Shader compilation failed \\(broken fragment stage\\), log:\n.*undeclared_thing");
}

TEST_F(GLTest, BrokenFileStageNamesTheFile) {
  TempDataDir dir;
  const std::string vertex = dir.Write("bad.vert", "#version 420\nvoid main() { nonsense; }\n");
  const std::string fragment = dir.Write("f.frag", kFragmentFile);
  EXPECT_EXIT(ShaderProgram program(vertex, fragment), ::testing::ExitedWithCode(1),
              "Shader compilation failed \\(.*bad.vert\\), log:");
}

TEST_F(GLTest, CompileFailureWithEmptyLogIsStillFatal) {
  real_get_shader_iv = glGetShaderiv;
  EXPECT_EXIT(
      {
        glGetShaderiv = ShaderIvWithoutLog;
        ShaderProgram program(BrokenFragmentConstructor());
      },
      ::testing::ExitedWithCode(1), "Shader compilation failed \\(broken fragment stage\\), log:\n");
}

TEST_F(GLTest, LinkFailureIsFatal) {
  auto constructor = MakeFlat2DShader("unlinked");
  constructor->AddPiece(ShaderPieceType::FRAGMENT_GLOBALS, ShaderPieceSource::STRING,
                        "in vec4 NeverWritten;");
  constructor->AddPiece(ShaderPieceType::FRAGMENT_BODY, ShaderPieceSource::STRING,
                        "\tFragColor = NeverWritten;");
  EXPECT_EXIT(ShaderProgram program(constructor), ::testing::ExitedWithCode(1),
              "Shader linking failed, log:\n.*NeverWritten");
  real_get_program_iv = glGetProgramiv;
  EXPECT_EXIT(
      {
        glGetProgramiv = ProgramIvWithoutLog;
        ShaderProgram program(constructor);
      },
      ::testing::ExitedWithCode(1), "Shader linking failed, log:\n");
}

TEST_F(GLTest, MissingInputsAreFatal) {
  EXPECT_EXIT(ShaderProgram("", "f.frag"), ::testing::ExitedWithCode(1),
              "Need to specify shader filenames!");
  EXPECT_EXIT(ShaderProgram("v.vert", ""), ::testing::ExitedWithCode(1),
              "Need to specify shader filenames!");
  EXPECT_EXIT(ShaderProgram(std::shared_ptr<ShaderConstructor>()), ::testing::ExitedWithCode(1),
              "Need to specify Shader Constructor!");
}
