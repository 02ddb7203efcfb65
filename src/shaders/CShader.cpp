// Reads, compiles and links one GLSL program and binds it for drawing.
#include "shaders/CShader.h"

#include "io/DataFolders.h"
#include "io/FatalExit.h"

#include <SDL/SDL.h>
#include <cstdio>
#include <iostream>
#include <vector>

namespace
{
const char* const MSG_NO_VERTEX_SOURCE = "\nCannot Load vertex shader: ";
const char* const MSG_NO_FRAGMENT_SOURCE = "\nCannot Load fragment shader: ";
const char* const MSG_COMPILE_FAILED = "GLSL compile error in ";
const char* const MSG_LINK_FAILED = "GLSL link error in the program of ";

// No shader source comes near this; a larger size is a device or directory, not a text file.
const long MAX_SOURCE_SIZE = 16L * 1024 * 1024;

const char* PrintablePath(const char* path)
{
    return path ? path : "(null)";
}

// A relative name is looked for in the working directory, then in the application's data folders,
// so an installed engine finds its built-in sources from any working directory.
std::string SourceFile(const char* name)
{
    return name ? DataFileOrName(name) : std::string();
}

// Reads one stage's source; when it cannot be read, prints the message for that stage and, for a
// file found nowhere, every place it was looked for.
std::unique_ptr<char[]> ReadStage(const char* name, const std::string& file, const char* message)
{
    std::unique_ptr<char[]> source = CShader::ReadSource(name ? file.c_str() : nullptr);
    if (!source)
    {
        std::cout << message << PrintablePath(name) << std::endl;
        if (name)
        {
            ReportDataFileNotFound(name);
        }
    }
    return source;
}

// The GLSL compiler's or linker's log of one object; empty when it wrote none.
std::string InfoLog(GLhandleARB object)
{
    GLint length = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1)
    {
        return std::string();
    }
    std::vector<GLcharARB> log(static_cast<size_t>(length) + 1, '\0');
    GLsizei written = 0;
    glGetInfoLogARB(object, length, &written, log.data());
    if (written < 0 || written > length)
    {
        written = 0;
    }
    return std::string(log.data(), static_cast<size_t>(written));
}

void PrintLog(const std::string& headline, GLhandleARB object)
{
    std::cerr << headline << std::endl;
    std::string log = InfoLog(object);
    if (!log.empty())
    {
        std::cerr << log;
        if (log.back() != '\n')
        {
            std::cerr << std::endl;
        }
    }
    std::cerr.flush();
}
}  // namespace

CShader::CShader() : program(0) {}

std::unique_ptr<char[]> CShader::ReadSource(const char* path)
{
    if (!path)
    {
        return nullptr;
    }
    FILE* file = fopen(path, "rt");
    if (!file)
    {
        return nullptr;
    }
    std::unique_ptr<char[]> text;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
    {
        size = ftell(file);
    }
    rewind(file);
    if (size >= 1 && size <= MAX_SOURCE_SIZE)
    {
        text.reset(new char[static_cast<size_t>(size) + 1]);
        // Text mode may deliver fewer bytes than the size, so the end goes after what was read.
        size_t count = fread(text.get(), 1, static_cast<size_t>(size), file);
        text[count] = '\0';
        if (count == 0)
        {
            text.reset();
        }
    }
    fclose(file);
    return text;
}

bool CShader::Load(const char* fragmentPath, const char* vertexPath)
{
    GLhandleARB vertexShader = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    GLhandleARB fragmentShader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);

    const std::string vertexFile = SourceFile(vertexPath);
    const std::string fragmentFile = SourceFile(fragmentPath);
    vertexSource = ReadStage(vertexPath, vertexFile, MSG_NO_VERTEX_SOURCE);
    fragmentSource = ReadStage(fragmentPath, fragmentFile, MSG_NO_FRAGMENT_SOURCE);
    if (!vertexSource || !fragmentSource)
    {
        SDL_Quit();
        FatalExit(1);
    }

    const GLcharARB* vertexText = vertexSource.get();
    const GLcharARB* fragmentText = fragmentSource.get();
    glShaderSourceARB(vertexShader, 1, &vertexText, nullptr);
    glShaderSourceARB(fragmentShader, 1, &fragmentText, nullptr);

    bool vertexCompiled = CompileStage(vertexShader, vertexFile.c_str());
    bool fragmentCompiled = CompileStage(fragmentShader, fragmentFile.c_str());

    program = glCreateProgramObjectARB();
    glAttachObjectARB(program, vertexShader);
    glAttachObjectARB(program, fragmentShader);
    bool linked = LinkProgram(fragmentFile.c_str(), vertexFile.c_str());
    return vertexCompiled && fragmentCompiled && linked;
}

bool CShader::CompileStage(GLhandleARB shader, const char* path) const
{
    glCompileShaderARB(shader);
    GLint compiled = GL_FALSE;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    if (compiled != GL_TRUE)
    {
        PrintLog(std::string(MSG_COMPILE_FAILED) + PrintablePath(path) + ":", shader);
        return false;
    }
    return true;
}

bool CShader::LinkProgram(const char* fragmentPath, const char* vertexPath) const
{
    glLinkProgramARB(program);
    GLint linked = GL_FALSE;
    glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (linked != GL_TRUE)
    {
        PrintLog(std::string(MSG_LINK_FAILED) + PrintablePath(vertexPath) + " and " +
                     PrintablePath(fragmentPath) + ":",
                 program);
        return false;
    }
    return true;
}

void CShader::Bind() const
{
    glUseProgramObjectARB(program);
}

void CShader::Unbind()
{
    glUseProgramObjectARB(0);
}

void CShader::SetSampler(const char* name, int value) const
{
    glUniform1iARB(glGetUniformLocationARB(program, name), value);
}
