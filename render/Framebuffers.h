#pragma once

// The framebuffer objects that canvases and layers are drawn into. OpenGL 1.x has no
// framebuffers: drivers offer them as an extension, whose calls are looked up once the
// context exists.
class Framebuffers {
public:
    Framebuffers();

    // Looks the calls up in the current context (the ARB names, else the EXT ones).
    void load();
    bool available() const;
    // The separate alpha blend that layers are drawn into with (OpenGL 1.4).
    bool canBlendSeparately() const { return blendFuncSeparate != nullptr; }

    // A texture of the given size with a framebuffer drawing into it, left bound; false
    // (and nothing made) when the driver cannot draw into it: its users say what they do
    // without it.
    bool make(unsigned width, unsigned height, unsigned& texture, unsigned& framebuffer);
    void release(unsigned texture, unsigned framebuffer) const;
    void bind(unsigned framebuffer) const;
    // Back to drawing on the window, with the window's blending and nothing clipped.
    void leave() const;
    // Colours blended by their alpha, alpha added: what a transparent layer collects.
    void blendPremultiplied() const;

private:
    typedef void (*GenFramebuffers)(int, unsigned*);
    typedef void (*DeleteFramebuffers)(int, const unsigned*);
    typedef void (*BindFramebuffer)(unsigned, unsigned);
    typedef void (*FramebufferTexture2D)(unsigned, unsigned, unsigned, unsigned, int);
    typedef unsigned (*CheckFramebufferStatus)(unsigned);
    typedef void (*BlendFuncSeparate)(unsigned, unsigned, unsigned, unsigned);

    GenFramebuffers genFramebuffers;
    DeleteFramebuffers deleteFramebuffers;
    BindFramebuffer bindFramebuffer;
    FramebufferTexture2D framebufferTexture2D;
    CheckFramebufferStatus checkFramebufferStatus;
    BlendFuncSeparate blendFuncSeparate;
};
