// Splits arbitrary answers of arbitrary capacity, narrow and wide.
//
// Input: two bytes of capacity (little-endian, cut to what follows), then
// the answer's bytes. Each buffer handed over is a fresh block of exactly
// capacity characters, so AddressSanitizer sees any read beyond it.
#include "shred/selection.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "selection: %s\n", what);
        std::abort();
    }
}

// Bytes above 0x7F become characters whose low byte is 0, so that a wide
// parser looking at bytes would see a NUL where there is none.
wchar_t widen(unsigned char byte)
{
    return byte < 0x80 ? wchar_t(byte) : wchar_t(byte << 8);
}

char narrow(wchar_t character)
{
    return static_cast<char>(character < 0x80 ? character : character >> 8);
}

template <typename Char>
void requireWellFormed(const std::vector<std::basic_string<Char>>& paths)
{
    for (const auto& path : paths) {
        require(!path.empty(), "empty path");
        require(path.find(Char(0)) == std::basic_string<Char>::npos, "NUL inside a path");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t declared = data[0] | std::size_t(data[1]) << 8;
    const std::uint8_t* answer = data + 2;
    const std::size_t capacity = std::min(declared, size - 2);

    std::unique_ptr<char[]> narrowBuffer(new char[capacity]);
    std::copy(answer, answer + capacity, narrowBuffer.get());
    const std::vector<std::string> paths = parseSelection(narrowBuffer.get(), capacity);
    requireWellFormed(paths);

    std::unique_ptr<wchar_t[]> wideBuffer(new wchar_t[capacity]);
    std::transform(answer, answer + capacity, wideBuffer.get(), widen);
    const std::vector<std::wstring> widePaths = parseSelection(wideBuffer.get(), capacity);
    requireWellFormed(widePaths);

    std::vector<std::string> narrowed;
    for (const std::wstring& path : widePaths) {
        narrowed.emplace_back(path.size(), '\0');
        std::transform(path.begin(), path.end(), narrowed.back().begin(), narrow);
    }
    require(narrowed == paths, "wide and narrow answers split differently");
    return 0;
}
