// RenderBuffer's own logic, linked against recording stand-ins for the GL
// calls it makes and for the platform's render-target back end instead of
// libGL: every call is logged, and textures are modelled just far enough
// (size and bytes) to see what is uploaded and read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "shell/gl.h"
#include "surfaces/render_buffer.h"
#include "surfaces/render_target.h"
#include "test_pattern.h"

namespace {
std::vector<std::string> calls;

struct FakeTexture {
    GLsizei width = 0;
    GLsizei height = 0;
    std::vector<uint8_t> bytes;
};
std::map<GLuint, FakeTexture> textures;
GLuint boundTexture = 0;
GLuint nextName = 7;
bool targetCreationSucceeds = true;
const void* lastTexImageSource = nullptr;
void* lastGetTexImageTarget = nullptr;
// Set in a child process that checks the release at exit: destruction steps
// go to stderr, where the parent looks for them.
bool echoToStderr = false;

int pbufferHandle, dcHandle, contextHandle;

void record(const std::string& call) {
    // At exit the log itself may already be destroyed.
    if (echoToStderr) {
        std::fprintf(stderr, "%s\n", call.c_str());
        return;
    }
    calls.push_back(call);
}

std::string named(const char* what, unsigned name) {
    return std::string(what) + " " + std::to_string(name);
}

// Stands in for drawing: the buffer's texture now holds this picture.
void drawInto(const RenderBuffer& buffer, const std::vector<uint8_t>& picture) {
    textures[buffer.textureName].bytes = picture;
}

// Row r, columns [0, columns) of an image with rows of `width` pixels.
std::vector<uint8_t> row(const uint8_t* image, int width, int r, int columns) {
    const uint8_t* start = image + size_t(r) * width * 4;
    return std::vector<uint8_t>(start, start + size_t(columns) * 4);
}

class RenderBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        textures.clear();
        boundTexture = 0;
        nextName = 7;
        targetCreationSucceeds = true;
        lastTexImageSource = nullptr;
        lastGetTexImageTarget = nullptr;
    }
};
}  // namespace

// The GL calls RenderBuffer makes.
extern "C" {
void glBindTexture(GLenum, GLuint texture) {
    boundTexture = texture;
    record(named("glBindTexture", texture));
}
void glGenTextures(GLsizei count, GLuint* names) {
    for (GLsizei i = 0; i < count; ++i) names[i] = nextName++;
    record("glGenTextures");
}
void glDeleteTextures(GLsizei count, const GLuint* names) {
    for (GLsizei i = 0; i < count; ++i) record(named("glDeleteTextures", names[i]));
}
void glTexParameteri(GLenum, GLenum, GLint) { record("glTexParameteri"); }
void glPushAttrib(GLbitfield mask) { record(named("glPushAttrib", mask)); }
void glPopAttrib() { record("glPopAttrib"); }
void glViewport(GLint, GLint, GLsizei width, GLsizei height) {
    record("glViewport " + std::to_string(width) + "x" + std::to_string(height));
}
void glTexImage2D(GLenum, GLint, GLint, GLsizei width, GLsizei height, GLint, GLenum, GLenum,
                  const GLvoid* data) {
    FakeTexture& texture = textures[boundTexture];
    texture.width = width;
    texture.height = height;
    texture.bytes.assign(size_t(width) * height * 4, 0);
    // Reads the whole padded size, as a driver does: under the sanitizers an
    // array smaller than that is an error here.
    if (data) std::memcpy(texture.bytes.data(), data, texture.bytes.size());
    lastTexImageSource = data;
    record("glTexImage2D " + std::to_string(width) + "x" + std::to_string(height));
}
void glGetTexLevelParameteriv(GLenum, GLint, GLenum parameter, GLint* value) {
    auto it = textures.find(boundTexture);
    const bool known = it != textures.end();
    *value = !known ? 0 : parameter == GL_TEXTURE_WIDTH ? it->second.width : it->second.height;
    record("glGetTexLevelParameteriv");
}
void glGetTexImage(GLenum, GLint, GLenum, GLenum, GLvoid* target) {
    const FakeTexture& texture = textures[boundTexture];
    std::memcpy(target, texture.bytes.data(), texture.bytes.size());
    lastGetTexImageTarget = target;
    record(named("glGetTexImage", boundTexture));
}
}

// The render-target back end.
void makeWindowContextCurrent() { record("makeWindowContextCurrent"); }
void attachColourBuffer(RenderBuffer& buffer) { record(named("attach", buffer.textureName)); }
void detachColourBuffer(RenderBuffer& buffer) { record(named("detach", buffer.textureName)); }
bool createRenderTarget(RenderBuffer& buffer) {
    record(named("createRenderTarget", buffer.textureName));
    if (!targetCreationSucceeds) return false;
    buffer.pbuffer = &pbufferHandle;
    buffer.pbufferDC = &dcHandle;
    buffer.pbufferContext = &contextHandle;
    return true;
}
void beginRenderingInto(RenderBuffer& buffer) {
    record(named("beginRenderingInto", buffer.textureName));
}
void deleteRenderContext(RenderBuffer& buffer) {
    record(named("deleteRenderContext", buffer.textureName));
}
void releaseRenderDC(RenderBuffer& buffer) { record(named("releaseRenderDC", buffer.textureName)); }
void destroyRenderTarget(RenderBuffer& buffer) {
    record(named("destroyRenderTarget", buffer.textureName));
}

using Calls = std::vector<std::string>;

TEST_F(RenderBufferTest, CreationGivesAPaddedTextureAndATargetWithFlagsClear) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(300, 200));
    EXPECT_EQ(buffer.width, 300);
    EXPECT_EQ(buffer.height, 200);
    EXPECT_EQ(buffer.paddedWidth, 512);
    EXPECT_EQ(buffer.paddedHeight, 256);
    EXPECT_EQ(buffer.textureName, 7u);
    EXPECT_EQ(textures[7].width, 512);
    EXPECT_EQ(textures[7].height, 256);
    EXPECT_EQ(buffer.pbuffer, &pbufferHandle);
    EXPECT_EQ(buffer.pixels, nullptr);
    EXPECT_EQ(buffer.rendering + buffer.bound + buffer.pixelsCached, 0);
    EXPECT_EQ(calls.back(), "createRenderTarget 7");
    EXPECT_FALSE(buffer.create(64, 64)) << "a second creation";

    calls.clear();
    RenderBuffer refused;
    targetCreationSucceeds = false;
    EXPECT_FALSE(refused.create(64, 64));
    EXPECT_EQ(calls.back(), "glDeleteTextures 8") << "the texture made for it is deleted again";
    EXPECT_EQ(refused.textureName, 0u);
    EXPECT_EQ(refused.width, 0);
    EXPECT_FALSE(RenderBuffer().create(0, 10));
}

TEST_F(RenderBufferTest, BindAttachesOnceThenReturnsAtOnce) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(64, 64));
    calls.clear();
    EXPECT_EQ(buffer.bind(), 7u);
    EXPECT_EQ(calls, (Calls{"glBindTexture 7", "attach 7"}));
    EXPECT_EQ(buffer.bound, 1);

    calls.clear();
    boundTexture = 99;
    EXPECT_EQ(buffer.bind(), 7u);
    EXPECT_TRUE(calls.empty()) << "a second bind makes no call";
    EXPECT_EQ(boundTexture, 99u);
}

TEST_F(RenderBufferTest, DrawingThenBindSwitchesBackToTheWindow) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(300, 200));
    buffer.bind();
    buffer.readBack();
    calls.clear();

    buffer.beginRendering();
    EXPECT_EQ(calls, (Calls{"detach 7", "beginRenderingInto 7", "glViewport 300x200"}));
    EXPECT_EQ(buffer.rendering, 1);
    EXPECT_EQ(buffer.bound, 0);
    EXPECT_EQ(buffer.pixelsCached, 0);

    calls.clear();
    buffer.bind();
    EXPECT_EQ(calls, (Calls{"makeWindowContextCurrent", "glBindTexture 7", "attach 7"}));
    EXPECT_EQ(buffer.rendering, 0);
    EXPECT_EQ(buffer.bound, 1);

    // A buffer that was never created has nothing to draw into; the window
    // stays the target.
    calls.clear();
    RenderBuffer empty;
    empty.beginRendering();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(empty.rendering, 0);
}

TEST_F(RenderBufferTest, ReadBackReadsOnceAndServesTheCache) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(256, 256));
    const std::vector<uint8_t> first = pattern(256, 256, 1);
    drawInto(buffer, first);
    calls.clear();

    uint8_t* pixels = buffer.readBack();
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(lastGetTexImageTarget, pixels) << "256 x 256 reads straight into the cache";
    EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + first.size()), first);
    EXPECT_EQ(buffer.pixelsCached, 1);
    EXPECT_EQ(buffer.bound, 1) << "read-back binds the buffer";

    calls.clear();
    drawInto(buffer, pattern(256, 256, 2));
    EXPECT_EQ(buffer.readBack(), pixels);
    EXPECT_TRUE(calls.empty()) << "a second readBack makes no call";
    EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + first.size()), first);

    // A new drawing is read again, into the same cache.
    buffer.beginRendering();
    const std::vector<uint8_t> second = pattern(256, 256, 3);
    drawInto(buffer, second);
    EXPECT_EQ(buffer.readBack(), pixels);
    EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + second.size()), second);
}

TEST_F(RenderBufferTest, ReadBackOfAnUnpaddedSizeGoesThroughAPaddedTemporary) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(300, 200));
    const std::vector<uint8_t> whole = pattern(512, 256, 4);
    drawInto(buffer, whole);

    uint8_t* pixels = buffer.readBack();
    ASSERT_NE(pixels, nullptr);
    EXPECT_NE(lastGetTexImageTarget, nullptr);
    EXPECT_NE(lastGetTexImageTarget, pixels) << "300 x 200 reads through a temporary";
    // The fake wrote the whole 512 x 256 texture into it: a smaller
    // temporary is an overflow under the sanitizers.
    for (int r : {0, 1, 100, 199}) {
        EXPECT_EQ(row(pixels, 300, r, 300), row(whole.data(), 512, r, 300)) << "row " << r;
    }
}

// bind returns before binding while bound; read-back must still read its own
// texture, not whichever one was bound since.
TEST_F(RenderBufferTest, ReadBackOfABoundBufferReadsItsOwnTexture) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(4, 4));
    const std::vector<uint8_t> picture = pattern(4, 4, 5);
    drawInto(buffer, picture);
    buffer.bind();

    FakeTexture& other = textures[50];
    other.width = 1024;
    other.height = 512;
    other.bytes = pattern(1024, 512, 6);
    boundTexture = 50;

    const uint8_t* pixels = buffer.readBack();
    EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + picture.size()), picture);
    EXPECT_EQ(boundTexture, 7u);
}

TEST_F(RenderBufferTest, UploadDetachesAndKeepsSizeAndFlags) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(300, 200));
    buffer.bind();
    buffer.readBack();
    const std::vector<uint8_t> whole = pattern(512, 256, 7);
    calls.clear();

    buffer.upload(whole.data(), 0, 0);
    EXPECT_EQ(calls, (Calls{"detach 7", "makeWindowContextCurrent", "glPushAttrib 1048575",
                            "glBindTexture 7", "glTexImage2D 512x256", "glPopAttrib"}));
    EXPECT_EQ(lastTexImageSource, whole.data()) << "a padded image goes up as it is";
    EXPECT_EQ(textures[7].bytes, whole);
    EXPECT_EQ(buffer.width, 300);
    EXPECT_EQ(buffer.height, 200);
    EXPECT_EQ(buffer.bound, 1);
    EXPECT_EQ(buffer.pixelsCached, 1);
    EXPECT_EQ(buffer.rendering, 0);

    calls.clear();
    EXPECT_EQ(buffer.bind(), 7u);
    EXPECT_TRUE(calls.empty()) << "bind after upload on a bound buffer returns at once";

    // The padded size given explicitly is the same image.
    buffer.upload(whole.data(), 512, 256);
    EXPECT_EQ(lastTexImageSource, whole.data());
}

// The caller's image is read only as far as the size it gives; the rest of
// the padded texture is cleared.
TEST_F(RenderBufferTest, UploadOfASmallerImageNeverReadsPastIt) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(300, 200));

    // Exactly 300 x 200 x 4 bytes on the heap: the sanitizers see any read
    // past them.
    const std::vector<uint8_t> image = pattern(300, 200, 8);
    buffer.upload(image.data(), 300, 200);
    EXPECT_NE(lastTexImageSource, image.data());
    const FakeTexture& texture = textures[7];
    ASSERT_EQ(texture.width, 512);
    ASSERT_EQ(texture.height, 256);
    for (int r : {0, 57, 199}) {
        EXPECT_EQ(row(texture.bytes.data(), 512, r, 300), row(image.data(), 300, r, 300));
        const std::vector<uint8_t> padding = row(texture.bytes.data() + 300 * 4, 512, r, 212);
        EXPECT_EQ(padding, std::vector<uint8_t>(212 * 4, 0)) << "row " << r;
    }
    EXPECT_EQ(row(texture.bytes.data(), 512, 200, 512), std::vector<uint8_t>(512 * 4, 0));
    EXPECT_EQ(buffer.width, 300) << "the size stays";

    // Wider and taller than the texture: only what fits is taken.
    const std::vector<uint8_t> large = pattern(600, 300, 9);
    buffer.upload(large.data(), 600, 300);
    EXPECT_EQ(row(textures[7].bytes.data(), 512, 255, 512), row(large.data(), 600, 255, 512));

    // A size with nothing in it reads nothing and clears the texture.
    const uint8_t one[4] = {1, 2, 3, 4};
    buffer.upload(one, -5, 3);
    EXPECT_EQ(textures[7].bytes, std::vector<uint8_t>(512 * 256 * 4, 0));
}

TEST_F(RenderBufferTest, DestructionReleasesInOrder) {
    {
        RenderBuffer buffer;
        ASSERT_TRUE(buffer.create(16, 16));
        buffer.readBack();
        calls.clear();
    }
    EXPECT_EQ(calls, (Calls{"glDeleteTextures 7", "deleteRenderContext 7", "releaseRenderDC 7",
                            "destroyRenderTarget 7"}));
}

TEST_F(RenderBufferTest, PoolReleaseDestroysLastFirstAndLeavesItNull) {
    ASSERT_EQ(renderBufferPool, nullptr);
    releaseRenderBufferPool();
    EXPECT_TRUE(calls.empty()) << "a null pool releases nothing";

    renderBufferPool = new RenderBuffer[3];
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(renderBufferPool[i].create(8, 8));
    calls.clear();
    releaseRenderBufferPool();
    EXPECT_EQ(renderBufferPool, nullptr);
    Calls deleted;
    for (const std::string& call : calls)
        if (call.rfind("glDeleteTextures", 0) == 0) deleted.push_back(call);
    EXPECT_EQ(deleted, (Calls{"glDeleteTextures 9", "glDeleteTextures 8", "glDeleteTextures 7"}));
    EXPECT_EQ(calls.size(), 12u) << "four release steps for each of the three";
}

// The release is registered before main runs: a process that fills the pool
// and exits releases it on the way out, the last element first.
TEST_F(RenderBufferTest, PoolIsReleasedAtProcessExit) {
    EXPECT_EXIT(
        {
            renderBufferPool = new RenderBuffer[2];
            renderBufferPool[0].create(8, 8);
            renderBufferPool[1].create(8, 8);
            echoToStderr = true;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "glDeleteTextures 8\ndeleteRenderContext 8\nreleaseRenderDC 8\ndestroyRenderTarget "
        "8\nglDeleteTextures 7\n");
}
