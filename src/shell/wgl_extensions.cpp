#include "shell/wgl_extensions.h"

PfnWglGetExtensionsStringEXT wglGetExtensionsStringEXT = nullptr;
PfnWglBindTexImageARB wglBindTexImageARB = nullptr;
PfnWglReleaseTexImageARB wglReleaseTexImageARB = nullptr;
PfnWglSetPbufferAttribARB wglSetPbufferAttribARB = nullptr;
PfnWglCreatePbufferARB wglCreatePbufferARB = nullptr;
PfnWglGetPbufferDCARB wglGetPbufferDCARB = nullptr;
PfnWglReleasePbufferDCARB wglReleasePbufferDCARB = nullptr;
PfnWglDestroyPbufferARB wglDestroyPbufferARB = nullptr;
PfnWglQueryPbufferARB wglQueryPbufferARB = nullptr;
PfnWglGetPixelFormatAttribivARB wglGetPixelFormatAttribivARB = nullptr;
PfnWglGetPixelFormatAttribfvARB wglGetPixelFormatAttribfvARB = nullptr;
PfnWglChoosePixelFormatARB wglChoosePixelFormatARB = nullptr;

namespace {
template <typename Pfn>
void lookUp(WglLookup lookup, const char* name, Pfn& entryPoint) {
    entryPoint = reinterpret_cast<Pfn>(lookup(name));
}
}  // namespace

bool loadWglExtensionsWith(WglLookup lookup) {
    lookUp(lookup, "wglGetExtensionsStringEXT", wglGetExtensionsStringEXT);
    lookUp(lookup, "wglBindTexImageARB", wglBindTexImageARB);
    lookUp(lookup, "wglReleaseTexImageARB", wglReleaseTexImageARB);
    lookUp(lookup, "wglSetPbufferAttribARB", wglSetPbufferAttribARB);
    lookUp(lookup, "wglCreatePbufferARB", wglCreatePbufferARB);
    lookUp(lookup, "wglGetPbufferDCARB", wglGetPbufferDCARB);
    lookUp(lookup, "wglReleasePbufferDCARB", wglReleasePbufferDCARB);
    lookUp(lookup, "wglDestroyPbufferARB", wglDestroyPbufferARB);
    lookUp(lookup, "wglQueryPbufferARB", wglQueryPbufferARB);
    lookUp(lookup, "wglGetPixelFormatAttribivARB", wglGetPixelFormatAttribivARB);
    lookUp(lookup, "wglGetPixelFormatAttribfvARB", wglGetPixelFormatAttribfvARB);
    lookUp(lookup, "wglChoosePixelFormatARB", wglChoosePixelFormatARB);
    // Only the render-texture calls are needed to bind a render buffer; the
    // extensions string is deliberately not consulted.
    return wglBindTexImageARB && wglReleaseTexImageARB && wglSetPbufferAttribARB;
}
