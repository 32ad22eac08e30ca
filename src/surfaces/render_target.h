#pragma once
#include <cstdint>

class RenderBuffer;

// What a render buffer needs from the platform: an off-screen colour buffer
// that a texture can show. One file implements this per back end, chosen by
// the build: render_target_wgl.cpp (WGL pbuffer) or render_target_fbo.cpp
// (framebuffer object). All of these need a GL context current.

// Makes the window's own context (or framebuffer) the drawing target again.
void makeWindowContextCurrent();

// Makes the texture currently bound in the window's context show what was
// drawn into the buffer.
void attachColourBuffer(RenderBuffer& buffer);
// Undoes attachColourBuffer so that the texture can take an upload or the
// buffer a new drawing.
void detachColourBuffer(RenderBuffer& buffer);

// Creates the colour buffer of buffer.paddedWidth x buffer.paddedHeight for
// buffer.textureName, with whatever drawing state it needs, and stores the
// handles in buffer. False, with nothing left behind, when the platform
// cannot.
bool createRenderTarget(RenderBuffer& buffer);
// Makes the buffer the drawing target.
void beginRenderingInto(RenderBuffer& buffer);

// The three release steps, in the order destruction calls them. Each does
// nothing for a handle that was never created.
void deleteRenderContext(RenderBuffer& buffer);
void releaseRenderDC(RenderBuffer& buffer);
void destroyRenderTarget(RenderBuffer& buffer);
