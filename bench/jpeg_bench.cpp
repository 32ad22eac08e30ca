// Decoder benchmark: median decode time of our decoder in process, and the
// same file through the jpegdecode tool and through `djpeg -dct float` as
// processes (start-up and output included on both sides), plus the peak
// memory of one decode.
//
//   jpeg_bench FILE.jpg JPEGDECODE [RUNS]
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

double medianCommandTime(const std::string& command, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        int status = std::system(command.c_str());
        times.push_back(millisecondsSince(start));
        if (status != 0) {
            std::fprintf(stderr, "jpeg_bench: failed: %s\n", command.c_str());
            std::exit(2);
        }
    }
    return median(times);
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

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        MemorySurface surface;
        Clock::time_point start = Clock::now();
        decodeJpeg(&surface, buffer.data, buffer.size);
        times.push_back(millisecondsSince(start));
    }
    const double ours = median(times);
    release(buffer);

    const double tool = medianCommandTime(std::string(argv[2]) + " '" + file + "' /dev/null", runs);
    const double djpeg = medianCommandTime("djpeg -dct float -outfile /dev/null '" + file + "'", runs);

    std::printf("file                      %s (%d x %d, %.0f KiB)\n", file.c_str(), width, height, inputKilobytes);
    std::printf("runs                      %d (medians)\n", runs);
    std::printf("decodeJpeg in process     %8.2f ms\n", ours);
    std::printf("jpegdecode process        %8.2f ms\n", tool);
    std::printf("djpeg -dct float process  %8.2f ms\n", djpeg);
    std::printf("ratio in-process / djpeg  %8.2f\n", ours / djpeg);
    std::printf("ratio process / process   %8.2f   (target <= 5)\n", tool / djpeg);
    std::printf("peak memory growth        %8.0f KiB during the first decode\n", double(growth));
    std::printf("limit input + 2 x RGBA    %8.0f KiB (input %.0f, RGBA %.0f); the input is loaded before\n",
                inputKilobytes + 2 * rgbaKilobytes, inputKilobytes, rgbaKilobytes);
    return 0;
}
