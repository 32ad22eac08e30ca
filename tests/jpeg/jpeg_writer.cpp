#include "jpeg_writer.h"

namespace jpegtest {

HuffmanDefinition allAcSymbols() {
    HuffmanDefinition layout{};
    layout.symbols.push_back(0x00);
    layout.symbols.push_back(0xF0);
    for (int run = 0; run < 16; ++run) {
        for (int size = 1; size <= 10; ++size) layout.symbols.push_back(uint8_t(run << 4 | size));
    }
    layout.counts[7] = uint8_t(layout.symbols.size());  // 162 codes of 8 bits
    return layout;
}

HuffmanDefinition allDcSizes() {
    HuffmanDefinition layout{};
    for (int size = 0; size < 16; ++size) layout.symbols.push_back(uint8_t(size));
    layout.counts[4] = 16;
    return layout;
}

HuffmanCoder::HuffmanCoder(const HuffmanDefinition& layout) {
    int code = 0;
    size_t k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < layout.counts[len - 1]; ++i, ++k, ++code) {
            this->code[layout.symbols[k]] = uint16_t(code);
            length[layout.symbols[k]] = uint8_t(len);
        }
        code <<= 1;
    }
}

void BitWriter::put(uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
        pending = (pending << 1) | ((bits >> i) & 1);
        if (++pendingCount == 8) {
            bytes.push_back(uint8_t(pending));
            if (pending == 0xFF) bytes.push_back(0x00);
            pending = 0;
            pendingCount = 0;
        }
    }
}

void BitWriter::flush() {
    while (pendingCount != 0) put(1, 1);
}

namespace {

int bitSize(int32_t v) {
    uint32_t magnitude = uint32_t(v < 0 ? -int64_t(v) : v);
    int size = 0;
    while (magnitude) {
        ++size;
        magnitude >>= 1;
    }
    return size;
}

void putValue(BitWriter& out, int32_t v, int size) {
    if (size == 0) return;
    uint32_t bits = v >= 0 ? uint32_t(v) : uint32_t(v + (int32_t(1) << size) - 1);
    out.put(bits, size);
}

void putSymbol(BitWriter& out, const HuffmanCoder& coder, int symbol) {
    out.put(coder.code[symbol], coder.length[symbol]);
}

}  // namespace

void encodeBlock(BitWriter& out, const int32_t zigzag[64], int32_t& predictor,
                 const HuffmanCoder& dc, const HuffmanCoder& ac) {
    int32_t diff = zigzag[0] - predictor;
    predictor = zigzag[0];
    int size = bitSize(diff);
    putSymbol(out, dc, size);
    putValue(out, diff, size);

    int run = 0;
    for (int k = 1; k < 64; ++k) {
        if (zigzag[k] == 0) {
            ++run;
            continue;
        }
        while (run > 15) {
            putSymbol(out, ac, 0xF0);
            run -= 16;
        }
        size = bitSize(zigzag[k]);
        putSymbol(out, ac, run << 4 | size);
        putValue(out, zigzag[k], size);
        run = 0;
    }
    if (run > 0) putSymbol(out, ac, 0x00);
}

void putMarker(std::vector<uint8_t>& out, uint8_t code) {
    out.push_back(0xFF);
    out.push_back(code);
}

void putSegment(std::vector<uint8_t>& out, uint8_t code, const std::vector<uint8_t>& payload) {
    putMarker(out, code);
    size_t length = payload.size() + 2;
    out.push_back(uint8_t(length >> 8));
    out.push_back(uint8_t(length));
    out.insert(out.end(), payload.begin(), payload.end());
}

void putQuantTable(std::vector<uint8_t>& out, int number, const int32_t zigzag[64],
                   bool sixteenBit) {
    std::vector<uint8_t> payload{uint8_t((sixteenBit ? 0x10 : 0x00) | number)};
    for (int i = 0; i < 64; ++i) {
        if (sixteenBit) payload.push_back(uint8_t(zigzag[i] >> 8));
        payload.push_back(uint8_t(zigzag[i]));
    }
    putSegment(out, 0xDB, payload);
}

void putHuffmanTable(std::vector<uint8_t>& out, int tableClass, int number,
                     const HuffmanDefinition& layout) {
    std::vector<uint8_t> payload{uint8_t(tableClass << 4 | number)};
    payload.insert(payload.end(), layout.counts, layout.counts + 16);
    payload.insert(payload.end(), layout.symbols.begin(), layout.symbols.end());
    putSegment(out, 0xC4, payload);
}

void putFrame(std::vector<uint8_t>& out, int width, int height,
              const std::vector<FrameComponent>& components) {
    std::vector<uint8_t> payload{8,
                                 uint8_t(height >> 8),
                                 uint8_t(height),
                                 uint8_t(width >> 8),
                                 uint8_t(width),
                                 uint8_t(components.size())};
    for (const FrameComponent& c : components) {
        payload.push_back(c.id);
        payload.push_back(uint8_t(c.h << 4 | c.v));
        payload.push_back(c.quantTable);
    }
    putSegment(out, 0xC0, payload);
}

void putScanHeader(std::vector<uint8_t>& out, const std::vector<FrameComponent>& components) {
    std::vector<uint8_t> payload{uint8_t(components.size())};
    for (const FrameComponent& c : components) {
        payload.push_back(c.id);
        payload.push_back(0x00);  // DC table 0, AC table 0
    }
    payload.push_back(0);
    payload.push_back(63);
    payload.push_back(0);
    putSegment(out, 0xDA, payload);
}

ImageLayout::ImageLayout() {
    for (int32_t& q : quant) q = 1;
}

std::vector<uint8_t> encodeImage(const ImageLayout& layout, const BlockSource& source) {
    std::vector<uint8_t> out;
    putMarker(out, 0xD8);
    putQuantTable(out, 0, layout.quant, layout.sixteenBitQuant);
    putFrame(out, layout.width, layout.height, layout.components);
    const HuffmanDefinition dcDefinition = allDcSizes();
    const HuffmanDefinition acDefinition = allAcSymbols();
    putHuffmanTable(out, 0, 0, dcDefinition);
    putHuffmanTable(out, 1, 0, acDefinition);
    if (layout.restartEveryRow) {
        int mcusPerRow =
            (layout.width + 8 * layout.components[0].h - 1) / (8 * layout.components[0].h);
        putSegment(out, 0xDD, {uint8_t(mcusPerRow >> 8), uint8_t(mcusPerRow)});
    }
    putScanHeader(out, layout.components);

    const HuffmanCoder dc(dcDefinition);
    const HuffmanCoder ac(acDefinition);
    BitWriter bits;
    int32_t predictors[3] = {0, 0, 0};
    const int mcuWidth = 8 * layout.components[0].h;
    const int mcuHeight = 8 * layout.components[0].v;
    int restartNumber = 0;
    for (int mcuY = 0; mcuY < layout.height; mcuY += mcuHeight) {
        if (layout.restartEveryRow && mcuY > 0) {
            bits.flush();
            putMarker(bits.bytes, uint8_t(0xD0 + (restartNumber++ & 7)));
            predictors[0] = predictors[1] = predictors[2] = 0;
        }
        for (int mcuX = 0; mcuX < layout.width; mcuX += mcuWidth) {
            for (size_t c = 0; c < layout.components.size(); ++c) {
                for (int by = 0; by < layout.components[c].v; ++by) {
                    for (int bx = 0; bx < layout.components[c].h; ++bx) {
                        int32_t zigzag[64] = {};
                        source(int(c), mcuX, mcuY, by, bx, zigzag);
                        encodeBlock(bits, zigzag, predictors[c], dc, ac);
                    }
                }
            }
        }
    }
    bits.flush();
    out.insert(out.end(), bits.bytes.begin(), bits.bytes.end());
    putMarker(out, 0xD9);
    return out;
}

}  // namespace jpegtest
