// Render buffers on a framebuffer object (Linux): the texture itself is the
// framebuffer's colour attachment, so what is drawn lands in the texture with
// no copy. There is no second context: drawing into a buffer shares the
// window's context, and only the framebuffer binding and the viewport are
// switched and given back.
#include "shell/gl.h"
#include "shell/render_texture.h"
#include "surfaces/render_buffer.h"
#include "surfaces/render_target.h"

namespace {
// The EXT and core framebuffer-object values are the same numbers.
constexpr GLenum kFramebuffer = 0x8D40;         // GL_FRAMEBUFFER(_EXT)
constexpr GLenum kFramebufferBinding = 0x8CA6;  // GL_FRAMEBUFFER_BINDING(_EXT)
constexpr GLenum kColourAttachment0 = 0x8CE0;   // GL_COLOR_ATTACHMENT0(_EXT)
constexpr GLenum kComplete = 0x8CD5;            // GL_FRAMEBUFFER_COMPLETE(_EXT)

// Whether a buffer's framebuffer is the drawing target, and the window's
// viewport to give back when it stops being one. Plain data: it must still
// be valid when the render-buffer pool is released at exit.
bool drawingIntoBuffer = false;
GLint windowViewport[4] = {0, 0, 0, 0};

bool haveFramebuffers() {
    return genFramebuffers && bindFramebuffer && framebufferTexture2D && deleteFramebuffers &&
           checkFramebufferStatus;
}

GLuint currentFramebuffer() {
    GLint name = 0;
    glGetIntegerv(kFramebufferBinding, &name);
    return GLuint(name);
}

// Attaches texture (0: nothing) to framebuffer without changing the drawing
// target. False when the driver cannot draw into the framebuffer so made.
bool setColourAttachment(GLuint framebuffer, GLuint texture) {
    const GLuint previous = currentFramebuffer();
    bindFramebuffer(kFramebuffer, framebuffer);
    framebufferTexture2D(kFramebuffer, kColourAttachment0, GL_TEXTURE_2D, texture, 0);
    const bool complete = checkFramebufferStatus(kFramebuffer) == kComplete;
    bindFramebuffer(kFramebuffer, previous);
    return complete;
}
}  // namespace

void makeWindowContextCurrent() {
    if (!drawingIntoBuffer) return;
    drawingIntoBuffer = false;
    bindFramebuffer(kFramebuffer, 0);
    glViewport(windowViewport[0], windowViewport[1], windowViewport[2], windowViewport[3]);
}

// In one context GL orders the drawing before any later use of the texture,
// and the texture stays attached from creation to destruction: once the
// window's framebuffer is current again, the texture shows what was drawn.
// Nothing more is needed to attach or detach.
void attachColourBuffer(RenderBuffer&) {}
void detachColourBuffer(RenderBuffer&) {}

bool createRenderTarget(RenderBuffer& buffer) {
    if (!haveFramebuffers() || buffer.textureName == 0) return false;
    GLuint name = 0;
    genFramebuffers(1, &name);
    if (name == 0) return false;
    if (!setColourAttachment(name, buffer.textureName)) {
        deleteFramebuffers(1, &name);
        return false;
    }
    buffer.framebuffer = name;
    return true;
}

void beginRenderingInto(RenderBuffer& buffer) {
    if (!haveFramebuffers() || buffer.framebuffer == 0) return;
    // Only the window's viewport is kept: going from one buffer straight to
    // another must not make the first one's viewport the window's.
    if (!drawingIntoBuffer) glGetIntegerv(GL_VIEWPORT, windowViewport);
    drawingIntoBuffer = true;
    bindFramebuffer(kFramebuffer, buffer.framebuffer);
}

// The buffer has no context or device context of its own here.
void deleteRenderContext(RenderBuffer&) {}
void releaseRenderDC(RenderBuffer&) {}

void destroyRenderTarget(RenderBuffer& buffer) {
    if (buffer.framebuffer == 0 || !haveFramebuffers()) return;
    // Deleting the framebuffer that is the drawing target falls back to the
    // window's, as makeWindowContextCurrent would.
    if (currentFramebuffer() == buffer.framebuffer) makeWindowContextCurrent();
    deleteFramebuffers(1, &buffer.framebuffer);
    buffer.framebuffer = 0;
}
