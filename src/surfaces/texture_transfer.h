#pragma once
// Moving RGBA images into and out of GL textures, shared by the surfaces.
// Everything here works on GL_TEXTURE_2D and needs a GL context current.
#include <cstdint>

// A new texture name with linear filters and no image yet. The caller's
// texture binding and enables are left as they were.
uint32_t createTexture();

// Makes a width x height RGBA8 image from rgba (width x height x 4 bytes;
// null leaves the content undefined) level 0 of texture name, setting linear
// filters again when asked. The caller's texture binding and enables are
// left as they were.
void loadTexture(uint32_t name, int32_t width, int32_t height, const uint8_t* rgba,
                 bool linearFilters);

// Whether level 0 of a texture can be a width x height RGBA8 image, as a
// proxy texture answers it: the driver's size limit and, on some drivers,
// its memory. Nothing is made. With no context current nothing answers, and
// the answer is yes.
bool textureCanHold(int32_t width, int32_t height);

// Makes level 0 of texture name a paddedWidth x paddedHeight RGBA8 texture
// with linear filters: the width x height image rgba (rows of width pixels;
// null for none) in its top-left corner, zeros everywhere else. Reads the
// caller's rows where they are and allocates nothing. The caller's texture
// binding, enables and pixel-store state are left as they were.
void loadPaddedTexture(uint32_t name, const uint8_t* rgba, int32_t width, int32_t height,
                       int32_t paddedWidth, int32_t paddedHeight);

enum class TextureRead { copied, nothing, noMemory };

// Reads level 0 of the bound texture into image, a width x height RGBA array:
// the image is the texture's first rows and columns. Whatever the texture
// does not cover reads as zero. With nothing to read (no texture image, no
// context) or no memory for the texture-sized temporary, image is all zeros.
TextureRead readTexture(uint8_t* image, int32_t width, int32_t height);
