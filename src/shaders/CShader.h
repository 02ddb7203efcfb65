/// \file
/// One GLSL program (a vertex and a fragment shader read from two text files), built through the
/// ARB shader-object entry points.
#ifndef KYREL_CSHADER_H
#define KYREL_CSHADER_H

#include <GL/glew.h>
#include <memory>
#include <string>

/// A GLSL program; gShaderManager owns the built-in ones and any added to it. Needs the video
/// mode open.
class CShader
{
public:
    /// No program yet: Load builds it.
    CShader();
    /// The GL objects are left to the end of the context: at shutdown it may already be gone.
    ~CShader() = default;

    CShader(const CShader&) = delete;
    CShader& operator=(const CShader&) = delete;

    /// A whole text file with a NUL after the bytes actually read; null for a null path, a file
    /// that cannot be opened or read, or an empty one.
    static std::unique_ptr<char[]> ReadSource(const char* path);

    /// Reads both files (fragment path first, as the built-in table lists them), compiles, attaches
    /// and links. A relative name is read from the working directory, else from the first data
    /// folder holding it (AddDataFolder). A missing source reports every missing file (one found
    /// nowhere with the places looked), shuts SDL down and ends the process: going on would call
    /// GL into the context SDL has just destroyed. Compile and link failures print
    /// the GLSL log on standard error and leave the program in place; the result says whether the
    /// program compiled and linked cleanly.
    bool Load(const char* fragmentPath, const char* vertexPath);

    /// Makes the program current.
    void Bind() const;
    /// Goes back to the fixed-function pipeline (no program current).
    static void Unbind();
    /// The ARB program object; 0 before Load.
    GLhandleARB GetProgram() const { return program; }
    /// The program must be bound: OpenGL applies uniform values to the program in use.
    void SetSampler(const char* name, int value) const;

    /// The sources as read by Load; null before it.
    ///@{
    const char* GetFragmentSource() const { return fragmentSource.get(); }
    const char* GetVertexSource() const { return vertexSource.get(); }
    ///@}

private:
    bool CompileStage(GLhandleARB shader, const char* path) const;
    bool LinkProgram(const char* fragmentPath, const char* vertexPath) const;

    std::unique_ptr<char[]> fragmentSource;
    std::unique_ptr<char[]> vertexSource;
    GLhandleARB program;
};

#endif
