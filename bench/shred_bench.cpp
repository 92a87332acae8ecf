// What shredFile's per-byte work (percentage, pump, the operations table)
// costs beyond the one-byte writes themselves: both run over files of the
// same size in this process, alternately, and the best pass of each counts.
#include "shred/shred.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr double kRequiredRatio = 0.95;

void makeFile(const std::string& path, std::size_t size)
{
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

double seconds(std::chrono::steady_clock::duration elapsed)
{
    return std::chrono::duration<double>(elapsed).count();
}

double bareOverwrite(const std::string& path, std::size_t size)
{
    makeFile(path, size);
    const auto start = std::chrono::steady_clock::now();
    const int fd = open(path.c_str(), O_RDWR);
    const unsigned char zero = 0;
    for (std::size_t i = 0; i < size; ++i)
        if (write(fd, &zero, 1) != 1)
            std::abort();
    fsync(fd);
    close(fd);
    unlink(path.c_str());
    return seconds(std::chrono::steady_clock::now() - start);
}

void ignore(void*) {}
void ignorePercent(void*, int) {}

double shredOverwrite(const std::string& path, std::size_t size)
{
    makeFile(path, size);
    const auto start = std::chrono::steady_clock::now();
    const ShredResult result =
        shredFile(path.c_str(), ShredObserver{nullptr, ignore, ignorePercent, ignore});
    const double elapsed = seconds(std::chrono::steady_clock::now() - start);
    if (result.outcome != ShredOutcome::Destroyed)
        std::abort();
    return elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t size = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1u << 20;
    const int passes = argc > 2 ? std::atoi(argv[2]) : 6;
    const std::string path =
        (std::filesystem::temp_directory_path() / "brisvane-bench.dat").string();

    double bare = 1e30, shred = 1e30;
    // Each goes first in every other pass, so neither gains from its place.
    for (int pass = 0; pass < passes; ++pass) {
        if (pass % 2 == 0)
            bare = std::min(bare, bareOverwrite(path, size));
        shred = std::min(shred, shredOverwrite(path, size));
        if (pass % 2 == 1)
            bare = std::min(bare, bareOverwrite(path, size));
    }
    const double megabytes = size / 1e6;
    const double ratio = bare / shred;
    std::printf("file size            %zu bytes, best of %d passes each\n", size, passes);
    std::printf("bare 1-byte writes   %.3f MB/s\n", megabytes / bare);
    std::printf("shredFile            %.3f MB/s\n", megabytes / shred);
    std::printf("cost per byte        %.0f ns bare, %.0f ns shredFile\n", bare / size * 1e9,
                shred / size * 1e9);
    std::printf("ratio shredFile/bare %.3f (at least %.2f wanted)\n", ratio, kRequiredRatio);
    return ratio >= kRequiredRatio ? 0 : 1;
}
