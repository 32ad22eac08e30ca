// Decoder benchmark: median decode time of our decoder in process, and the
// same file through the jpegdecode tool and through `djpeg -dct float` as
// processes (start-up and output included on both sides), plus the peak
// memory of one decode.
//
//   jpeg_bench FILE.jpg JPEGDECODE [RUNS]
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

// Median wall and CPU time of a shell command run as its own process.
Timing medianCommandTime(const std::string& command, int runs) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        pid_t child = fork();
        if (child == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        wall.push_back(millisecondsSince(start));
        cpu.push_back(cpuMilliseconds(usage));
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "jpeg_bench: failed: %s\n", command.c_str());
            std::exit(2);
        }
    }
    return {median(wall), median(cpu)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: jpeg_bench FILE.jpg JPEGDECODE [RUNS]\n");
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

    // Both as processes: start-up, file reading and output on both sides.
    const Timing tool =
        medianCommandTime("exec " + std::string(argv[2]) + " '" + file + "' /dev/null", runs);
    const Timing djpeg =
        medianCommandTime("exec djpeg -dct float -outfile /dev/null '" + file + "'", runs);

    std::printf("file                      %s (%d x %d, %.0f KiB)\n", file.c_str(), width, height,
                inputKilobytes);
    std::printf("runs                      %d (medians)\n", runs);
    std::printf("                            wall ms    cpu ms\n");
    std::printf("decodeJpeg in process     %8.2f  %8.2f\n", ours.wall, ours.cpu);
    std::printf("jpegdecode process        %8.2f  %8.2f\n", tool.wall, tool.cpu);
    std::printf("djpeg -dct float process  %8.2f  %8.2f\n", djpeg.wall, djpeg.cpu);
    std::printf("ratio in-process / djpeg  %8.2f  %8.2f\n", ours.wall / djpeg.wall,
                ours.cpu / djpeg.cpu);
    std::printf("ratio process / process   %8.2f  %8.2f   (target <= 5)\n", tool.wall / djpeg.wall,
                tool.cpu / djpeg.cpu);
    std::printf("peak memory growth        %8.0f KiB during the first decode\n", double(growth));
    std::printf(
        "limit input + 2 x RGBA    %8.0f KiB (input %.0f, RGBA %.0f); the input is loaded before\n",
        inputKilobytes + 2 * rgbaKilobytes, inputKilobytes, rgbaKilobytes);
    return 0;
}
