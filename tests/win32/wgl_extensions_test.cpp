#include "shell/wgl_extensions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Distinct bodies so that no two fakes can be folded into one address.
template <int N>
void fakeEntryPoint() {
    static volatile int calls;
    calls = calls + N;
}

const std::vector<std::string> kNames = {
    "wglGetExtensionsStringEXT",    "wglBindTexImageARB",           "wglReleaseTexImageARB",
    "wglSetPbufferAttribARB",       "wglCreatePbufferARB",          "wglGetPbufferDCARB",
    "wglReleasePbufferDCARB",       "wglDestroyPbufferARB",         "wglQueryPbufferARB",
    "wglGetPixelFormatAttribivARB", "wglGetPixelFormatAttribfvARB", "wglChoosePixelFormatARB",
};

const std::vector<WglProc> kFakes = {
    fakeEntryPoint<1>, fakeEntryPoint<2>,  fakeEntryPoint<3>,  fakeEntryPoint<4>,
    fakeEntryPoint<5>, fakeEntryPoint<6>,  fakeEntryPoint<7>,  fakeEntryPoint<8>,
    fakeEntryPoint<9>, fakeEntryPoint<10>, fakeEntryPoint<11>, fakeEntryPoint<12>,
};

// What the fake driver offers, and every name it was asked for.
std::map<std::string, WglProc> offered;
std::vector<std::string> asked;

WglProc fakeLookup(const char* name) {
    asked.push_back(name);
    auto found = offered.find(name);
    return found == offered.end() ? nullptr : found->second;
}

void offerAllBut(const std::vector<std::string>& missing) {
    offered.clear();
    asked.clear();
    for (size_t i = 0; i < kNames.size(); ++i) offered[kNames[i]] = kFakes[i];
    for (const auto& name : missing) offered.erase(name);
}

std::vector<WglProc> storedEntryPoints() {
    return {
        reinterpret_cast<WglProc>(wglGetExtensionsStringEXT),
        reinterpret_cast<WglProc>(wglBindTexImageARB),
        reinterpret_cast<WglProc>(wglReleaseTexImageARB),
        reinterpret_cast<WglProc>(wglSetPbufferAttribARB),
        reinterpret_cast<WglProc>(wglCreatePbufferARB),
        reinterpret_cast<WglProc>(wglGetPbufferDCARB),
        reinterpret_cast<WglProc>(wglReleasePbufferDCARB),
        reinterpret_cast<WglProc>(wglDestroyPbufferARB),
        reinterpret_cast<WglProc>(wglQueryPbufferARB),
        reinterpret_cast<WglProc>(wglGetPixelFormatAttribivARB),
        reinterpret_cast<WglProc>(wglGetPixelFormatAttribfvARB),
        reinterpret_cast<WglProc>(wglChoosePixelFormatARB),
    };
}

TEST(LoadWglExtensions, AsksForTheTwelveNamesInOrderAndStoresEachResult) {
    offerAllBut({});
    EXPECT_TRUE(loadWglExtensionsWith(fakeLookup));
    EXPECT_EQ(asked, kNames);
    EXPECT_EQ(storedEntryPoints(), kFakes);
}

TEST(LoadWglExtensions, FailsWhenAnyOneRenderTextureEntryPointIsMissing) {
    for (const char* missing :
         {"wglBindTexImageARB", "wglReleaseTexImageARB", "wglSetPbufferAttribARB"}) {
        SCOPED_TRACE(missing);
        offerAllBut({missing});
        EXPECT_FALSE(loadWglExtensionsWith(fakeLookup));
        // Every name is still looked up, and what was found stays stored.
        EXPECT_EQ(asked, kNames);
        std::vector<WglProc> expected = kFakes;
        for (size_t i = 0; i < kNames.size(); ++i)
            if (kNames[i] == missing) expected[i] = nullptr;
        EXPECT_EQ(storedEntryPoints(), expected);
    }
}

TEST(LoadWglExtensions, JudgesOnlyTheThreeRenderTextureEntryPoints) {
    // The pbuffer, pixel-format and extensions-string entry points may all be
    // missing.
    offerAllBut({"wglGetExtensionsStringEXT", "wglCreatePbufferARB", "wglGetPbufferDCARB",
                 "wglReleasePbufferDCARB", "wglDestroyPbufferARB", "wglQueryPbufferARB",
                 "wglGetPixelFormatAttribivARB", "wglGetPixelFormatAttribfvARB",
                 "wglChoosePixelFormatARB"});
    EXPECT_TRUE(loadWglExtensionsWith(fakeLookup));
    EXPECT_EQ(wglCreatePbufferARB, nullptr);
    EXPECT_EQ(reinterpret_cast<WglProc>(wglSetPbufferAttribARB), kFakes[3]);

    offerAllBut(kNames);
    EXPECT_FALSE(loadWglExtensionsWith(fakeLookup));
    EXPECT_EQ(storedEntryPoints(), std::vector<WglProc>(kNames.size(), nullptr));
}

}  // namespace
