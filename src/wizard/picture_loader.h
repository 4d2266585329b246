// Pictures kept as JPEG 2000 codestreams in "J2KIMG" resources, turned into device-independent bitmaps.
#pragma once

#include <windows.h>

#include <cstddef>

namespace corvane {

constexpr const char* kPictureType = "J2KIMG";

enum PictureResult {
    kPictureDone = 0,
    kPictureNotFound = 1,
    kPictureNotLocked = 2,
    kPictureNotLoaded = 3,     // or empty
    kPictureNotDecoded = 4,
    kPictureNot8Bit = 5,
    kPictureNoBitmap = 6,
    kPictureNoDescription = 7,
};

// The colour picture as a bottom-up DIB section of 24 bits (blue, green, red) or 8 bits (one channel);
// when `alpha` is given, the component after the colour ones as an 8-bit DIB section (opaque when the
// picture has none). A handle already in *colour or *alpha is deleted when the new one is stored;
// on failure both stay as they were.
int LoadPicture(HINSTANCE instance, HWND window, int resourceId, const char* type, HBITMAP* colour,
                DIBSECTION* colourInfo, HBITMAP* alpha, DIBSECTION* alphaInfo);

// The same from codestream bytes already in memory.
int DecodePicture(const void* data, std::size_t size, HWND window, HBITMAP* colour, DIBSECTION* colourInfo,
                  HBITMAP* alpha, DIBSECTION* alphaInfo);

// The colour picture alone, or nullptr; the about box's loader.
HBITMAP LoadPictureBitmap(HINSTANCE instance, HWND window, int resourceId);

}  // namespace corvane
