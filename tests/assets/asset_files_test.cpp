// The committed asset files have the layouts the show and its decoder
// expect: baseline frames, the intended sampling, restart markers exactly at
// MCU-row boundaries where intended, and about a minute of MP3 audio.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> readAsset(const std::string& name) {
    std::ifstream in(std::string(CQ_ASSETS_DIR) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Component {
    int id, h, v, quantTable;
};

struct JpegLayout {
    std::string error;          // empty when the file parsed
    std::vector<int> segments;  // marker codes up to and including SOS
    int frameType = -1;
    int precision = 0, width = 0, height = 0;
    std::vector<Component> components;
    int restartInterval = 0;
    int scanComponents = 0, spectralStart = -1, spectralEnd = -1, approximation = -1;
    std::vector<int> quantPrecisions;
    std::vector<int> restartMarkers;  // RSTn codes in the scan, in order
    std::vector<int> otherScanMarkers;
    bool endsAtEoi = false;
};

int word(const std::vector<uint8_t>& b, size_t at) { return (b[at] << 8) | b[at + 1]; }

// Walks the segments the way the show's decoder does: each marker must
// follow the previous segment directly, with no fill bytes.
JpegLayout readLayout(const std::vector<uint8_t>& b) {
    JpegLayout l;
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) {
        l.error = "no SOI";
        return l;
    }
    size_t pos = 2;
    for (;;) {
        if (pos + 4 > b.size()) {
            l.error = "ran out of data before SOS";
            return l;
        }
        if (b[pos] != 0xFF || b[pos + 1] == 0xFF) {
            l.error = "marker does not follow its segment directly at " + std::to_string(pos);
            return l;
        }
        int code = b[pos + 1];
        size_t len = size_t(word(b, pos + 2));
        size_t body = pos + 4;
        if (len < 2 || pos + 2 + len > b.size()) {
            l.error = "bad segment length";
            return l;
        }
        l.segments.push_back(code);
        if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) {
            l.frameType = code;
            l.precision = b[body];
            l.height = word(b, body + 1);
            l.width = word(b, body + 3);
            int n = b[body + 5];
            if (len != size_t(8 + 3 * n)) {
                l.error = "frame header length";
                return l;
            }
            for (int i = 0; i < n; ++i) {
                const uint8_t* c = &b[body + 6 + 3 * i];
                l.components.push_back(Component{c[0], c[1] >> 4, c[1] & 15, c[2]});
            }
        } else if (code == 0xDB) {
            for (size_t at = body; at < pos + 2 + len;) {
                int p = b[at] >> 4;
                l.quantPrecisions.push_back(p);
                at += p ? 129 : 65;
            }
        } else if (code == 0xDD) {
            l.restartInterval = word(b, body);
        } else if (code == 0xDA) {
            l.scanComponents = b[body];
            size_t after = body + 1 + 2 * size_t(l.scanComponents);
            l.spectralStart = b[after];
            l.spectralEnd = b[after + 1];
            l.approximation = b[after + 2];
            pos += 2 + len;
            break;
        }
        pos += 2 + len;
    }
    // Entropy-coded data up to EOI.
    for (; pos + 1 < b.size(); ++pos) {
        if (b[pos] != 0xFF || b[pos + 1] == 0x00) continue;
        int code = b[pos + 1];
        if (code >= 0xD0 && code <= 0xD7) {
            l.restartMarkers.push_back(code);
        } else if (code == 0xD9) {
            l.endsAtEoi = pos + 2 == b.size();
            break;
        } else {
            l.otherScanMarkers.push_back(code);
        }
        ++pos;
    }
    return l;
}

struct Expected {
    const char* file;
    int width, height;
    std::vector<Component> sampling;  // id unchecked; h, v
    bool restartEveryRow;
};

// Test names and failure messages show the file, not the record's bytes.
void PrintTo(const Expected& e, std::ostream* os) { *os << e.file; }

int ceilDiv(int a, int b) { return (a + b - 1) / b; }

class JpegAsset : public ::testing::TestWithParam<Expected> {};

TEST_P(JpegAsset, HasTheIntendedBaselineLayout) {
    const Expected& e = GetParam();
    std::vector<uint8_t> bytes = readAsset(e.file);
    ASSERT_FALSE(bytes.empty()) << e.file << " is missing";
    JpegLayout l = readLayout(bytes);
    ASSERT_EQ(l.error, "") << e.file;

    EXPECT_EQ(l.frameType, 0xC0) << "baseline frame";
    EXPECT_EQ(l.precision, 8);
    EXPECT_EQ(l.width, e.width);
    EXPECT_EQ(l.height, e.height);
    ASSERT_EQ(l.components.size(), e.sampling.size());
    for (size_t i = 0; i < e.sampling.size(); ++i) {
        EXPECT_EQ(l.components[i].h, e.sampling[i].h) << "component " << i;
        EXPECT_EQ(l.components[i].v, e.sampling[i].v) << "component " << i;
        EXPECT_LE(l.components[i].quantTable, 3);
    }
    for (int p : l.quantPrecisions) EXPECT_EQ(p, 0) << "8-bit quantisation tables";

    // One interleaved, sequential scan of every component.
    EXPECT_EQ(l.scanComponents, int(e.sampling.size()));
    EXPECT_EQ(l.spectralStart, 0);
    EXPECT_EQ(l.spectralEnd, 63);
    EXPECT_EQ(l.approximation, 0);
    EXPECT_TRUE(l.otherScanMarkers.empty());
    EXPECT_TRUE(l.endsAtEoi) << "scan runs to EOI at the end of the file";

    // The decoder realigns only at MCU-row starts, so an interval must be
    // exactly one row, with a marker between every two rows.
    int mcuW = 8 * e.sampling[0].h, mcuH = 8 * e.sampling[0].v;
    int mcusPerRow = ceilDiv(e.width, mcuW), mcuRows = ceilDiv(e.height, mcuH);
    if (e.restartEveryRow) {
        EXPECT_EQ(l.restartInterval, mcusPerRow);
        ASSERT_EQ(int(l.restartMarkers.size()), mcuRows - 1);
        for (size_t i = 0; i < l.restartMarkers.size(); ++i)
            EXPECT_EQ(l.restartMarkers[i], 0xD0 + int(i % 8)) << "marker " << i;
    } else {
        EXPECT_EQ(l.restartInterval, 0);
        EXPECT_TRUE(l.restartMarkers.empty());
    }
}

// Slide order. Between them the files cover greyscale, 4:2:0, 4:2:2, an
// image size that is not a whole number of MCUs, and restart markers.
INSTANTIATE_TEST_SUITE_P(
    Slides, JpegAsset,
    ::testing::Values(
        Expected{"drooo.jpg", 1024, 768, {{1, 2, 2, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}}, false},
        Expected{"08-iso_remix.jpg", 1024, 768, {{1, 1, 1, 0}}, false},
        Expected{"Harno Quorvath - Ashenthornveil - moro.jpg",
                 1024,
                 768,
                 {{1, 2, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}},
                 false},
        Expected{
            "Quorvath04_iso.jpg", 1000, 750, {{1, 2, 2, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}}, true}),
    [](const ::testing::TestParamInfo<Expected>& info) {
        return "slide" + std::to_string(info.index);
    });

TEST(JpegLayoutReader, RefusesFillBytesAndSeesRestarts) {
    // SOI, DRI(1), SOS, data with a stuffed byte and RST0, EOI.
    std::vector<uint8_t> good = {0xFF, 0xD8, 0xFF, 0xDD, 0x00, 0x04, 0x00, 0x01, 0xFF,
                                 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00,
                                 0x12, 0xFF, 0x00, 0xFF, 0xD0, 0x34, 0xFF, 0xD9};
    JpegLayout l = readLayout(good);
    EXPECT_EQ(l.error, "");
    EXPECT_EQ(l.restartInterval, 1);
    EXPECT_EQ(l.restartMarkers, std::vector<int>{0xD0});
    EXPECT_TRUE(l.endsAtEoi);

    std::vector<uint8_t> fill = good;
    fill.insert(fill.begin() + 2, 0xFF);
    EXPECT_NE(readLayout(fill).error, "");
}

// --- MP3

struct Mp3Summary {
    int audioFrames = 0;
    bool allMpeg1Layer3 = true, all44100 = true, allStereo = true;
    bool contiguous = true;
};

Mp3Summary readMp3(const std::vector<uint8_t>& b) {
    static const int kbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                 112, 128, 160, 192, 224, 256, 320, 0};
    Mp3Summary s;
    size_t pos = 0;
    if (b.size() > 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3')
        pos = 10 + ((b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 | (b[9] & 0x7F));
    bool first = true;
    while (pos + 4 <= b.size()) {
        if (b.size() - pos == 128 && b[pos] == 'T' && b[pos + 1] == 'A' && b[pos + 2] == 'G')
            break;  // ID3v1 trailer
        if (b[pos] != 0xFF || (b[pos + 1] & 0xE0) != 0xE0) {
            s.contiguous = false;
            break;
        }
        int version = (b[pos + 1] >> 3) & 3, layer = (b[pos + 1] >> 1) & 3;
        int rate = b[pos + 2] >> 4, freq = (b[pos + 2] >> 2) & 3, pad = (b[pos + 2] >> 1) & 1;
        int mode = b[pos + 3] >> 6;
        if (version != 3 || layer != 1 || rate == 0 || rate == 15) {
            s.allMpeg1Layer3 = false;
            break;
        }
        s.all44100 = s.all44100 && freq == 0;
        s.allStereo = s.allStereo && mode != 3;
        size_t length = size_t(144000 * kbps[rate] / 44100 + pad);
        // The encoder's Info/Xing frame carries no audio.
        bool tag = first && pos + 40 <= b.size() &&
                   (std::string(b.begin() + long(pos) + 36, b.begin() + long(pos) + 40) == "Info" ||
                    std::string(b.begin() + long(pos) + 36, b.begin() + long(pos) + 40) == "Xing");
        if (!tag) ++s.audioFrames;
        first = false;
        pos += length;
    }
    if (pos > b.size()) s.contiguous = false;
    return s;
}

TEST(Mp3Asset, IsAboutAMinuteOfStereoAudioAndSmall) {
    std::vector<uint8_t> bytes = readAsset("lumora.mp3");
    ASSERT_FALSE(bytes.empty()) << "lumora.mp3 is missing";
    EXPECT_LT(bytes.size(), 1500000u);
    Mp3Summary s = readMp3(bytes);
    EXPECT_TRUE(s.allMpeg1Layer3);
    EXPECT_TRUE(s.all44100);
    EXPECT_TRUE(s.allStereo);
    EXPECT_TRUE(s.contiguous) << "frames run back to back to the end of the file";
    double seconds = s.audioFrames * 1152.0 / 44100.0;
    // The show ends at 60 s; the music should last to about then.
    EXPECT_GE(seconds, 59.0);
    EXPECT_LE(seconds, 63.0);
}

}  // namespace
