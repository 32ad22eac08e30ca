#pragma once
// The WGL render-texture and pbuffer entry points, looked up once during
// display set-up and called by render buffers. The handles are plain
// pointers here (HPBUFFERARB and HDC are pointer-sized handles) so that this
// header needs no <windows.h> and the lookup rule builds and is tested on
// every platform.

#if defined(_WIN32)
#define CQ_WGL_API __stdcall
#else
#define CQ_WGL_API
#endif

using WglHandle = void*;  // HPBUFFERARB or HDC

using PfnWglGetExtensionsStringEXT = const char*(CQ_WGL_API*)();
using PfnWglBindTexImageARB = int(CQ_WGL_API*)(WglHandle pbuffer, int buffer);
using PfnWglReleaseTexImageARB = int(CQ_WGL_API*)(WglHandle pbuffer, int buffer);
using PfnWglSetPbufferAttribARB = int(CQ_WGL_API*)(WglHandle pbuffer, const int* attribs);
using PfnWglCreatePbufferARB = WglHandle(CQ_WGL_API*)(WglHandle dc, int pixelFormat, int width,
                                                      int height, const int* attribs);
using PfnWglGetPbufferDCARB = WglHandle(CQ_WGL_API*)(WglHandle pbuffer);
using PfnWglReleasePbufferDCARB = int(CQ_WGL_API*)(WglHandle pbuffer, WglHandle dc);
using PfnWglDestroyPbufferARB = int(CQ_WGL_API*)(WglHandle pbuffer);
using PfnWglQueryPbufferARB = int(CQ_WGL_API*)(WglHandle pbuffer, int attribute, int* value);
using PfnWglGetPixelFormatAttribivARB = int(CQ_WGL_API*)(WglHandle dc, int pixelFormat,
                                                         int layerPlane, unsigned count,
                                                         const int* attributes, int* values);
using PfnWglGetPixelFormatAttribfvARB = int(CQ_WGL_API*)(WglHandle dc, int pixelFormat,
                                                         int layerPlane, unsigned count,
                                                         const int* attributes, float* values);
using PfnWglChoosePixelFormatARB = int(CQ_WGL_API*)(WglHandle dc, const int* intAttribs,
                                                    const float* floatAttribs, unsigned maxFormats,
                                                    int* formats, unsigned* formatCount);

// The colour buffer a render buffer attaches to its texture.
constexpr int WGL_FRONT_LEFT_ARB = 0x2083;

// Null until looked up; never cleared afterwards.
extern PfnWglGetExtensionsStringEXT wglGetExtensionsStringEXT;
extern PfnWglBindTexImageARB wglBindTexImageARB;
extern PfnWglReleaseTexImageARB wglReleaseTexImageARB;
extern PfnWglSetPbufferAttribARB wglSetPbufferAttribARB;
extern PfnWglCreatePbufferARB wglCreatePbufferARB;
extern PfnWglGetPbufferDCARB wglGetPbufferDCARB;
extern PfnWglReleasePbufferDCARB wglReleasePbufferDCARB;
extern PfnWglDestroyPbufferARB wglDestroyPbufferARB;
extern PfnWglQueryPbufferARB wglQueryPbufferARB;
extern PfnWglGetPixelFormatAttribivARB wglGetPixelFormatAttribivARB;
extern PfnWglGetPixelFormatAttribfvARB wglGetPixelFormatAttribfvARB;
extern PfnWglChoosePixelFormatARB wglChoosePixelFormatARB;

// A name-to-entry-point lookup such as wglGetProcAddress. void (*)() is the
// generic function pointer every entry point is converted through.
using WglProc = void (*)();
using WglLookup = WglProc (*)(const char* name);

// Looks up all twelve entry points in their fixed order and stores every
// result, null included. True exactly when the three render-texture entry
// points (bind, release, set attribute) were all found; the other nine are
// not judged, and nothing found is cleared on a false result.
bool loadWglExtensionsWith(WglLookup lookup);
