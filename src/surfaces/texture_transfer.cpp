#include "surfaces/texture_transfer.h"

#include <algorithm>
#include <cstring>

#include "shell/gl.h"
#include "surfaces/pixel_memory.h"

uint32_t createTexture() {
    GLuint name = 0;
    glPushAttrib(kAllAttributeGroups);
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPopAttrib();
    return name;
}

void loadTexture(uint32_t name, int32_t width, int32_t height, const uint8_t* rgba,
                 bool linearFilters) {
    glPushAttrib(kAllAttributeGroups);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (linearFilters) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    glPopAttrib();
}

namespace {

// Zeros to clear texture padding from, read a strip at a time; never
// written, so it costs no memory of its own.
constexpr int32_t kZeroBytes = 1 << 16;
const uint8_t zeros[kZeroBytes] = {};

// Clears the width x height region at (x, y) of the bound texture's level 0.
void clearRegion(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    const int32_t columns = std::min(width, kZeroBytes / 4);
    const int32_t rows = std::max(1, kZeroBytes / (columns * 4));
    for (int32_t top = y; top < y + height; top += rows) {
        for (int32_t left = x; left < x + width; left += columns) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, left, top, std::min(columns, x + width - left),
                            std::min(rows, y + height - top), GL_RGBA, GL_UNSIGNED_BYTE, zeros);
        }
    }
}

}  // namespace

void loadPaddedTexture(uint32_t name, const uint8_t* rgba, int32_t width, int32_t height,
                       int32_t paddedWidth, int32_t paddedHeight) {
    glPushAttrib(kAllAttributeGroups);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    const int32_t columns = rgba ? clampTo(width, paddedWidth) : 0;
    const int32_t rows = rgba ? clampTo(height, paddedHeight) : 0;
    if (columns == paddedWidth && rows == paddedHeight) {
        // The image fills the texture: straight from the caller's rows.
        glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, paddedWidth, paddedHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, paddedWidth, paddedHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        if (columns > 0 && rows > 0) {
            glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, columns, rows, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        }
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        clearRegion(columns, 0, paddedWidth - columns, rows);
        clearRegion(0, rows, paddedWidth, paddedHeight - rows);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPopClientAttrib();
    glPopAttrib();
}

bool textureCanHold(int32_t width, int32_t height) {
    GLint proxyWidth = width;
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &proxyWidth);
    return proxyWidth != 0;
}

TextureRead readTexture(uint8_t* image, int32_t width, int32_t height) {
    // glGetTexImage writes the texture's own size. That is the padded size
    // after every successful upload, but a texture the driver refused (too
    // large), a render buffer never created or no context at all leaves
    // something else, and the target must hold whatever comes.
    GLint levelWidth = 0;
    GLint levelHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &levelWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &levelHeight);
    if (levelWidth == width && levelHeight == height && width > 0 && height > 0) {
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);
        return TextureRead::copied;
    }
    if (levelWidth <= 0 || levelHeight <= 0) {
        std::memset(image, 0, imageBytes(width, height));
        return TextureRead::nothing;
    }
    uint8_t* whole = allocatePixels(levelWidth, levelHeight);
    if (!whole) {
        std::memset(image, 0, imageBytes(width, height));
        return TextureRead::noMemory;
    }
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, whole);
    const int32_t rows = clampTo(height, levelHeight);
    const int32_t columns = clampTo(width, levelWidth);
    if (rows < height || columns < width) std::memset(image, 0, imageBytes(width, height));
    copyRows(image, width, whole, levelWidth, rows, columns);
    delete[] whole;
    return TextureRead::copied;
}
