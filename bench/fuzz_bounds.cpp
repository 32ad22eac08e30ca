// Resource bounds of the decoder: time and peak memory of every input given,
// plus hand-made worst cases, each decoded once in a child process of its
// own so that its peak resident size is its own.
//
//   fuzz_bounds [FILE | FOLDER]...
//
// Folders are read recursively; inputs above 1 MiB are skipped, since the
// goal is stated for inputs up to 1 MiB: none may take more than a second
// to decode or more than 256 MiB of memory. Prints the slowest and the
// hungriest inputs and exits 1 when the goal is missed.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "memory_surface.h"
#include "shell/message_box.h"

namespace {

constexpr size_t maxInput = 1 << 20;
constexpr double maxSeconds = 1.0;
constexpr double maxMiB = 256.0;

using Bytes = std::vector<uint8_t>;

// ---- Hand-made worst cases -------------------------------------------------

void put16(Bytes& b, int v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

void segment(Bytes& b, uint8_t code, const Bytes& payload) {
    b.push_back(0xFF);
    b.push_back(code);
    put16(b, int(payload.size()) + 2);
    b.insert(b.end(), payload.begin(), payload.end());
}

struct Component {
    uint8_t h, v;
};

// SOI, a quantisation table of 1s, the frame, optional tables, the scan
// header naming table 0 for every component.
Bytes header(int width, int height, const std::vector<Component>& comps, const Bytes& tables) {
    Bytes b = {0xFF, 0xD8};
    Bytes q(65, 1);
    q[0] = 0;
    segment(b, 0xDB, q);
    Bytes frame = {8};
    put16(frame, height);
    put16(frame, width);
    frame.push_back(uint8_t(comps.size()));
    for (size_t i = 0; i < comps.size(); ++i) {
        frame.push_back(uint8_t(i + 1));
        frame.push_back(uint8_t(comps[i].h << 4 | comps[i].v));
        frame.push_back(0);
    }
    segment(b, 0xC0, frame);
    b.insert(b.end(), tables.begin(), tables.end());
    Bytes scan = {uint8_t(comps.size())};
    for (size_t i = 0; i < comps.size(); ++i) {
        scan.push_back(uint8_t(i + 1));
        scan.push_back(0);
    }
    scan.insert(scan.end(), {0, 63, 0});
    segment(b, 0xDA, scan);
    return b;
}

// Fills the file up to 1 MiB with entropy-coded bytes from `next`.
template <typename Next>
Bytes fillTo1MiB(Bytes b, Next next) {
    while (b.size() < maxInput - 2) b.push_back(next());
    b.push_back(0xFF);
    b.push_back(0xD9);
    return b;
}

// DC sizes 0..11 on 4-bit codes; every AC run/size pair, EOB and ZRL on
// 8-bit codes: random data then decodes into busy blocks.
Bytes wideTables() {
    Bytes dc = {0x00};
    for (int i = 0; i < 16; ++i) dc.push_back(i == 3 ? 12 : 0);
    for (int s = 0; s < 12; ++s) dc.push_back(uint8_t(s));
    Bytes ac = {0x10};
    for (int i = 0; i < 16; ++i) ac.push_back(i == 7 ? 162 : 0);
    ac.push_back(0x00);
    ac.push_back(0xF0);
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 10; ++size) ac.push_back(uint8_t(run << 4 | size));
    Bytes b;
    segment(b, 0xC4, dc);
    segment(b, 0xC4, ac);
    return b;
}

// 255 codes of 16 bits in both tables: every symbol that matches none costs
// sixteen bits and a scan over the whole table.
Bytes longCodeTables() {
    Bytes b;
    for (uint8_t t : {uint8_t(0x00), uint8_t(0x10)}) {
        Bytes p = {t};
        for (int i = 0; i < 16; ++i) p.push_back(i == 15 ? 255 : 0);
        for (int i = 0; i < 255; ++i) p.push_back(uint8_t(i));
        segment(b, 0xC4, p);
    }
    return b;
}

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ULL;
    uint8_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        uint8_t v = uint8_t(state >> 56);
        return v == 0xFF ? 0xFE : v;  // no markers: data all the way
    }
};

// The largest square frame under the frame-size cap.
int capSide() { return int(std::sqrt(double(maxPixelCount))); }

struct Crafted {
    const char* name;
    Bytes (*make)();
};

const Crafted crafted[] = {
    // No tables at all: every block is a 0 bit for DC and a 0 bit for the
    // end of block, so 1 MiB of zeros holds four million blocks.
    {"crafted/cap_frame_444_zero_bits",
     [] {
         int s = capSide();
         return fillTo1MiB(header(s, s, {{1, 1}, {1, 1}, {1, 1}}, {}), [] { return uint8_t(0); });
     }},
    {"crafted/cap_frame_grey_zero_bits",
     [] {
         int s = capSide();
         return fillTo1MiB(header(s, s, {{1, 1}}, {}), [] { return uint8_t(0); });
     }},
    // Chroma that declares 15 x 15 blocks against luma's 1 x 1: 451 blocks
    // per 8 x 8 pixels, none of the chroma placed. The most blocks per pixel.
    {"crafted/cap_frame_chroma_15x15_zero_bits",
     [] {
         int s = capSide();
         return fillTo1MiB(header(s, s, {{1, 1}, {15, 15}, {15, 15}}, {}),
                           [] { return uint8_t(0); });
     }},
    {"crafted/cap_frame_luma_15x15_zero_bits",
     [] {
         int s = capSide();
         return fillTo1MiB(header(s, s, {{15, 15}, {1, 1}, {1, 1}}, {}), [] { return uint8_t(0); });
     }},
    {"crafted/cap_frame_420_random_data",
     [] {
         int s = capSide();
         Random r;
         return fillTo1MiB(header(s, s, {{2, 2}, {1, 1}, {1, 1}}, wideTables()),
                           [&] { return r.next(); });
     }},
    {"crafted/cap_frame_444_random_data",
     [] {
         int s = capSide();
         Random r;
         return fillTo1MiB(header(s, s, {{1, 1}, {1, 1}, {1, 1}}, wideTables()),
                           [&] { return r.next(); });
     }},
    {"crafted/cap_frame_long_codes_all_ones",
     [] {
         int s = capSide();
         Bytes b = header(s, s, {{1, 1}, {1, 1}, {1, 1}}, longCodeTables());
         bool high = true;  // 0xFF 0x00: a stuffed data byte of eight 1 bits
         return fillTo1MiB(b, [&] { return (high = !high) ? uint8_t(0x00) : uint8_t(0xFF); });
     }},
    {"crafted/cap_frame_fill_bytes",
     [] {
         int s = capSide();
         return fillTo1MiB(header(s, s, {{1, 1}, {1, 1}, {1, 1}}, {}),
                           [] { return uint8_t(0xFF); });
     }},
    {"crafted/cap_frame_restart_markers",
     [] {
         int s = capSide();
         bool marker = true;
         return fillTo1MiB(header(s, s, {{1, 1}, {1, 1}, {1, 1}}, {}),
                           [&] { return (marker = !marker) ? uint8_t(0xD0) : uint8_t(0xFF); });
     }},
    {"crafted/tables_1mib_of_dht",
     [] {
         Bytes b = {0xFF, 0xD8};
         Bytes table = longCodeTables();
         while (b.size() + table.size() < maxInput) b.insert(b.end(), table.begin(), table.end());
         return b;
     }},
};

// ---- Measuring -------------------------------------------------------------

struct Result {
    std::string name;
    double seconds = 0;     // wall clock
    double cpuSeconds = 0;  // user + system: what the decode costs on an idle machine
    double peakMiB = 0;
    int32_t width = 0, height = 0;
    bool ok = false;
};

void quiet(const char*, const char*) {}

bool readFile(const std::string& path, Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(f);
    return true;
}

struct Report {
    double seconds;
    double cpuSeconds;
    long maxRssKiB;
    int32_t width, height;
};

// In a child: load, decode once into an in-memory surface, report.
Report measureInChild(const std::string& path, int craftedIndex) {
    Bytes bytes;
    if (craftedIndex >= 0) {
        bytes = crafted[craftedIndex].make();
    } else if (!readFile(path, bytes)) {
        _exit(3);
    }
    setMessageBoxHandler(quiet);
    MemorySurface surface;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    double cpuBefore = double(before.ru_utime.tv_sec + before.ru_stime.tv_sec) +
                       double(before.ru_utime.tv_usec + before.ru_stime.tv_usec) / 1e6;
    auto start = std::chrono::steady_clock::now();
    decodeJpeg(&surface, bytes.data(), int32_t(bytes.size()));
    auto end = std::chrono::steady_clock::now();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return {std::chrono::duration<double>(end - start).count(), cpu - cpuBefore, usage.ru_maxrss,
            surface.width, surface.height};
}

Result measure(const std::string& name, int craftedIndex) {
    Result result;
    result.name = name;
    int fds[2];
    if (pipe(fds) != 0) return result;
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        Report r = measureInChild(name, craftedIndex);
        ssize_t written = write(fds[1], &r, sizeof r);
        _exit(written == ssize_t(sizeof r) ? 0 : 3);
    }
    close(fds[1]);
    Report r{};
    ssize_t got = read(fds[0], &r, sizeof r);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.ok = got == ssize_t(sizeof r) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.seconds = r.seconds;
    result.cpuSeconds = r.cpuSeconds;
    result.peakMiB = double(r.maxRssKiB) / 1024.0;
    result.width = r.width;
    result.height = r.height;
    return result;
}

void collect(const std::string& path, std::vector<std::string>& files, int& skipped) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        DIR* dir = opendir(path.c_str());
        if (!dir) return;
        std::vector<std::string> names;
        while (dirent* e = readdir(dir)) {
            std::string n = e->d_name;
            if (n != "." && n != ".." && n.find(".txt") == std::string::npos)
                names.push_back(path + "/" + n);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) collect(n, files, skipped);
    } else if (size_t(info.st_size) > maxInput) {
        ++skipped;
    } else {
        files.push_back(path);
    }
}

void printTop(const char* title, std::vector<Result> results, bool bySeconds) {
    std::sort(results.begin(), results.end(), [&](const Result& a, const Result& b) {
        return bySeconds ? a.cpuSeconds > b.cpuSeconds : a.peakMiB > b.peakMiB;
    });
    std::printf("%s\n", title);
    for (size_t i = 0; i < results.size() && i < 8; ++i) {
        const Result& r = results[i];
        std::printf("  %7.3f s cpu %7.3f s wall %7.1f MiB  %6d x %-6d %s\n", r.cpuSeconds,
                    r.seconds, r.peakMiB, int(r.width), int(r.height), r.name.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    int skipped = 0;
    for (int i = 1; i < argc; ++i) collect(argv[i], files, skipped);

    std::vector<Result> results;
    for (size_t i = 0; i < sizeof crafted / sizeof crafted[0]; ++i)
        results.push_back(measure(crafted[i].name, int(i)));
    for (const std::string& f : files) results.push_back(measure(f, -1));

    int failures = 0;
    for (const Result& r : results) {
        if (!r.ok) {
            std::printf("FAILED to measure (crash?): %s\n", r.name.c_str());
            ++failures;
        }
    }
    std::printf("%zu inputs (%zu hand-made), %d above 1 MiB skipped; frame-size cap %lld pixels\n",
                results.size(), sizeof crafted / sizeof crafted[0], skipped,
                (long long)maxPixelCount);
    printTop("slowest:", results, true);
    printTop("largest peak resident size (whole process):", results, false);
    // The hand-made cases lead both lists; the files given have their own.
    std::vector<Result> given(results.begin() + long(sizeof crafted / sizeof crafted[0]),
                              results.end());
    if (!given.empty()) {
        printTop("slowest of the files given:", given, true);
        printTop("largest peak of the files given:", given, false);
    }

    // Judged on processor time: the machine may be shared while this runs.
    const Result& slowest = *std::max_element(
        results.begin(), results.end(),
        [](const Result& a, const Result& b) { return a.cpuSeconds < b.cpuSeconds; });
    const Result& hungriest =
        *std::max_element(results.begin(), results.end(),
                          [](const Result& a, const Result& b) { return a.peakMiB < b.peakMiB; });
    bool met = failures == 0 && slowest.cpuSeconds <= maxSeconds && hungriest.peakMiB <= maxMiB;
    std::printf("goal (<= %.1f s, <= %.0f MiB per input up to 1 MiB): %s\n", maxSeconds, maxMiB,
                met ? "met" : "MISSED");
    return met ? 0 : 1;
}
