#include "surfaces/bitmap.h"

#include "jpeg/jpeg_decoder.h"
#include "shell/gl.h"
#include "surfaces/pixel_memory.h"
#include "surfaces/texture_transfer.h"

Bitmap::Bitmap()
    : textureCreated(0), textureName(0), pixels(nullptr), cacheWidth(0), cacheHeight(0) {
    width = 0;
    height = 0;
}

Bitmap::~Bitmap() {
    delete[] pixels;
    glDeleteTextures(1, &textureName);  // name 0 deletes nothing
}

uint32_t Bitmap::bind() {
    glBindTexture(GL_TEXTURE_2D, textureName);
    return textureName;
}

void Bitmap::upload(const uint8_t* rgba, int32_t w, int32_t h) {
    if (!textureCreated) {
        textureCreated = 1;
        textureName = createTexture();
    }
    if (w == 0 && h == 0) {
        w = width;
        h = height;
    }
    setSize(w, h);
    // A texture larger than the driver can make would fail without a word
    // and draw white.
    if (!textureCanHold(paddedWidth, paddedHeight)) {
        becomeEmpty();
        return;
    }

    // The image goes into the top-left corner of the padded texture. The
    // padding is cleared so that what linear filtering blends in at the
    // image's edges is the same on every run.
    loadPaddedTexture(textureName, rgba, width, height, paddedWidth, paddedHeight);
}

uint8_t* Bitmap::readBack() {
    if (pixels && (cacheWidth != width || cacheHeight != height)) {
        delete[] pixels;
        pixels = nullptr;
    }
    if (!pixels) {
        pixels = allocatePixels(width, height);
        if (!pixels) {
            becomeEmpty();
            return nullptr;
        }
        cacheWidth = width;
        cacheHeight = height;
    }

    glEnable(GL_TEXTURE_2D);
    bind();
    if (readTexture(pixels, width, height) == TextureRead::noMemory) becomeEmpty();
    return pixels;
}

void Bitmap::becomeEmpty() {
    // Users judge success by the size (the decoder shows its message for an
    // empty image), so a size whose image the texture does not hold must not
    // stay: the surface becomes 0 x 0 over a 1 x 1 texture, as an empty
    // upload leaves it.
    static const uint8_t nothing[4] = {0, 0, 0, 0};
    setSize(0, 0);
    if (textureCreated) loadTexture(textureName, paddedWidth, paddedHeight, nothing, true);
}

BitmapImporter::BitmapImporter(const uint8_t* bytes, int32_t size) {
    decodeJpeg(this, bytes, size);
}

void drawTexturedQuad(PBuffer& surface, float x0, float y0, float x1, float y1, float x2, float y2,
                      float x3, float y3, float s0, float t0, float s1, float t1, float s2,
                      float t2, float s3, float t3) {
    glEnable(GL_TEXTURE_2D);
    // Bound twice on purpose: some surfaces' bind returns before binding.
    const GLuint name = surface.bind();
    glBindTexture(GL_TEXTURE_2D, name);

    const float scaleS = surface.scaleS;
    const float scaleT = surface.scaleT;
    glBegin(GL_QUADS);
    glTexCoord2f(s0 * scaleS, t0 * scaleT);
    glVertex2f(x0, y0);
    glTexCoord2f(s1 * scaleS, t1 * scaleT);
    glVertex2f(x1, y1);
    glTexCoord2f(s2 * scaleS, t2 * scaleT);
    glVertex2f(x2, y2);
    glTexCoord2f(s3 * scaleS, t3 * scaleT);
    glVertex2f(x3, y3);
    glEnd();
}
