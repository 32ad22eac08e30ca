#include "surfaces/render_buffer.h"

#include <cstring>

#include "shell/gl.h"
#include "surfaces/pixel_memory.h"
#include "surfaces/render_target.h"

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

    // glGetTexImage writes the texture's own size. That is the padded size
    // for every created buffer, but a buffer never created reads texture 0,
    // which may hold anything; the target must fit whatever comes.
    GLint levelWidth = 0;
    GLint levelHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &levelWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &levelHeight);
    const bool padded = levelWidth == paddedWidth && levelHeight == paddedHeight;
    if (padded && width == paddedWidth && height == paddedHeight) {
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        pixelsCached = 1;
        return pixels;
    }

    uint8_t* temporary =
        levelWidth > 0 && levelHeight > 0 ? allocatePixels(levelWidth, levelHeight) : nullptr;
    if (!temporary) {
        // Nothing to read: an empty picture, read again next time.
        std::memset(pixels, 0, imageBytes(width, height));
        return pixels;
    }
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, temporary);
    pixelsCached = 1;
    const int32_t rows = clampTo(height, levelHeight);
    const int32_t columns = clampTo(width, levelWidth);
    if (rows < height || columns < width) std::memset(pixels, 0, imageBytes(width, height));
    copyRows(pixels, width, temporary, levelWidth, rows, columns);
    delete[] temporary;
    return pixels;
}

void RenderBuffer::upload(const uint8_t* rgba, int32_t w, int32_t h) {
    detachColourBuffer(*this);
    makeWindowContextCurrent();

    // The texture takes a whole padded image. A caller's image of another
    // size goes through a cleared staging buffer so that nothing past its
    // own w x h is read.
    const uint8_t* image = rgba;
    uint8_t* staging = nullptr;
    const bool sizeGiven = w != 0 || h != 0;
    if (rgba && sizeGiven && (w != paddedWidth || h != paddedHeight)) {
        staging = allocatePixels(paddedWidth, paddedHeight);
        if (!staging) return;
        std::memset(staging, 0, imageBytes(paddedWidth, paddedHeight));
        copyRows(staging, paddedWidth, rgba, w, clampTo(h, paddedHeight), clampTo(w, paddedWidth));
        image = staging;
    }

    glPushAttrib(kAllAttributeGroups);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, paddedWidth, paddedHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image);
    glPopAttrib();
    delete[] staging;
}

bool RenderBuffer::create(int32_t w, int32_t h) {
    if (textureName != 0 || w <= 0 || h <= 0) return false;
    // A cache read before creation was sized for 0 x 0.
    delete[] pixels;
    pixels = nullptr;
    pixelsCached = 0;
    setSize(w, h);

    glPushAttrib(kAllAttributeGroups);
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Storage of the padded size: a framebuffer draws straight into it, and
    // read-back before the first bind finds the size it expects.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, paddedWidth, paddedHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glPopAttrib();

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
