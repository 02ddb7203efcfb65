// Preloaded into a GL test process to play a driver without framebuffer objects: GLEW's answer
// for that one extension becomes "no", everything else is GLEW's own.
#include <GL/glew.h>
#include <cstring>
#include <dlfcn.h>

extern "C" GLboolean glewIsSupported(const char* name)
{
    using IsSupported = GLboolean (*)(const char*);
    static IsSupported real = reinterpret_cast<IsSupported>(dlsym(RTLD_NEXT, "glewIsSupported"));
    if (name && strcmp(name, "GL_EXT_framebuffer_object") == 0)
    {
        return GL_FALSE;
    }
    return real ? real(name) : GL_FALSE;
}
