// Decoder benchmark: median decode time of our decoder in process, and the
// same file through the jpegdecode tool and through `djpeg -dct float` as
// processes, in turn, each writing its picture into a file in OUT-DIR
// (start-up and output included on both sides), plus the peak memory of one
// decode.
//
//   jpeg_bench FILE.jpg JPEGDECODE [RUNS] [OUT-DIR]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "memory_surface.h"
#include "shell/file_buffer.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double cpuMilliseconds(const rusage& u) {
    return (double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec)) * 1000 +
           (double(u.ru_utime.tv_usec) + double(u.ru_stime.tv_usec)) / 1000;
}

double processCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
}

struct Timing {
    double wall;
    double cpu;  // user + system: less disturbed by other load on the machine
};

// Wall and CPU time of a shell command run as its own process.
Timing commandTime(const std::string& command) {
    Clock::time_point start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "jpeg_bench: failed: %s\n", command.c_str());
        std::exit(2);
    }
    return {millisecondsSince(start), cpuMilliseconds(usage)};
}

// Two commands run in turn, A B A B ..., so that a change in the machine's
// speed meets both: their medians and the median of the runs' ratios.
struct Pair {
    Timing a, b, ratio;
};
Pair medianPairTime(const std::string& a, const std::string& b, int runs) {
    std::vector<double> aWall, aCpu, bWall, bCpu, wallRatio, cpuRatio;
    commandTime(a);  // warm the page cache and the dynamic loader's
    commandTime(b);
    for (int i = 0; i < runs; ++i) {
        const Timing ta = commandTime(a), tb = commandTime(b);
        aWall.push_back(ta.wall);
        aCpu.push_back(ta.cpu);
        bWall.push_back(tb.wall);
        bCpu.push_back(tb.cpu);
        wallRatio.push_back(ta.wall / tb.wall);
        cpuRatio.push_back(tb.cpu > 0 ? ta.cpu / tb.cpu : 0);
    }
    return {{median(aWall), median(aCpu)},
            {median(bWall), median(bCpu)},
            {median(wallRatio), median(cpuRatio)}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: jpeg_bench FILE.jpg JPEGDECODE [RUNS] [OUT-DIR]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int runs = argc > 3 ? std::atoi(argv[3]) : 31;

    FileBuffer buffer{};
    load(buffer, file.c_str());
    long before = peakKilobytes();
    int32_t width = 0, height = 0;
    {
        MemorySurface surface;
        decodeJpeg(&surface, buffer.data, buffer.size);
        width = surface.width;
        height = surface.height;
    }
    long growth = peakKilobytes() - before;
    if (width == 0 || height == 0) return 1;
    const double rgbaKilobytes = double(width) * height * 4 / 1024;
    const double inputKilobytes = double(buffer.size) / 1024;

    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        MemorySurface surface;
        Clock::time_point start = Clock::now();
        double cpuStart = processCpuMilliseconds();
        decodeJpeg(&surface, buffer.data, buffer.size);
        cpu.push_back(processCpuMilliseconds() - cpuStart);
        wall.push_back(millisecondsSince(start));
    }
    const Timing ours{median(wall), median(cpu)};
    release(buffer);

    // Both as processes, each writing its picture into a file: start-up,
    // file reading and output on both sides.
    const std::string out = argc > 4 ? argv[4] : "/tmp";
    const Pair processes =
        medianPairTime("exec " + std::string(argv[2]) + " '" + file + "' '" + out + "/o.pam'",
                       "exec djpeg -dct float -outfile '" + out + "/r.ppm' '" + file + "'", runs);

    std::printf("file                      %s (%d x %d, %.0f KiB)\n", file.c_str(), width, height,
                inputKilobytes);
    std::printf("runs                      %d (medians)\n", runs);
    std::printf("                            wall ms    cpu ms\n");
    std::printf("decodeJpeg in process     %8.2f  %8.2f\n", ours.wall, ours.cpu);
    std::printf("jpegdecode process        %8.2f  %8.2f\n", processes.a.wall, processes.a.cpu);
    std::printf("djpeg -dct float process  %8.2f  %8.2f\n", processes.b.wall, processes.b.cpu);
    std::printf("ratio process / process   %8.2f  %8.2f   (target <= 1.5; medians of the pairs)\n",
                processes.ratio.wall, processes.ratio.cpu);
    std::printf("peak memory growth        %8.0f KiB during the first decode\n", double(growth));
    std::printf(
        "limit input + 2 x RGBA    %8.0f KiB (input %.0f, RGBA %.0f); the input is loaded before\n",
        inputKilobytes + 2 * rgbaKilobytes, inputKilobytes, rgbaKilobytes);
    return 0;
}
