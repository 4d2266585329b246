// The blend table against its definition, and the blends done through it against a direct computation.
#include "pictures/blend_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace corvane {
namespace {

// f_a as the definition builds it: 1/255 added a times in double precision.
double Factor(int a) {
    double f = 0.0;
    for (int i = 0; i < a; ++i) f += 0.00392156862745098;
    return f;
}
int Direct(int a, int d) { return static_cast<int>(std::trunc(d * Factor(a))); }

TEST(BlendTable, EveryEntryIsTheTruncatedProductOfTheAccumulatedFactor) {
    const BlendRow* table = BlendTable();
    for (int a = 0; a < kBlendAlphas; ++a) {
        const double f = Factor(a);
        for (int d = -255; d <= 255; ++d)
            ASSERT_EQ(table[a][d + 255], static_cast<int>(std::trunc(d * f))) << "a " << a << " d " << d;
    }
    EXPECT_EQ(BlendTable(), table);  // built once
}

TEST(BlendTable, TheSumFallsShortOfWholeNumbersWhereTheDefinitionSays) {
    struct Case { int a, d, entry; };
    const Case cases[] = {
        {0, 255, 0},    {1, 255, 1},      {1, -255, -1},   {51, 255, 50},   {102, -200, -79}, {128, 100, 50},
        {200, -1, 0},   {254, 255, 253},  {255, 255, 254}, {255, -255, -254}, {255, 1, 0},    {255, 100, 99},
    };
    for (const Case& c : cases) EXPECT_EQ(BlendTable()[c.a][c.d + 255], c.entry) << "a " << c.a << " d " << c.d;
}

TEST(BlendTable, BlendTowardAddsTheEntryToTheStartingValue) {
    struct Case { int v, w, a, out; };
    const Case cases[] = {{10, 200, 0, 10}, {10, 200, 255, 199}, {200, 10, 255, 11}, {0, 255, 128, 127}, {77, 77, 255, 77}};
    for (const Case& c : cases) EXPECT_EQ(BlendToward(BlendTable(), c.v, c.w, c.a), c.out);
}

// A small frame with padded rows; every byte from a fixed pattern.
struct Planes {
    int width = 5, height = 3, landscapeWidth = 9, offset = 3;
    int labelStride = 16, alphaStride = 8, landscapeStride = 28, outStride = 16;
    std::vector<std::uint8_t> landscape, previous, current, previousAlpha, currentAlpha, out;
    Planes() {
        auto fill = [](std::vector<std::uint8_t>& v, std::size_t n, int seed) {
            v.resize(n);
            for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i * 97 + seed * 31 + i * i * 7) & 0xFF);
        };
        fill(landscape, landscapeStride * height, 1);
        fill(previous, labelStride * height, 2);
        fill(current, labelStride * height, 3);
        fill(previousAlpha, alphaStride * height, 4);
        fill(currentAlpha, alphaStride * height, 5);
        previousAlpha[0] = 255;  // opaque and clear pixels too
        currentAlpha[1] = 0;
        out.assign(outStride * height, 0xEE);
    }
    LabelFrame Frame() {
        LabelFrame f;
        f.width = width;
        f.height = height;
        f.landscape = landscape.data();
        f.landscapeStride = landscapeStride;
        f.offset = offset;
        f.previous = previous.data();
        f.previousAlpha = previousAlpha.data();
        f.current = current.data();
        f.currentAlpha = currentAlpha.data();
        f.labelStride = labelStride;
        f.alphaStride = alphaStride;
        f.out = out.data();
        f.outStride = outStride;
        return f;
    }
};

TEST(ComposeLabelFrame, MatchesTheDirectComputationAtEveryFade) {
    for (int fade : {0, 22, 128, 242, 255}) {
        Planes p;
        ComposeLabelFrame(BlendTable(), p.Frame(), fade);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int l = p.landscape[y * p.landscapeStride + (x + p.offset) * 3 + c];
                    const int pc = p.previous[y * p.labelStride + x * 3 + c], nc = p.current[y * p.labelStride + x * 3 + c];
                    const int a = (pc + Direct(255 - p.previousAlpha[y * p.alphaStride + x], l - pc)) & 0xFF;
                    const int b = (nc + Direct(255 - p.currentAlpha[y * p.alphaStride + x], l - nc)) & 0xFF;
                    ASSERT_EQ(p.out[y * p.outStride + x * 3 + c], (a + Direct(fade, b - a)) & 0xFF)
                        << "fade " << fade << " x " << x << " y " << y << " c " << c;
                }
        EXPECT_EQ(p.out[p.width * 3], 0xEE);  // the row's padding is left alone
    }
}

TEST(BlendOverColour, MatchesTheDirectComputation) {
    Planes p;
    const std::uint8_t face[3] = {200, 208, 212};
    BlendOverColour(BlendTable(), p.width, p.height, p.previous.data(), p.labelStride, p.previousAlpha.data(),
                    p.alphaStride, face, p.out.data(), p.outStride);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int v = p.previous[y * p.labelStride + x * 3 + c], a = p.previousAlpha[y * p.alphaStride + x];
                ASSERT_EQ(p.out[y * p.outStride + x * 3 + c], face[c] + Direct(a, v - face[c]));
            }
}

}  // namespace
}  // namespace corvane
