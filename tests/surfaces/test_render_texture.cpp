#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/render_texture.h"

namespace {
std::vector<std::string> askedFor;
const char* missingName = "";

void fakeEntryPoint() {}

// Answers for every name but missingName, the way SDL's lookup answers for
// names the driver never heard of.
void* fakeLookup(const char* name) {
    askedFor.push_back(name);
    if (missingName == std::string(name)) return nullptr;
    return reinterpret_cast<void*>(&fakeEntryPoint);
}

class RenderTextureLookup : public ::testing::Test {
protected:
    void SetUp() override {
        askedFor.clear();
        missingName = "";
    }
    static bool allNull() {
        return !genFramebuffers && !bindFramebuffer && !framebufferTexture2D && !deleteFramebuffers;
    }
    static bool allSet() {
        return genFramebuffers && bindFramebuffer && framebufferTexture2D && deleteFramebuffers;
    }
};
}  // namespace

TEST(HasExtension, MatchesWholeNamesOnly) {
    const char* list = "GL_ARB_multitexture GL_EXT_framebuffer_object_x GL_EXT_blend_color";
    EXPECT_TRUE(hasExtension(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(hasExtension(list, "GL_EXT_blend_color"));
    EXPECT_FALSE(hasExtension(list, "GL_EXT_framebuffer_object"));
    EXPECT_FALSE(hasExtension(list, "GL_EXT_blend"));
    EXPECT_FALSE(hasExtension(list, "ARB_multitexture"));
    EXPECT_TRUE(hasExtension("GL_EXT_framebuffer_object_x GL_EXT_framebuffer_object",
                             "GL_EXT_framebuffer_object"));
    EXPECT_FALSE(hasExtension(nullptr, "GL_EXT_blend_color"));
    EXPECT_FALSE(hasExtension(list, ""));
}

TEST_F(RenderTextureLookup, UsesTheExtNamesWhenTheDriverListsTheExtension) {
    EXPECT_TRUE(loadRenderTextureEntryPoints("GL_ARB_framebuffer_object GL_EXT_framebuffer_object",
                                             fakeLookup));
    EXPECT_EQ(askedFor,
              (std::vector<std::string>{"glGenFramebuffersEXT", "glBindFramebufferEXT",
                                        "glFramebufferTexture2DEXT", "glDeleteFramebuffersEXT"}));
    EXPECT_TRUE(allSet());
}

TEST_F(RenderTextureLookup, FallsBackToTheCoreNames) {
    EXPECT_TRUE(loadRenderTextureEntryPoints("GL_ARB_framebuffer_object", fakeLookup));
    EXPECT_EQ(askedFor,
              (std::vector<std::string>{"glGenFramebuffers", "glBindFramebuffer",
                                        "glFramebufferTexture2D", "glDeleteFramebuffers"}));
    EXPECT_TRUE(allSet());
}

TEST_F(RenderTextureLookup, FailsWithoutTheExtensionWhateverTheLookupSays) {
    loadRenderTextureEntryPoints("GL_EXT_framebuffer_object", fakeLookup);
    ASSERT_TRUE(allSet());
    askedFor.clear();
    EXPECT_FALSE(loadRenderTextureEntryPoints("GL_ARB_multitexture", fakeLookup));
    EXPECT_TRUE(askedFor.empty());
    EXPECT_TRUE(allNull());
    EXPECT_FALSE(loadRenderTextureEntryPoints(nullptr, fakeLookup));
}

TEST_F(RenderTextureLookup, FailsWhenAnyOneEntryPointIsMissing) {
    const char* names[] = {"glGenFramebuffersEXT", "glBindFramebufferEXT",
                           "glFramebufferTexture2DEXT", "glDeleteFramebuffersEXT"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        missingName = name;
        EXPECT_FALSE(loadRenderTextureEntryPoints("GL_EXT_framebuffer_object", fakeLookup));
        EXPECT_TRUE(allNull());
    }
}
