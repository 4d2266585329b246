// The blend table and the blends done through it.
#include "pictures/blend_table.h"

#include <cmath>

namespace corvane {
namespace {

struct Table {
    BlendRow rows[kBlendAlphas];
    Table() {
        double f = 0.0;
        for (int a = 0; a < kBlendAlphas; ++a) {
            for (int d = -255; d <= 255; ++d) rows[a][d + 255] = static_cast<std::int16_t>(std::trunc(d * f));
            // Added, not multiplied: the table's values follow this sum's rounding exactly.
            f += 0.00392156862745098;
        }
    }
};

}  // namespace

const BlendRow* BlendTable() {
    static const Table table;
    return table.rows;
}

void ComposeLabelFrame(const BlendRow* table, const LabelFrame& f, int fade) {
    const std::int16_t* cross = table[fade] + 255;
    for (int y = 0; y < f.height; ++y) {
        const std::uint8_t* land = f.landscape + y * f.landscapeStride + f.offset * 3;
        const std::uint8_t* p = f.previous + y * f.labelStride;
        const std::uint8_t* n = f.current + y * f.labelStride;
        const std::uint8_t* ap = f.previousAlpha + y * f.alphaStride;
        const std::uint8_t* an = f.currentAlpha + y * f.alphaStride;
        std::uint8_t* out = f.out + y * f.outStride;
        for (int x = 0; x < f.width; ++x) {
            const std::int16_t* overP = table[255 - ap[x]] + 255;
            const std::int16_t* overN = table[255 - an[x]] + 255;
            for (int c = 0; c < 3; ++c) {
                const int l = land[c], pc = p[c], nc = n[c];
                const int a = static_cast<std::uint8_t>(pc + overP[l - pc]);
                const int b = static_cast<std::uint8_t>(nc + overN[l - nc]);
                out[c] = static_cast<std::uint8_t>(a + cross[b - a]);
            }
            land += 3;
            p += 3;
            n += 3;
            out += 3;
        }
    }
}

void BlendOverColour(const BlendRow* table, int width, int height, const std::uint8_t* picture, int pictureStride,
                     const std::uint8_t* alpha, int alphaStride, const std::uint8_t colour[3], std::uint8_t* out,
                     int outStride) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* pic = picture + y * pictureStride;
        const std::uint8_t* al = alpha + y * alphaStride;
        std::uint8_t* o = out + y * outStride;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) o[x * 3 + c] = BlendToward(table, colour[c], pic[x * 3 + c], al[x]);
    }
}

}  // namespace corvane
