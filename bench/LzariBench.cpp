// Prints the LZARI decoder's output rate on the real archive text and on a 1 MiB text, the
// encoder's input rate, block against text sizes, and the native time of the whole block load.
//
// lzari_bench [archive text (.utf16)]   (default: the one this build packed)

#include "lang/LanguageArchive.h"
#include "lang/LzariDecoder.h"
#include "lang/LzariEncoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Best time of one call, repeating for at least minSeconds (and three times at the least).
template <typename F> double BestSeconds(F&& f, double minSeconds) {
    double best = 1e30;
    double spent = 0;
    for (int round = 0; round < 3 || spent < minSeconds; ++round) {
        const auto start = Clock::now();
        f();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, s);
        spent += s;
    }
    return best;
}

double MegabytesPerSecond(size_t bytes, double seconds) {
    return static_cast<double>(bytes) / 1e6 / seconds;
}

// The archive's lines in a shuffled order until 1 MiB: the same kind of text, laid out anew
// so that the copies differ within the window.
Bytes MegabyteText(const Bytes& text) {
    std::vector<Bytes> lines(1);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        lines.back().push_back(text[i]);
        lines.back().push_back(text[i + 1]);
        if (text[i] == '\n' && text[i + 1] == 0) {
            lines.emplace_back();
        }
    }
    Bytes out;
    uint32_t seed = 1;
    while (out.size() < (1u << 20)) {
        seed = seed * 1664525 + 1013904223;
        const Bytes& line = lines[(seed >> 8) % lines.size()];
        out.insert(out.end(), line.begin(), line.end());
    }
    out.resize(1u << 20);
    return out;
}

bool Measure(const char* name, const Bytes& text) {
    Bytes block;
    const double encodeSeconds =
        BestSeconds([&] { block = EncodeLzari(text.data(), text.size()); }, 1.0);
    Bytes output(text.size());
    const double decodeSeconds = BestSeconds(
        [&] {
            LzariDecoder decoder;
            decoder.DecodeToMemory(block.data(), static_cast<uint32_t>(block.size()), output.data(),
                                   static_cast<uint32_t>(output.size()));
        },
        1.0);
    if (output != text) {
        std::fprintf(stderr, "%s: the block does not decode to the text\n", name);
        return false;
    }
    std::printf("%-22s text %9zu B  block %8zu B (%5.2f %%)  decode %7.1f MB/s (%.3f ms)  "
                "encode %6.2f MB/s (%.1f ms)\n",
                name, text.size(), block.size(),
                100.0 * static_cast<double>(block.size()) / static_cast<double>(text.size()),
                MegabytesPerSecond(text.size(), decodeSeconds), decodeSeconds * 1e3,
                MegabytesPerSecond(text.size(), encodeSeconds), encodeSeconds * 1e3);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : QUILLFERN_ARCHIVE_TEXT;
    std::ifstream in(path, std::ios::binary);
    const Bytes text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    if (!Measure("archive text", text) || !Measure("1 MiB text", MegabyteText(text))) {
        return 1;
    }
    const Bytes block = EncodeLzari(text.data(), text.size());
    bool loaded = true;
    const double loadSeconds = BestSeconds(
        [&] { loaded = loaded && LoadArchiveFromBlock(block.data(), block.size()); }, 0.5);
    std::printf("archive load (decode + parse, native): %.3f ms, %d sections\n", loadSeconds * 1e3,
                LanguageCount);
    return loaded ? 0 : 1;
}
