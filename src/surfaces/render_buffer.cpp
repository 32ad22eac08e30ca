#include "surfaces/render_buffer.h"

#include <cstring>

#include "shell/gl.h"
#include "surfaces/pixel_memory.h"
#include "surfaces/render_target.h"
#include "surfaces/texture_transfer.h"

RenderBuffer* renderBufferPool = nullptr;

RenderBuffer::RenderBuffer()
    : pixels(nullptr),
      rendering(0),
      pixelsCached(0),
      bound(0),
      textureName(0),
      pbufferDC(nullptr),
      pbufferContext(nullptr),
      pbuffer(nullptr),
      framebuffer(0) {}

RenderBuffer::~RenderBuffer() {
    delete[] pixels;
    glDeleteTextures(1, &textureName);  // name 0 deletes nothing
    deleteRenderContext(*this);
    releaseRenderDC(*this);
    destroyRenderTarget(*this);
}

uint32_t RenderBuffer::bind() {
    if (bound) return textureName;
    if (rendering) makeWindowContextCurrent();
    rendering = 0;
    bound = 1;
    glBindTexture(GL_TEXTURE_2D, textureName);
    attachColourBuffer(*this);
    return textureName;
}

uint8_t* RenderBuffer::readBack() {
    // A buffer never created has no picture: texture 0 would be read.
    if (textureName == 0) return nullptr;
    if (pixelsCached) return pixels;
    if (!pixels) {
        pixels = allocatePixels(width, height);
        if (!pixels) return nullptr;
    }

    // bind binds nothing while the buffer is already bound, and by now
    // another texture may be current: reading that one would cache a wrong
    // picture of a different size. Bind the name it returns, as quad drawing
    // does.
    const GLuint name = bind();
    glBindTexture(GL_TEXTURE_2D, name);
    // With nothing read the picture stays uncached and is read again next
    // time.
    if (readTexture(pixels, width, height) == TextureRead::copied) pixelsCached = 1;
    return pixels;
}

void RenderBuffer::upload(const uint8_t* rgba, int32_t, int32_t) {
    // Without a texture of its own the upload would land in texture 0.
    if (textureName == 0) return;
    detachColourBuffer(*this);
    makeWindowContextCurrent();
    // The caller's array is the whole padded image. Without one the texture
    // is cleared rather than left undefined.
    uint8_t* zeros = nullptr;
    if (!rgba) {
        zeros = allocatePixels(paddedWidth, paddedHeight);
        if (zeros) std::memset(zeros, 0, imageBytes(paddedWidth, paddedHeight));
    }
    loadTexture(textureName, paddedWidth, paddedHeight, rgba ? rgba : zeros, false);
    delete[] zeros;
}

bool RenderBuffer::create(int32_t w, int32_t h) {
    if (textureName != 0 || w <= 0 || h <= 0) return false;
    // A cache read before creation was sized for 0 x 0, and a bind before
    // creation set bound: left set, the first bind would attach nothing.
    delete[] pixels;
    pixels = nullptr;
    rendering = 0;
    pixelsCached = 0;
    bound = 0;
    setSize(w, h);
    if (!textureCanHold(paddedWidth, paddedHeight)) {
        setSize(0, 0);
        return false;
    }

    textureName = createTexture();
    // Storage of the padded size: a framebuffer draws straight into it, and
    // read-back before the first bind finds the size it expects.
    loadTexture(textureName, paddedWidth, paddedHeight, nullptr, false);

    if (!createRenderTarget(*this)) {
        glDeleteTextures(1, &textureName);
        textureName = 0;
        setSize(0, 0);
        return false;
    }
    return true;
}

void RenderBuffer::beginRendering() {
    // A buffer never created has no drawing target; switching to one would
    // leave no context current at all.
    if (textureName == 0) return;
    // Drawing into a buffer that a texture still shows is undefined.
    if (bound) detachColourBuffer(*this);
    beginRenderingInto(*this);
    glViewport(0, 0, width, height);
    rendering = 1;
    bound = 0;
    pixelsCached = 0;
}

void releaseRenderBufferPool() {
    // Array deletion destroys the elements from the last to the first, then
    // frees the storage.
    delete[] renderBufferPool;
    renderBufferPool = nullptr;
}

namespace {
// Constructed during static initialisation, so its destructor runs at process
// exit: after everything constructed later is gone, while the GL context
// (never released) still exists.
struct PoolReleaseAtExit {
    ~PoolReleaseAtExit() { releaseRenderBufferPool(); }
};
PoolReleaseAtExit poolReleaseAtExit;
}  // namespace
