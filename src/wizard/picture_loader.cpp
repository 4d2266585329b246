// Decodes "J2KIMG" codestreams with OpenJPEG, straight from the resource's bytes, into DIB sections.
#include "wizard/picture_loader.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>

#include "wizard/gdi_object.h"

namespace corvane {
namespace {

struct MemorySource {
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
};

OPJ_SIZE_T ReadBytes(void* buffer, OPJ_SIZE_T wanted, void* user) {
    auto* s = static_cast<MemorySource*>(user);
    if (s->position >= s->size) return static_cast<OPJ_SIZE_T>(-1);
    OPJ_SIZE_T n = std::min<OPJ_SIZE_T>(wanted, s->size - s->position);
    std::memcpy(buffer, s->data + s->position, n);
    s->position += n;
    return n;
}
OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* user) {
    auto* s = static_cast<MemorySource*>(user);
    if (count < 0) count = -static_cast<OPJ_OFF_T>(std::min<std::size_t>(static_cast<std::size_t>(-count), s->position));
    else count = static_cast<OPJ_OFF_T>(std::min<std::size_t>(static_cast<std::size_t>(count), s->size - s->position));
    s->position += count;
    return count;
}
OPJ_BOOL SeekTo(OPJ_OFF_T position, void* user) {
    auto* s = static_cast<MemorySource*>(user);
    if (position < 0 || static_cast<std::size_t>(position) > s->size) return OPJ_FALSE;
    s->position = static_cast<std::size_t>(position);
    return OPJ_TRUE;
}
void Quiet(const char*, void*) {}

struct Decoded {
    opj_image_t* image = nullptr;
    ~Decoded() {
        if (image != nullptr) opj_image_destroy(image);
    }
};

bool Decode(const void* data, std::size_t size, Decoded* out) {
    MemorySource source{static_cast<const unsigned char*>(data), size, 0};
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_J2K);
    bool ok = stream != nullptr && codec != nullptr;
    if (ok) {
        opj_stream_set_user_data(stream, &source, nullptr);
        opj_stream_set_user_data_length(stream, size);
        opj_stream_set_read_function(stream, ReadBytes);
        opj_stream_set_skip_function(stream, SkipBytes);
        opj_stream_set_seek_function(stream, SeekTo);
        opj_set_info_handler(codec, Quiet, nullptr);
        opj_set_warning_handler(codec, Quiet, nullptr);
        opj_set_error_handler(codec, Quiet, nullptr);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        ok = opj_setup_decoder(codec, &parameters) && opj_read_header(stream, codec, &out->image) &&
             opj_decode(codec, stream, out->image) && opj_end_decompress(codec, stream);
    }
    if (codec != nullptr) opj_destroy_codec(codec);
    if (stream != nullptr) opj_stream_destroy(stream);
    return ok && out->image != nullptr && out->image->numcomps > 0;
}

// A component can be copied when it covers the picture sample for sample.
bool Whole(const opj_image_comp_t& c, OPJ_UINT32 width, OPJ_UINT32 height) {
    return c.data != nullptr && c.dx == 1 && c.dy == 1 && c.w == width && c.h == height;
}

struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];  // a grey ramp for the 8-bit pictures
};

HBITMAP MakeDib(HDC dc, int width, int height, int bits, void** pixels) {
    DibInfo info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;  // positive: bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = BI_RGB;
    for (int i = 0; i < 256; ++i) info.colours[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    return CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, pixels, nullptr, 0);
}

int RowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// Image row y goes to bitmap row height - 1 - y; each sample keeps its low 8 bits.
void CopyPlanes(const opj_image_t& image, const int* components, int count, unsigned char* pixels, int width,
                int height) {
    const int stride = RowBytes(width, count * 8);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = pixels + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int k = 0; k < count; ++k) {
            const OPJ_INT32* samples = image.comps[components[k]].data + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x) row[x * count + k] = static_cast<unsigned char>(samples[x] & 0xFF);
        }
    }
}

}  // namespace

int DecodePicture(const void* data, std::size_t size, HWND window, HBITMAP* colour, DIBSECTION* colourInfo,
                  HBITMAP* alpha, DIBSECTION* alphaInfo) {
    Decoded decoded;
    if (!Decode(data, size, &decoded)) return kPictureNotDecoded;
    const opj_image_t& image = *decoded.image;
    const int channels = image.numcomps >= 3 ? 3 : 1;
    const OPJ_UINT32 width = image.comps[0].w, height = image.comps[0].h;
    for (int c = 0; c < channels; ++c)
        if (image.comps[c].prec != 8) return kPictureNot8Bit;
    for (int c = 0; c < channels; ++c)
        if (!Whole(image.comps[c], width, height)) return kPictureNotDecoded;
    const bool hasAlpha = image.numcomps > static_cast<OPJ_UINT32>(channels);
    if (alpha != nullptr && hasAlpha && !Whole(image.comps[channels], width, height)) return kPictureNotDecoded;
    if (width == 0 || height == 0 || width > 0x7FFF || height > 0x7FFF) return kPictureNotDecoded;
    const int w = static_cast<int>(width), h = static_cast<int>(height);

    HDC dc = GetDC(window);
    void* colourBits = nullptr;
    void* alphaBits = nullptr;
    GdiObject<HBITMAP> newColour(MakeDib(dc, w, h, channels * 8, &colourBits));
    GdiObject<HBITMAP> newAlpha;
    int result = kPictureDone;
    DIBSECTION info;
    if (newColour.get() == nullptr) result = kPictureNoBitmap;
    else if (colourInfo != nullptr && GetObjectA(newColour.get(), sizeof info, &info) != sizeof info) result = kPictureNoDescription;
    else if (colourInfo != nullptr) *colourInfo = info;
    if (result == kPictureDone && alpha != nullptr) {
        newAlpha = GdiObject<HBITMAP>(MakeDib(dc, w, h, 8, &alphaBits));
        if (newAlpha.get() == nullptr) result = kPictureNoBitmap;
        else if (alphaInfo != nullptr && GetObjectA(newAlpha.get(), sizeof info, &info) != sizeof info) result = kPictureNoDescription;
        else if (alphaInfo != nullptr) *alphaInfo = info;
    }
    ReleaseDC(window, dc);
    if (result != kPictureDone) return result;

    auto* pixels = static_cast<unsigned char*>(colourBits);
    std::memset(pixels, 0, static_cast<std::size_t>(RowBytes(w, channels * 8)) * h);
    const int rgb[3] = {2, 1, 0};  // blue, green, red from red, green, blue
    const int grey[1] = {0};
    CopyPlanes(image, channels == 3 ? rgb : grey, channels, pixels, w, h);
    if (newAlpha.get() != nullptr) {
        auto* plane = static_cast<unsigned char*>(alphaBits);
        // Without a component to read, the alpha plane is opaque rather than made up.
        std::memset(plane, hasAlpha ? 0 : 0xFF, static_cast<std::size_t>(RowBytes(w, 8)) * h);
        const int component[1] = {channels};
        if (hasAlpha) CopyPlanes(image, component, 1, plane, w, h);
    }
    GdiFlush();

    if (*colour != nullptr) DeleteObject(*colour);
    *colour = newColour.release();
    if (alpha != nullptr) {
        if (*alpha != nullptr) DeleteObject(*alpha);
        *alpha = newAlpha.release();
    }
    return kPictureDone;
}

int LoadPicture(HINSTANCE instance, HWND window, int resourceId, const char* type, HBITMAP* colour,
                DIBSECTION* colourInfo, HBITMAP* alpha, DIBSECTION* alphaInfo) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(resourceId), type);
    if (found == nullptr) return kPictureNotFound;
    HGLOBAL loaded = LoadResource(instance, found);
    if (loaded == nullptr) return kPictureNotLoaded;
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) return kPictureNotLocked;
    const DWORD size = SizeofResource(instance, found);
    if (size == 0) return kPictureNotLoaded;
    return DecodePicture(bytes, size, window, colour, colourInfo, alpha, alphaInfo);
}

HBITMAP LoadPictureBitmap(HINSTANCE instance, HWND window, int resourceId) {
    HBITMAP bitmap = nullptr;
    LoadPicture(instance, window, resourceId, kPictureType, &bitmap, nullptr, nullptr, nullptr);
    return bitmap;
}

}  // namespace corvane
