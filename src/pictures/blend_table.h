// The blend table and the blends done through it: alpha blending by look-up, with no multiplication per pixel.
#pragma once

#include <cstdint>

namespace corvane {

constexpr int kBlendAlphas = 256;
constexpr int kBlendDifferences = 511;  // d = -255..255 at index d + 255
using BlendRow = std::int16_t[kBlendDifferences];

// Row a holds trunc(d * f_a), where f_0 = 0 and f_(a+1) = f_a + 1/255 added in double precision.
// Built on the first call; the same table for the whole process.
const BlendRow* BlendTable();

// v blended toward w by a: v + the low byte of entry[a][w - v].
inline std::uint8_t BlendToward(const BlendRow* table, int v, int w, int a) {
    return static_cast<std::uint8_t>(v + table[a][w - v + 255]);
}

// One frame of the side picture's label strip. All pixel memory is that of bottom-up DIB sections
// (rows from the bottom, blue-green-red), so row 0 of the landscape is its bottom row.
struct LabelFrame {
    int width = 0, height = 0;                     // the labels' size
    const std::uint8_t* landscape = nullptr;       // 24 bits per pixel
    int landscapeStride = 0;
    int offset = 0;                                // the landscape's column under the label's column 0
    const std::uint8_t* previous = nullptr;        // label p, 24 bits per pixel
    const std::uint8_t* previousAlpha = nullptr;   // its alpha plane, 8 bits per pixel
    const std::uint8_t* current = nullptr;         // label n
    const std::uint8_t* currentAlpha = nullptr;
    int labelStride = 0, alphaStride = 0;
    std::uint8_t* out = nullptr;                   // 24 bits per pixel
    int outStride = 0;
};

// Each label laid over the landscape, then the cross-fade from p's result to n's by `fade` (0-255).
void ComposeLabelFrame(const BlendRow* table, const LabelFrame& frame, int fade);

// A picture with an alpha plane laid over one colour (blue, green, red), into a 24-bit picture.
void BlendOverColour(const BlendRow* table, int width, int height, const std::uint8_t* picture, int pictureStride,
                     const std::uint8_t* alpha, int alphaStride, const std::uint8_t colour[3], std::uint8_t* out,
                     int outStride);

}  // namespace corvane
