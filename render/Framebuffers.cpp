#include "render/Framebuffers.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL/SDL.h>
#include <cstdio>
#include <cstring>

#include "render/PictureTextures.h"

static void* framebufferFunction(const char* name, const char* suffix)
{
    char full[64];
    snprintf(full, sizeof full, "%s%s", name, suffix);
    return SDL_GL_GetProcAddress(full);
}

Framebuffers::Framebuffers()
    : genFramebuffers(nullptr), deleteFramebuffers(nullptr), bindFramebuffer(nullptr), framebufferTexture2D(nullptr),
      checkFramebufferStatus(nullptr), blendFuncSeparate(nullptr)
{
}

void Framebuffers::load()
{
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions)
        return;
    const char* suffix = nullptr;
    if (strstr(extensions, "GL_ARB_framebuffer_object"))
        suffix = "";
    else if (strstr(extensions, "GL_EXT_framebuffer_object"))
        suffix = "EXT";
    if (!suffix)
        return;

    genFramebuffers = reinterpret_cast<GenFramebuffers>(framebufferFunction("glGenFramebuffers", suffix));
    deleteFramebuffers = reinterpret_cast<DeleteFramebuffers>(framebufferFunction("glDeleteFramebuffers", suffix));
    bindFramebuffer = reinterpret_cast<BindFramebuffer>(framebufferFunction("glBindFramebuffer", suffix));
    framebufferTexture2D =
        reinterpret_cast<FramebufferTexture2D>(framebufferFunction("glFramebufferTexture2D", suffix));
    checkFramebufferStatus =
        reinterpret_cast<CheckFramebufferStatus>(framebufferFunction("glCheckFramebufferStatus", suffix));
    blendFuncSeparate = reinterpret_cast<BlendFuncSeparate>(SDL_GL_GetProcAddress("glBlendFuncSeparate"));
}

bool Framebuffers::available() const
{
    return genFramebuffers && bindFramebuffer && framebufferTexture2D && checkFramebufferStatus;
}

bool Framebuffers::make(unsigned width, unsigned height, unsigned& texture, unsigned& framebuffer)
{
    texture = PictureTextures::uploadTexture(nullptr, width, height, true);
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER_EXT, framebuffer);
    framebufferTexture2D(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    if (checkFramebufferStatus(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT)
        return true;
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    deleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
    return false;
}

void Framebuffers::release(unsigned texture, unsigned framebuffer) const
{
    deleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
}

void Framebuffers::bind(unsigned framebuffer) const
{
    bindFramebuffer(GL_FRAMEBUFFER_EXT, framebuffer);
}

void Framebuffers::leave() const
{
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_SCISSOR_TEST);
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
}

void Framebuffers::blendPremultiplied() const
{
    blendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}
