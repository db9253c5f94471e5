// Loaded into the game through LD_PRELOAD by the whole-program tests: makes the OpenGL
// driver refuse what a driver short of memory or of framebuffer support refuses, chosen by
// TARNWICK_REFUSE:
//   framebuffers  every framebuffer after the first one made gets no colour attachment, so
//                 the driver itself reports it incomplete and draws nothing into it;
//   page1024      an empty 1024-wide texture (a page to be filled later) is not made, and
//                 glGetError reports GL_OUT_OF_MEMORY.
// The first refusal of each kind is said on standard error ("refuse: ..."), so a test
// knows it took place.
// The framebuffer calls are extension functions that the game looks up through
// SDL_GL_GetProcAddress; glTexImage2D and glGetError it calls directly.
#include <GL/gl.h>
#include <GL/glext.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

typedef void* (*GetProcAddress)(const char*);
typedef void (*FramebufferTexture2D)(GLenum, GLenum, GLenum, GLuint, GLint);
typedef void (*DeleteFramebuffers)(GLsizei, const GLuint*);
typedef void (*TexImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
typedef GLenum (*GetError)();

FramebufferTexture2D realFramebufferTexture2D;
DeleteFramebuffers realDeleteFramebuffers;
GLuint firstFramebuffer;
bool firstGone;
bool outOfMemory;
bool saidFramebuffer;
bool saidPage;

bool refusing(const char* what)
{
    const char* chosen = std::getenv("TARNWICK_REFUSE");
    return chosen && std::strcmp(chosen, what) == 0;
}

void said(bool& once, const char* line)
{
    if (!once)
        std::fputs(line, stderr);
    once = true;
}

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void attachUnlessLater(GLenum target, GLenum attachment, GLenum textarget, GLuint texture, GLint level)
{
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    if (firstFramebuffer == 0)
        firstFramebuffer = static_cast<GLuint>(bound);
    // A name handed out again after the first was deleted is a later framebuffer too.
    if (static_cast<GLuint>(bound) != firstFramebuffer || firstGone) {
        said(saidFramebuffer, "refuse: framebuffers after the first\n");
        texture = 0;
    }
    realFramebufferTexture2D(target, attachment, textarget, texture, level);
}

void deleteFramebuffers(GLsizei count, const GLuint* framebuffers)
{
    for (GLsizei i = 0; i < count; ++i)
        if (framebuffers[i] == firstFramebuffer)
            firstGone = true;
    realDeleteFramebuffers(count, framebuffers);
}

} // namespace

extern "C" void* SDL_GL_GetProcAddress(const char* name)
{
    void* function = next<GetProcAddress>("SDL_GL_GetProcAddress")(name);
    if (!function || !refusing("framebuffers"))
        return function;
    if (!std::strcmp(name, "glFramebufferTexture2D") || !std::strcmp(name, "glFramebufferTexture2DEXT")) {
        realFramebufferTexture2D = reinterpret_cast<FramebufferTexture2D>(function);
        return reinterpret_cast<void*>(attachUnlessLater);
    }
    if (!std::strcmp(name, "glDeleteFramebuffers") || !std::strcmp(name, "glDeleteFramebuffersEXT")) {
        realDeleteFramebuffers = reinterpret_cast<DeleteFramebuffers>(function);
        return reinterpret_cast<void*>(deleteFramebuffers);
    }
    return function;
}

extern "C" void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const void* pixels)
{
    if (refusing("page1024") && width == 1024 && !pixels) {
        said(saidPage, "refuse: empty 1024-wide textures\n");
        outOfMemory = true;
        return;
    }
    next<TexImage2D>("glTexImage2D")(target, level, internalFormat, width, height, border, format, type, pixels);
}

// The refusal's error comes first, as the oldest one recorded.
extern "C" GLenum glGetError()
{
    if (outOfMemory) {
        outOfMemory = false;
        return GL_OUT_OF_MEMORY;
    }
    return next<GetError>("glGetError")();
}
