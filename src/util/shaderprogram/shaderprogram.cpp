#include "util/shaderprogram/shaderprogram.h"

#include <vector>

#include <GL/glew.h>
#include <fmt/format.h>

#include "system/log.h"
#include "util/data/data.h"

namespace {

// Every program ever made, in construction order; entries of destroyed programs stay. It only
// numbers the programs.
std::vector<ShaderProgram*>& ShaderProgramRegistry() {
  static std::vector<ShaderProgram*> registry;
  return registry;
}

struct BuildOutcome {
  bool succeeded;
  std::string log;
};

// Status and info log of a shader (or, with the program entry points, a program). The status
// is read whatever the log holds: a driver may fail a stage without a word.
BuildOutcome QueryOutcome(GLuint object, GLenum status_name, PFNGLGETSHADERIVPROC get_value,
                          PFNGLGETSHADERINFOLOGPROC get_log) {
  GLint status = GL_FALSE;
  GLint length = 0;
  get_value(object, status_name, &status);
  get_value(object, GL_INFO_LOG_LENGTH, &length);
  std::string log;
  if (length > 1) {
    log.assign(static_cast<size_t>(length), '\0');
    get_log(object, length, nullptr, log.data());
    log = TrimAtNul(std::move(log));
  }
  return {status == GL_TRUE, std::move(log)};
}

}  // namespace

std::string TrimAtNul(std::string text) {
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

std::string AddLineNumbers(const std::string& text) {
  std::string out;
  size_t start = 0;
  int number = 1;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    out += fmt::format("{:4}: {}", number++, text.substr(start, end + 1 - start));
    start = end + 1;
  }
  return out;
}

ShaderProgram::ShaderProgram(const std::string& vertex_file_name,
                             const std::string& fragment_file_name)
    : vertex_file_name_(vertex_file_name),
      fragment_file_name_(fragment_file_name),
      origin_(ShaderOrigin::FILES) {
  if (vertex_file_name.empty() || fragment_file_name.empty()) {
    ExitMsg(__FILE__, __LINE__, "Need to specify shader filenames!");
  }
  Build();
  name_ = vertex_file_name + " / " + fragment_file_name;
  Register();
}

ShaderProgram::ShaderProgram(std::shared_ptr<ShaderConstructor> constructor)
    : constructor_(std::move(constructor)), origin_(ShaderOrigin::CONSTRUCTOR) {
  if (!constructor_) ExitMsg(__FILE__, __LINE__, "Need to specify Shader Constructor!");
  Build();
  name_ = constructor_->name;
  Register();
}

ShaderProgram::~ShaderProgram() {
  if (program_ != 0) glDeleteProgram(program_);
}

void ShaderProgram::Register() {
  auto& registry = ShaderProgramRegistry();
  registry.push_back(this);
  registry_index_ = static_cast<int32_t>(registry.size());
}

void ShaderProgram::Use() const { glUseProgram(program_); }

int32_t ShaderProgram::GetUniformLocation(const std::string& uniform_name) {
  // A linked program's locations never change: each name is asked of GL once.
  if (const auto found = uniform_locations_.find(uniform_name); found != uniform_locations_.end()) {
    return found->second;
  }
  queried_uniform_names_.insert(uniform_name);
  const int32_t location = glGetUniformLocation(program_, uniform_name.c_str());
  uniform_locations_.emplace(uniform_name, location);
  return location;
}

void ShaderProgram::DumpSource() const {
  LogInfo("Shader from {}", name_);
  LogInfo("--- Vertex");
  LogInfo("{}", vertex_source_);
  LogInfo("--- Fragment");
  LogInfo("{}", fragment_source_);
}

void ShaderProgram::Build() {
  const std::string saved_vertex = vertex_source_;
  const std::string saved_fragment = fragment_source_;
  try {
    switch (origin_) {
      case ShaderOrigin::CONSTRUCTOR:
        LogInfo("  Compiling and linking constructor GLSL: {}", constructor_->name);
        vertex_source_ = ReplaceVertexAttribNames(
            constructor_->GenerateSource(ShaderPieceType::VERTEX_GLOBALS));
        fragment_source_ = ReplaceVertexAttribNames(
            constructor_->GenerateSource(ShaderPieceType::FRAGMENT_GLOBALS));
        break;
      case ShaderOrigin::FILES:
        vertex_source_ = ReadShaderFile(vertex_file_name_);
        fragment_source_ = ReadShaderFile(fragment_file_name_);
        LogInfo("  Compiling and linking GLSL files: {}, {}", vertex_file_name_,
                fragment_file_name_);
        break;
      default:
        ExitMsg(__FILE__, __LINE__, "Unsupported shader origin!");
    }
    CreateProgram(vertex_source_, fragment_source_);
  } catch (...) {
    vertex_source_ = saved_vertex;
    fragment_source_ = saved_fragment;
    throw;
  }
}

std::string ShaderProgram::ReadShaderFile(const std::string& file_name) const {
  const std::string path = FileExists(file_name) ? file_name : "data/common/shaders/" + file_name;
  const std::vector<uint8_t> bytes = GetFileBytes(path, "rt", true);
  return ReplaceVertexAttribNames(std::string(reinterpret_cast<const char*>(bytes.data())));
}

void ShaderProgram::CreateProgram(const std::string& vertex_text,
                                  const std::string& fragment_text) {
  const GLuint vertex_shader = glCreateShader(GL_VERTEX_SHADER);
  const GLuint fragment_shader = glCreateShader(GL_FRAGMENT_SHADER);
  const GLchar* vertex_string = vertex_text.c_str();
  const GLchar* fragment_string = fragment_text.c_str();
  glShaderSource(vertex_shader, 1, &vertex_string, nullptr);
  glShaderSource(fragment_shader, 1, &fragment_string, nullptr);
  CompileShader(vertex_shader, StageLabel(vertex_file_name_, "vertex"), vertex_text);
  CompileShader(fragment_shader, StageLabel(fragment_file_name_, "fragment"), fragment_text);
  program_ = LinkProgram(vertex_shader, fragment_shader);
  glDetachShader(program_, vertex_shader);
  glDetachShader(program_, fragment_shader);
  glDeleteShader(vertex_shader);
  glDeleteShader(fragment_shader);
}

// What a compile error names: the stage's file, or for a generated program the constructor's
// name and the stage.
std::string ShaderProgram::StageLabel(const std::string& file_name, const char* stage) const {
  if (!file_name.empty()) return file_name;
  return fmt::format("{} {} stage", constructor_ ? constructor_->name : name_, stage);
}

void ShaderProgram::CompileShader(uint32_t shader, const std::string& label,
                                  const std::string& source) {
  glCompileShader(shader);
  const auto [succeeded, log] =
      QueryOutcome(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog);
  if (!succeeded) {
    ExitMsgFmt(__FILE__, __LINE__, "Shader compilation failed ({}), log:\n{}", label, log);
  }
  if (!log.empty()) {
    LogInfo("{}", log);
    LogInfo("--- Shader source:\n{}", AddLineNumbers(source));
  }
}

uint32_t ShaderProgram::LinkProgram(uint32_t vertex_shader, uint32_t fragment_shader) {
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex_shader);
  glAttachShader(program, fragment_shader);
  glLinkProgram(program);
  const auto [succeeded, log] =
      QueryOutcome(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog);
  if (!succeeded) {
    LogInfo("Shader linking failed, log: {}", log);
    ExitMsgFmt(__FILE__, __LINE__, "Shader linking failed, log:\n{}", log);
  }
  if (!log.empty()) {
    LogInfo("{}", log);
    LogInfo("--- Vert shader source:\n{}", AddLineNumbers(vertex_source_));
    LogInfo("--- Frag shader source:\n{}", AddLineNumbers(fragment_source_));
  }
  // Validation depends on the state at this moment (bound textures, samplers); its verdict is
  // not a reason to refuse the program.
  glValidateProgram(program);
  return program;
}
