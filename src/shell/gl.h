#pragma once
// OpenGL 1.1 and GLU for the whole program. The Windows headers want
// APIENTRY and WINGDIAPI, which otherwise come from <windows.h>; defining
// them here keeps the OS headers inside the Win32 back end.
#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#include <stddef.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

// Every attribute group as the Windows OpenGL 1.1 header spells
// GL_ALL_ATTRIB_BITS (Mesa's header sets all 32 bits instead), so that every
// platform pushes the same groups.
constexpr GLbitfield kAllAttributeGroups = 0xFFFFF;
