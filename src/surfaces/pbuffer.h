#pragma once
#include <cstdint>

// A texture-backed image: an RGBA picture padded up to power-of-two texture
// dimensions, with the texture-coordinate scales that cover the picture
// inside the padding.
//
// The destructor is deliberately not virtual: surfaces are always destroyed
// through their own class, never through a PBuffer pointer, so it is
// protected here.
class PBuffer {
public:
    int32_t width;
    int32_t height;
    int32_t paddedWidth;   // smallest power of two >= width, at least 1
    int32_t paddedHeight;  // smallest power of two >= height, at least 1
    float scaleS;          // width / paddedWidth
    float scaleT;          // height / paddedHeight

    PBuffer() { setSize(0, 0); }

    void setSize(int32_t w, int32_t h);

    // Makes the surface's texture the current GL_TEXTURE_2D texture and
    // returns its GL name.
    virtual uint32_t bind() = 0;
    // The image as width x height x 4 bytes of RGBA, rows top first. The
    // surface owns the bytes.
    virtual uint8_t* readBack() = 0;
    // Makes an RGBA image of the given size the surface's texture; the
    // surface copies the bytes and keeps no reference to them.
    virtual void upload(const uint8_t* rgba, int32_t width, int32_t height) = 0;

protected:
    ~PBuffer() = default;
    PBuffer(const PBuffer&) = default;
    PBuffer& operator=(const PBuffer&) = default;
};
