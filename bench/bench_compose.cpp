// bench-compose: the time to compose one 141 x 35 frame of the side picture's label strip through the blend table.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pictures/blend_table.h"

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: bench-compose [FRAMES]\n");
        return 2;
    }
    using corvane::LabelFrame;
    const int width = 141, height = 35, landscapeWidth = 869;
    const int labelStride = (width * 3 + 3) & ~3, alphaStride = (width + 3) & ~3, landscapeStride = (landscapeWidth * 3 + 3) & ~3;
    std::vector<std::uint8_t> landscape(landscapeStride * height), p(labelStride * height), n(labelStride * height),
        ap(alphaStride * height), an(alphaStride * height), out(labelStride * height);
    std::uint32_t seed = 12345;
    for (auto* v : {&landscape, &p, &n, &ap, &an})
        for (auto& b : *v) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    LabelFrame f;
    f.width = width;
    f.height = height;
    f.landscape = landscape.data();
    f.landscapeStride = landscapeStride;
    f.previous = p.data();
    f.previousAlpha = ap.data();
    f.current = n.data();
    f.currentAlpha = an.data();
    f.labelStride = labelStride;
    f.alphaStride = alphaStride;
    f.out = out.data();
    f.outStride = labelStride;
    const corvane::BlendRow* table = corvane::BlendTable();

    // Best of five rounds; each round composes `frames` frames as the animation does, offset and fade moving.
    double best = 1e30;
    unsigned checksum = 0;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) {
            f.offset = (i * 7) % (landscapeWidth - width);
            corvane::ComposeLabelFrame(table, f, (i * 22) % 256);
            checksum += out[i % out.size()];
        }
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / frames);
    }
    std::printf("compose one 141 x 35 frame: %.2f us (best of 5 rounds of %d frames; checksum %u)\n", best, frames, checksum);
    return 0;
}
