#pragma once
#include "shell/gl.h"

// Rendering into a texture. On Linux these are the framebuffer-object entry
// points, looked up once at display set-up and null until then (or when the
// driver lacks them).
#ifndef APIENTRY
#define APIENTRY
#endif
using GenFramebuffersProc = void(APIENTRY*)(GLsizei count, GLuint* framebuffers);
using BindFramebufferProc = void(APIENTRY*)(GLenum target, GLuint framebuffer);
using FramebufferTexture2DProc = void(APIENTRY*)(GLenum target, GLenum attachment,
                                                 GLenum textureTarget, GLuint texture, GLint level);
using DeleteFramebuffersProc = void(APIENTRY*)(GLsizei count, const GLuint* framebuffers);
using CheckFramebufferStatusProc = GLenum(APIENTRY*)(GLenum target);

extern GenFramebuffersProc genFramebuffers;
extern BindFramebufferProc bindFramebuffer;
extern FramebufferTexture2DProc framebufferTexture2D;
extern DeleteFramebuffersProc deleteFramebuffers;
extern CheckFramebufferStatusProc checkFramebufferStatus;

// Whether name appears as a whole word in a GL extension list (names
// separated by spaces).
bool hasExtension(const char* extensionList, const char* name);

// Fills the entry points from the driver's extension list and a lookup of
// entry points by name. A platform lookup may return non-null even for names
// the driver does not have, so the list decides which names are asked for:
// the EXT names with GL_EXT_framebuffer_object, otherwise the core names with
// GL_ARB_framebuffer_object. True when all five were found; otherwise all are
// left null.
using ProcLookup = void* (*)(const char* name);
bool loadRenderTextureEntryPoints(const char* extensionList, ProcLookup lookup);
