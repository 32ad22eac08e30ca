#include "surfaces/texture_transfer.h"

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
