#include "shell/render_texture.h"

#include <cstring>

GenFramebuffersProc genFramebuffers = nullptr;
BindFramebufferProc bindFramebuffer = nullptr;
FramebufferTexture2DProc framebufferTexture2D = nullptr;
DeleteFramebuffersProc deleteFramebuffers = nullptr;
CheckFramebufferStatusProc checkFramebufferStatus = nullptr;

bool hasExtension(const char* extensionList, const char* name) {
    if (!extensionList || !name || !*name) return false;
    const size_t length = std::strlen(name);
    for (const char* at = extensionList; (at = std::strstr(at, name)) != nullptr; at += length) {
        const bool startsWord = at == extensionList || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

bool loadRenderTextureEntryPoints(const char* extensionList, ProcLookup lookup) {
    genFramebuffers = nullptr;
    bindFramebuffer = nullptr;
    framebufferTexture2D = nullptr;
    deleteFramebuffers = nullptr;
    checkFramebufferStatus = nullptr;
    if (!lookup) return false;

    const char* names[5];
    if (hasExtension(extensionList, "GL_EXT_framebuffer_object")) {
        names[0] = "glGenFramebuffersEXT";
        names[1] = "glBindFramebufferEXT";
        names[2] = "glFramebufferTexture2DEXT";
        names[3] = "glDeleteFramebuffersEXT";
        names[4] = "glCheckFramebufferStatusEXT";
    } else if (hasExtension(extensionList, "GL_ARB_framebuffer_object")) {
        names[0] = "glGenFramebuffers";
        names[1] = "glBindFramebuffer";
        names[2] = "glFramebufferTexture2D";
        names[3] = "glDeleteFramebuffers";
        names[4] = "glCheckFramebufferStatus";
    } else {
        return false;
    }

    void* gen = lookup(names[0]);
    void* bind = lookup(names[1]);
    void* attach = lookup(names[2]);
    void* remove = lookup(names[3]);
    void* status = lookup(names[4]);
    if (!gen || !bind || !attach || !remove || !status) return false;
    // Function pointers travel through void* the way every GL loader does it.
    genFramebuffers = reinterpret_cast<GenFramebuffersProc>(gen);
    bindFramebuffer = reinterpret_cast<BindFramebufferProc>(bind);
    framebufferTexture2D = reinterpret_cast<FramebufferTexture2DProc>(attach);
    deleteFramebuffers = reinterpret_cast<DeleteFramebuffersProc>(remove);
    checkFramebufferStatus = reinterpret_cast<CheckFramebufferStatusProc>(status);
    return true;
}
