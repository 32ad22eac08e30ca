// Render buffers on a WGL pbuffer (Windows): a drawing surface with its own
// device context and GL context, whose front-left colour buffer a texture in
// the window's context shows through the render-texture extension. The entry
// points are the ones display set-up looked up.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "shell/app_window.h"
#include "shell/wgl_extensions.h"
#include "surfaces/render_buffer.h"
#include "surfaces/render_target.h"

namespace {
// From the WGL_ARB_pixel_format, WGL_ARB_pbuffer and WGL_ARB_render_texture
// texts.
constexpr int kSupportOpenGl = 0x2010;
constexpr int kDoubleBuffer = 0x2011;
constexpr int kPixelType = 0x2013;
constexpr int kTypeRgba = 0x202B;
constexpr int kRedBits = 0x2015;
constexpr int kGreenBits = 0x2017;
constexpr int kBlueBits = 0x2019;
constexpr int kAlphaBits = 0x201B;
constexpr int kDrawToPbuffer = 0x202D;
constexpr int kBindToTextureRgba = 0x2071;
constexpr int kTextureFormat = 0x2072;
constexpr int kTextureTarget = 0x2073;
constexpr int kTextureRgba = 0x2076;
constexpr int kTexture2D = 0x207A;

HDC windowDC() { return static_cast<HDC>(appWindow.deviceContext); }

// A single-buffered RGBA pbuffer format with the given colour bits that can
// be bound as an RGBA texture; 0 when there is none.
int choosePbufferFormat(int colourBits, int alphaBits) {
    // Attribute and value pairs, ended by a 0.
    // clang-format off
    const int attributes[] = {
        kDrawToPbuffer, TRUE,
        kSupportOpenGl, TRUE,
        kBindToTextureRgba, TRUE,
        kPixelType, kTypeRgba,
        kDoubleBuffer, FALSE,
        kRedBits, colourBits,
        kGreenBits, colourBits,
        kBlueBits, colourBits,
        kAlphaBits, alphaBits,
        0,
    };
    // clang-format on
    int format = 0;
    unsigned count = 0;
    if (!wglChoosePixelFormatARB(windowDC(), attributes, nullptr, 1, &format, &count) || count == 0)
        return 0;
    return format;
}

// 10-10-10-2 colour first: under Wine on Mesa and Xvfb binding an 8-bit
// pbuffer to a texture breaks the X server connection, and 10-bit keeps at
// least 8 bits of every colour channel. Bit counts are minimums, so a driver
// without 10-bit pbuffers offers none; 8-8-8-8 serves there.
int choosePbufferFormat() {
    if (!wglChoosePixelFormatARB) return 0;
    const int format = choosePbufferFormat(10, 2);
    return format != 0 ? format : choosePbufferFormat(8, 8);
}

bool havePbuffers() {
    return wglCreatePbufferARB && wglGetPbufferDCARB && wglReleasePbufferDCARB &&
           wglDestroyPbufferARB && wglBindTexImageARB && wglReleaseTexImageARB;
}
}  // namespace

void makeWindowContextCurrent() {
    wglMakeCurrent(windowDC(), static_cast<HGLRC>(appWindow.glContext));
}

void attachColourBuffer(RenderBuffer& buffer) {
    if (buffer.pbuffer && wglBindTexImageARB)
        wglBindTexImageARB(buffer.pbuffer, WGL_FRONT_LEFT_ARB);
}

void detachColourBuffer(RenderBuffer& buffer) {
    if (buffer.pbuffer && wglReleaseTexImageARB)
        wglReleaseTexImageARB(buffer.pbuffer, WGL_FRONT_LEFT_ARB);
}

bool createRenderTarget(RenderBuffer& buffer) {
    if (!havePbuffers()) return false;
    const int format = choosePbufferFormat();
    if (format == 0) return false;

    const int pbufferAttributes[] = {kTextureFormat, kTextureRgba, kTextureTarget, kTexture2D, 0};
    WglHandle pbuffer = wglCreatePbufferARB(windowDC(), format, buffer.paddedWidth,
                                            buffer.paddedHeight, pbufferAttributes);
    if (!pbuffer) return false;
    WglHandle dc = wglGetPbufferDCARB(pbuffer);
    HGLRC context = dc ? wglCreateContext(static_cast<HDC>(dc)) : nullptr;
    // Sharing with the window's context lets the drawing use the show's own
    // textures. It must happen before the new context holds any object.
    if (!context || !wglShareLists(static_cast<HGLRC>(appWindow.glContext), context)) {
        if (context) wglDeleteContext(context);
        if (dc) wglReleasePbufferDCARB(pbuffer, dc);
        wglDestroyPbufferARB(pbuffer);
        return false;
    }
    buffer.pbuffer = pbuffer;
    buffer.pbufferDC = dc;
    buffer.pbufferContext = context;
    return true;
}

void beginRenderingInto(RenderBuffer& buffer) {
    if (buffer.pbufferContext)
        wglMakeCurrent(static_cast<HDC>(buffer.pbufferDC),
                       static_cast<HGLRC>(buffer.pbufferContext));
}

void deleteRenderContext(RenderBuffer& buffer) {
    if (buffer.pbufferContext) wglDeleteContext(static_cast<HGLRC>(buffer.pbufferContext));
    buffer.pbufferContext = nullptr;
}

void releaseRenderDC(RenderBuffer& buffer) {
    if (buffer.pbuffer && buffer.pbufferDC && wglReleasePbufferDCARB)
        wglReleasePbufferDCARB(buffer.pbuffer, buffer.pbufferDC);
    buffer.pbufferDC = nullptr;
}

void destroyRenderTarget(RenderBuffer& buffer) {
    if (buffer.pbuffer && wglDestroyPbufferARB) wglDestroyPbufferARB(buffer.pbuffer);
    buffer.pbuffer = nullptr;
}
