#pragma once
#include <cstdint>

#include "surfaces/pbuffer.h"

// An ordinary GL texture holding an RGBA image, with a read-back cache.
// The texture is made by the first upload, so a Bitmap can be constructed
// before any GL context exists.
class Bitmap : public PBuffer {
public:
    uint8_t textureCreated;  // 1 once textureName has been generated
    uint32_t textureName;    // 0 until then
    uint8_t* pixels;         // read-back cache, allocated by the first readBack

    Bitmap();
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    uint32_t bind() override;
    // Reads the texture again on every call into the same cache. Leaves
    // texturing enabled and the texture bound. Null, and the surface empty
    // (0 x 0), when memory for the cache runs out; the cache all zeros and
    // the surface empty when memory for the texture-sized temporary does.
    uint8_t* readBack() override;
    // A width and height of 0 both keep the current size. When the GL
    // texture cannot be as large as the padded size, the surface becomes
    // empty (0 x 0) instead. Needs no memory of its own.
    void upload(const uint8_t* rgba, int32_t width, int32_t height) override;

private:
    void becomeEmpty();

    // The size the cache was allocated for, so that a readBack after an
    // upload of another size gets a cache that fits.
    int32_t cacheWidth;
    int32_t cacheHeight;
};

// A Bitmap made from the bytes of a JPEG file: the decoder runs during
// construction and delivers the image through upload. Afterwards width and
// height are the image's size, or 0 when nothing usable was decoded.
class BitmapImporter : public Bitmap {
public:
    BitmapImporter(const uint8_t* bytes, int32_t size);
};

// Draws a surface as one textured quad: four corners (x, y) in order, then
// each corner's texture coordinates in image units (0 to 1 spans the image,
// t = 0 is its first row). Leaves texturing enabled and the texture bound.
void drawTexturedQuad(PBuffer& surface, float x0, float y0, float x1, float y1, float x2, float y2,
                      float x3, float y3, float s0, float t0, float s1, float t1, float s2,
                      float t2, float s3, float t3);
