#pragma once
#include <cstdint>

#include "surfaces/pbuffer.h"

// A texture surface whose image is an off-screen colour buffer: something is
// drawn into the buffer, and binding the surface makes the texture show it.
// On Windows the buffer is a WGL pbuffer with a device context and GL context
// of its own, attached to the texture through the render-texture extension;
// elsewhere it is a framebuffer object whose colour attachment is the
// texture (render_target.h hides which).
//
// The texture is paddedWidth x paddedHeight and the buffer has that size
// too; the image is its width x height corner at the origin. As everywhere in
// GL, texture row 0 is the buffer's bottom row.
class RenderBuffer : public PBuffer {
public:
    uint8_t* pixels;       // read-back cache, allocated by the first readBack
    uint8_t rendering;     // 1 while the buffer is being drawn into
    uint8_t pixelsCached;  // 1 once readBack has filled pixels
    uint8_t bound;         // 1 once bind has attached the colour buffer
    uint32_t textureName;  // the texture the colour buffer is attached to
    void* pbufferDC;       // HDC of the pbuffer (null without WGL)
    void* pbufferContext;  // HGLRC of the pbuffer (null without WGL)
    void* pbuffer;         // HPBUFFERARB (null without WGL)
    uint32_t framebuffer;  // the framebuffer object where there is no pbuffer

    // An empty buffer: no texture, no colour buffer, flags clear. Nothing is
    // drawn or released for it until create succeeds.
    RenderBuffer();
    // Frees the cache, deletes the texture, then the buffer's context, its
    // device context and the buffer itself, in that order. The colour buffer
    // is not detached and the current context is left as it is.
    ~RenderBuffer();
    RenderBuffer(const RenderBuffer&) = delete;
    RenderBuffer& operator=(const RenderBuffer&) = delete;

    // Makes the texture current with the colour buffer attached, switching
    // back to the window's context first if the buffer was being drawn
    // into. Returns at once, binding nothing, while already bound.
    uint32_t bind() override;
    // Reads the texture once; later calls return the same cache until
    // beginRendering draws a new picture. Null for a buffer never created.
    uint8_t* readBack() override;
    // Detaches the colour buffer, makes the window's context current and
    // replaces the texture's whole padded image; the surface's size and
    // flags stay as they are. The width and height arguments are ignored:
    // rgba holds paddedWidth x paddedHeight x 4 bytes, the image in its
    // first rows and columns. A null rgba clears the texture. Does nothing
    // for a buffer never created.
    void upload(const uint8_t* rgba, int32_t width, int32_t height) override;

    // Gives an empty buffer a width x height image: a texture and a colour
    // buffer of the padded size, drawing state of its own (see
    // render_target.h). Needs the window's context current. False, with
    // nothing made, where the platform cannot provide it: a texture of that
    // size, or a buffer the driver can draw into.
    bool create(int32_t width, int32_t height);
    // Makes the buffer the target of GL drawing, with the viewport on the
    // image. The next bind shows the new picture and the next readBack reads
    // it.
    void beginRendering();
};

// Render buffers that live for the whole process, as one array allocation.
// Null unless something fills it; released at process exit, the last
// element first.
extern RenderBuffer* renderBufferPool;

// Destroys every element of the pool, last first, frees the array and leaves
// the pool null. Runs by itself at process exit.
void releaseRenderBufferPool();
