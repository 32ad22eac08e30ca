#!/usr/bin/env python3
"""Writes the fuzz regression files into tests/fuzz/regressions and their
expected outcomes into regressions/outcomes.txt.

    python3 tests/fuzz/make_regressions.py

Each file is a real JPEG-shaped input (SOI, JFIF, tables, frame, scan) with
one fault of a class that small decoders are known to crash, hang or run out
of memory on. The files are committed; this script only re-creates them.

Outcomes (checked by test_fuzz_regressions):
    image WxH   an image of that size, no message box
    empty WxH   the decoder's message box; the surface keeps the size given
                (one side 0)
    refused     the decoder's message box and a 0 x 0 surface
    same FILE   exactly the pixels of FILE, no message box
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "regressions")

SOI = b"\xff\xd8"
EOI = b"\xff\xd9"
APP0 = b"\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"


def seg(code, payload, length=None):
    """A marker segment; length overrides the length word."""
    if length is None:
        length = len(payload) + 2
    return b"\xff" + bytes([code]) + struct.pack(">H", length) + payload


def dqt(number=0, values=None, sixteen=False):
    values = values or [1] * 64  # quantiser 1: DC values stay visible
    if sixteen:
        return seg(0xDB, bytes([0x10 | number]) + b"".join(struct.pack(">H", v) for v in values))
    return seg(0xDB, bytes([number]) + bytes(values))


def sof0(width, height, comps, length=None):
    """comps: (id, h, v, quant table) per component."""
    body = bytes([8]) + struct.pack(">HH", height, width) + bytes([len(comps)])
    for cid, h, v, tq in comps:
        body += bytes([cid, (h << 4) | v, tq])
    return seg(0xC0, body, length)


def table_body(tclass, number, counts, symbols):
    return bytes([(tclass << 4) | number]) + bytes(counts) + bytes(symbols)


def dht(tclass, number, counts, symbols, length=None):
    return seg(0xC4, table_body(tclass, number, counts, symbols), length)


def sos(selectors, length=None):
    """selectors: (component id, dc table, ac table)."""
    body = bytes([len(selectors)])
    for cid, dc, ac in selectors:
        body += bytes([cid, (dc << 4) | ac])
    return seg(0xDA, body + bytes([0, 63, 0]), length)


def dri(interval, length=None):
    return seg(0xDD, struct.pack(">H", interval), length)


# DC sizes 0..15 with 5-bit codes: the code of size s is s itself.
DC_COUNTS = [0, 0, 0, 0, 16] + [0] * 11
DC_SYMBOLS = list(range(16))
# AC symbols with 8-bit codes, the code of a symbol being its index here.
AC_SYMBOLS = [0x00, 0xF0, 0x03, 0x23, 0x0F, 0xF1, 0x01, 0x11, 0x31, 0xE1]
AC_COUNTS = [0] * 7 + [len(AC_SYMBOLS)] + [0] * 8


class Bits:
    """Entropy-coded data: most significant bit first, 0xFF stuffed."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, count):
        for i in range(count - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)
                self.acc = 0
                self.n = 0

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)
        return bytes(self.out)


def magnitude(value):
    size = abs(value).bit_length()
    return size, (value if value >= 0 else value + (1 << size) - 1)


def block(bits, dc_diff, acs=()):
    """One block with the default tables; acs: (run, value) pairs, then EOB
    unless the last reaches position 63, or raw AC symbols given as ints."""
    size, v = magnitude(dc_diff)
    bits.put(size, 5)
    bits.put(v, size)
    k = 1
    for item in acs:
        if isinstance(item, int):  # a raw symbol, written with no value bits
            bits.put(AC_SYMBOLS.index(item), 8)
            k += ((item >> 4) & 15) + 1
            continue
        run, value = item
        size, v = magnitude(value)
        bits.put(AC_SYMBOLS.index((run << 4) | size), 8)
        bits.put(v, size)
        k += run + 1
    if k < 64:
        bits.put(AC_SYMBOLS.index(0x00), 8)


def tables():
    return dht(0, 0, DC_COUNTS, DC_SYMBOLS) + dht(1, 0, AC_COUNTS, AC_SYMBOLS)


COLOUR = [(1, 1, 1, 0), (2, 1, 1, 0), (3, 1, 1, 0)]
COLOUR_SOS = [(1, 0, 0), (2, 0, 0), (3, 0, 0)]


def colour_scan(mcus=4, blocks_per_mcu=3):
    bits = Bits()
    for i in range(mcus * blocks_per_mcu):
        block(bits, 40 if i % 3 == 0 else -3, [(0, 5), (2, -7)])
    return bits.flush()


def base_parts():
    """The valid 16 x 16 colour file as its parts, for faults to be put in."""
    return {
        "head": SOI + APP0,
        "dqt": dqt(),
        "sof": sof0(16, 16, COLOUR),
        "dht": tables(),
        "sos": sos(COLOUR_SOS),
        "scan": colour_scan(),
        "tail": EOI,
    }


ORDER = ["head", "dqt", "sof", "dht", "sos", "scan", "tail"]


def assemble(**replace):
    parts = base_parts()
    parts.update(replace)
    return b"".join(parts[k] for k in ORDER)


def cut_inside(part, offset):
    """The base file cut `offset` bytes into the named part."""
    parts = base_parts()
    data = b""
    for k in ORDER:
        if k == part:
            return data + parts[k][:offset]
        data += parts[k]
    raise KeyError(part)


files = []  # (name, bytes, outcome)


def add(name, data, outcome):
    files.append((name + ".jpg", data, outcome))


BASE = "valid_base_16x16.jpg"
add("valid_base_16x16", assemble(), "image 16x16")

# Huffman counts summing past 256: the record holds 256 codes per table.
add("huffman_counts_sum_257",
    assemble(dht=dht(1, 0, [0] * 7 + [255, 2] + [0] * 7, [0] * 257) + tables()),
    "same " + BASE)
add("huffman_counts_all_255",
    assemble(dht=tables() + dht(0, 1, [255] * 16, [7] * 4080)),
    "same " + BASE)
add("huffman_counts_past_end",
    assemble(dht=tables() + seg(0xC4, table_body(1, 1, [255] * 16, [1] * 40))),
    "image 16x16")

# Magnitude categories past 15 (DC symbols whose size bits are above 15, and
# codes that match nothing) and AC positions pushed past 63.
dc_wide = [0x1F, 0xFF, 0x10, 0x2A]
bits = Bits()
for i in range(12):
    bits.put(i % 4, 2)  # one of the four symbols
    bits.put(0x5A5A, [15, 15, 0, 10][i % 4])
    bits.put(0, 1)  # EOB in the one-code AC table
add("dc_magnitude_past_15",
    assemble(dht=dht(0, 0, [0, 4] + [0] * 14, dc_wide) + dht(1, 0, [1] + [0] * 15, [0]),
             scan=bits.flush()),
    "image 16x16")
bits = Bits()
for i in range(12):
    bits.put(0xFFFF, 16)  # matches no DC code: the 16-bit value is the symbol
    bits.put(0x7FFF, 15)
    bits.put(0, 1)
add("dc_code_unmatched",
    assemble(dht=dht(0, 0, [1] + [0] * 15, [3]) + dht(1, 0, [1] + [0] * 15, [0]),
             scan=bits.flush()),
    "image 16x16")
bits = Bits()
for i in range(12):
    block(bits, 5, [0xF0, 0xF0, 0xF0, (15, 1)])  # 48 zeros, then run 15 at 49
add("ac_index_past_63_run", assemble(scan=bits.flush()), "image 16x16")
bits = Bits()
for i in range(12):
    block(bits, 5, [0xF0, 0xF0, 0xF0, 0xF0])  # the fourth run of 16 ends at 65
add("ac_index_past_63_zero_runs", assemble(scan=bits.flush()), "image 16x16")
bits = Bits()
for i in range(12):
    block(bits, 32767 if i % 2 else -32767, [(0, 16384 + i)] * 63)
add("coefficient_extremes",
    assemble(dqt=dqt(0, [65535] * 64, sixteen=True), scan=bits.flush()),
    "image 16x16")

# Sampling factors: 0, above 4, ratios that do not divide.
add("sampling_zero_h_component0",
    assemble(sof=sof0(16, 16, [(1, 0, 1, 0), (2, 1, 1, 0), (3, 1, 1, 0)])), "refused")
add("sampling_zero_v_chroma",
    assemble(sof=sof0(16, 16, [(1, 1, 1, 0), (2, 1, 0, 0), (3, 1, 1, 0)])), "refused")
add("sampling_zero_grey",
    assemble(sof=sof0(16, 16, [(1, 0, 0, 0)]), sos=sos([(1, 0, 0)])), "refused")
bits = Bits()
for i in range(225 + 2):
    block(bits, 3, [(0, 5)])
add("sampling_15x15_component0",
    assemble(sof=sof0(130, 9, [(1, 15, 15, 0), (2, 1, 1, 0), (3, 1, 1, 0)]),
             scan=bits.flush()),
    "image 130x9")
add("sampling_5x6_chroma_larger",
    assemble(sof=sof0(16, 16, [(1, 1, 1, 0), (2, 5, 6, 0), (3, 1, 1, 0)]),
             scan=colour_scan(4, 32)),
    "image 16x16")
add("sampling_3x2_over_2x1_not_dividing",
    assemble(sof=sof0(50, 20, [(1, 3, 2, 0), (2, 2, 1, 0), (3, 1, 2, 0)]),
             scan=colour_scan(6, 10)),
    "image 50x20")

# Frames of 0 or 65535 lines or columns.
add("frame_zero_lines", assemble(sof=sof0(16, 0, COLOUR)), "empty 16x0")
add("frame_zero_columns", assemble(sof=sof0(0, 16, COLOUR)), "empty 0x16")
add("frame_zero_by_zero", assemble(sof=sof0(0, 0, COLOUR)), "refused")
add("frame_65535_lines", assemble(sof=sof0(8, 65535, COLOUR)), "image 8x65535")
add("frame_65535_columns", assemble(sof=sof0(65535, 8, COLOUR)), "image 65535x8")
add("frame_65535_by_65535", assemble(sof=sof0(65535, 65535, COLOUR)), "refused")
# Above the frame-size cap (16 Mpixel): its array and the surface's copy
# alone would be 512 MiB, and filling them takes seconds.
add("frame_8192_by_8192", assemble(sof=sof0(8192, 8192, COLOUR)), "refused")
add("frame_4097_by_4096", assemble(sof=sof0(4097, 4096, COLOUR)), "refused")

# Truncation inside every kind of segment and inside the scan. Before the
# frame header there is no size: refused; after it the image keeps its size.
add("truncated_soi_only", SOI, "refused")
add("truncated_inside_app0", cut_inside("head", 9), "refused")
add("truncated_inside_dqt", cut_inside("dqt", 30), "refused")
add("truncated_inside_dqt16", SOI + dqt(0, [300] * 64, sixteen=True)[:70], "refused")
add("truncated_inside_sof_size", cut_inside("sof", 6), "refused")
add("truncated_inside_sof_components", cut_inside("sof", 13), "refused")
add("truncated_inside_dht_counts", cut_inside("dht", 12), "image 16x16")
add("truncated_inside_dht_symbols", cut_inside("dht", 40), "image 16x16")
add("truncated_inside_length_word", cut_inside("dht", 3), "image 16x16")
add("truncated_inside_dri", cut_inside("sos", 0) + dri(1)[:5], "image 16x16")
add("truncated_inside_sos", cut_inside("sos", 7), "image 16x16")
add("truncated_inside_scan", cut_inside("scan", len(colour_scan()) // 2), "image 16x16")
add("truncated_scan_on_ff", cut_inside("scan", 3) + b"\xff", "image 16x16")
add("truncated_lone_ff", b"\xff", "refused")
add("truncated_after_marker_prefix", SOI + APP0 + b"\xff", "refused")

# DC predictor overflow: +28086 in every block of a grey frame, 76544
# blocks, so the running DC value passes 2^31.
bits = Bits()
blocks = 256 * 299
for i in range(blocks):
    bits.put(0, 1)  # size 15, the only DC code
    bits.put(0x6DB6, 15)
    bits.put(0, 1)  # EOB, the only AC code
add("dc_predictor_overflow",
    SOI + APP0 + dqt() + sof0(2048, 8 * 299, [(1, 1, 1, 0)])
    + dht(0, 0, [1] + [0] * 15, [15]) + dht(1, 0, [1] + [0] * 15, [0])
    + sos([(1, 0, 0)]) + bits.flush() + EOI,
    "image 2048x2392")

# Table and component identifiers above 3.
add("dht_table_number_above_3",
    assemble(dht=dht(0, 5, DC_COUNTS, DC_SYMBOLS) + dht(1, 15, AC_COUNTS, AC_SYMBOLS) + tables()),
    "same " + BASE)
add("dqt_table_number_above_3",
    assemble(dqt=dqt(4, [9] * 64) + dqt(15, [9] * 64, sixteen=True) + dqt()),
    "same " + BASE)
add("sof_quant_selector_above_3",
    assemble(sof=sof0(16, 16, [(1, 1, 1, 4), (2, 1, 1, 0), (3, 1, 1, 255)])), "refused")
add("sos_table_selectors_above_3",
    assemble(sos=sos([(1, 4, 0), (2, 0, 15), (3, 15, 15)])), "refused")
add("component_count_4",
    assemble(sof=sof0(16, 16, COLOUR + [(4, 1, 1, 0)])), "refused")
add("component_count_0", assemble(sof=sof0(16, 16, [])), "refused")
add("component_count_2",
    assemble(sof=sof0(16, 16, COLOUR[:2]), sos=sos(COLOUR_SOS[:2]), scan=colour_scan(4, 2)),
    "image 16x16")
add("component_ids_255_shared",
    assemble(sof=sof0(16, 16, [(255, 1, 1, 0), (255, 1, 1, 0), (0, 1, 1, 0)]),
             sos=sos([(255, 0, 0), (0, 0, 0), (7, 3, 3)])),
    "image 16x16")

# Segment lengths below 2 or past the end of the input.
add("length_0_before_frame", assemble(head=SOI + seg(0xE1, b"", 0) + APP0), "refused")
add("length_1_after_frame", assemble(dht=seg(0xFE, b"", 1) + tables()), "image 16x16")
add("length_0_dht", assemble(dht=seg(0xC4, b"", 0) + tables()), "same " + BASE)
add("length_2_dht_dqt", assemble(dht=seg(0xC4, b"") + seg(0xDB, b"") + tables()), "same " + BASE)
add("length_short_dht", assemble(dht=dht(0, 0, DC_COUNTS, DC_SYMBOLS, length=5)
                                 + dht(1, 0, AC_COUNTS, AC_SYMBOLS)), "same " + BASE)
add("length_past_end_app", SOI + seg(0xE2, b"ICC_PROFILE\x00", 0xFFFF) + assemble()[2:], "refused")
add("length_past_end_dqt", SOI + dqt()[:2] + b"\xff\xff" + dqt()[4:], "refused")
add("length_mismatch_sof", assemble(sof=sof0(16, 16, COLOUR, length=18)), "refused")
add("length_wrong_dri", assemble(sos=dri(1, length=10) + sos(COLOUR_SOS)), "image 16x16")
add("length_wrong_sos", assemble(sos=sos(COLOUR_SOS, length=200)), "same " + BASE)

# Runs of 0xFF fill bytes and stray markers in the scan.
scan = colour_scan()
add("scan_fill_run_16k", assemble(scan=scan[:5] + b"\xff" * 16384 + scan[5:]), "image 16x16")
add("scan_ends_in_fill_run", assemble(scan=scan[:7] + b"\xff" * 4096, tail=b""), "image 16x16")
add("scan_stray_markers",
    assemble(scan=scan[:3] + b"\xff\xd9" + scan[3:6] + b"\xff\xd8\xff\xc4" + scan[6:9]
             + b"\xff\xda\xff\xd5\xff\xd0" + scan[9:]),
    "image 16x16")
add("scan_restart_without_markers", assemble(sos=dri(1) + sos(COLOUR_SOS)), "image 16x16")
add("fill_ff_before_marker", assemble(sof=b"\xff" + sof0(16, 16, COLOUR)), "refused")
add("all_ff_8k", b"\xff" * 8192, "refused")
add("header_fill_run_then_scan", SOI + b"\xff" * 4096 + EOI, "refused")


def main():
    os.makedirs(OUT, exist_ok=True)
    for old in os.listdir(OUT):
        if old.endswith(".jpg") or old == "outcomes.txt":
            os.remove(os.path.join(OUT, old))
    lines = ["# name outcome (written by make_regressions.py; see there)"]
    for name, data, outcome in files:
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
        lines.append(name + " " + outcome)
    with open(os.path.join(OUT, "outcomes.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print(len(files), "files,", sum(len(d) for _, d, _ in files), "bytes")


if __name__ == "__main__":
    main()
