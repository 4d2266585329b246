// The frame's side picture: a landscape that slides sideways as the wizard advances, with the step's
// label at its foot cross-fading into the next one's.
#include "wizard/side_picture.h"

#include <ddraw.h>

#include <algorithm>

#include "corvane_ids.h"
#include "pictures/blend_table.h"
#include "wizard/gdi_object.h"
#include "wizard/picture_loader.h"

namespace corvane {
namespace {

constexpr UINT_PTR kAnimationTimer = 222;
constexpr UINT kAnimationPeriodMs = 10;
constexpr int kLabelCount = 8;

// IID_IDirectDraw4, spelled out so that no DirectX import library is needed.
const GUID kIidDirectDraw4 = {0x9c59509a, 0x39bd, 0x11d1, {0x8c, 0x4a, 0x00, 0xc0, 0x4f, 0xd9, 0x30, 0xc5}};
using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);

struct Picture {
    HBITMAP bitmap = nullptr;
    DIBSECTION info = {};
    HBITMAP alpha = nullptr;
    DIBSECTION alphaInfo = {};
};

// Everything lives until the process ends.
struct SidePicture {
    HINSTANCE instance = nullptr;
    HWND control = nullptr;
    RECT client = {};
    Picture labels[kLabelCount];
    Picture landscape;
    HBITMAP composed = nullptr;
    unsigned char* composedBits = nullptr;
    int composedStride = 0;
    const BlendRow* table = nullptr;
    int offset = 0;
    double position = 0;
    int target = 0;
    int previous = 0, current = 0;
    int fade = 255;
    int placeX = 0, placeY = 0;
    IDirectDraw4* directDraw = nullptr;
};
SidePicture g_side;

int LabelWidth() { return g_side.labels[0].bitmap != nullptr ? g_side.labels[0].info.dsBm.bmWidth : 0; }
int LabelHeight() { return g_side.labels[0].bitmap != nullptr ? g_side.labels[0].info.dsBm.bmHeight : 0; }
int LandscapeWidth() { return g_side.landscape.bitmap != nullptr ? g_side.landscape.info.dsBm.bmWidth : 0; }
int LandscapeHeight() { return g_side.landscape.bitmap != nullptr ? g_side.landscape.info.dsBm.bmHeight : 0; }
int ClientWidth() { return g_side.client.right - g_side.client.left; }
int ClientHeight() { return g_side.client.bottom - g_side.client.top; }

void OpenDirectDraw() {
    HMODULE library = LoadLibraryA("ddraw.dll");
    if (library == nullptr) return;
    auto create = reinterpret_cast<DirectDrawCreateFn>(reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawCreate")));
    IDirectDraw* directDraw = nullptr;
    if (create == nullptr || FAILED(create(nullptr, &directDraw, nullptr)) || directDraw == nullptr) {
        FreeLibrary(library);
        return;
    }
    void* four = nullptr;
    if (SUCCEEDED(directDraw->QueryInterface(kIidDirectDraw4, &four))) g_side.directDraw = static_cast<IDirectDraw4*>(four);
    directDraw->Release();
    // The library stays loaded for as long as the interface is held, which is the whole run.
    if (g_side.directDraw == nullptr) FreeLibrary(library);
}

bool Composable(const Picture& label) {
    return label.bitmap != nullptr && label.alpha != nullptr && label.info.dsBm.bmBitsPixel == 24 &&
           label.info.dsBm.bmWidth == LabelWidth() && label.info.dsBm.bmHeight == LabelHeight();
}

// One frame of the label strip; skipped when a picture it needs is missing or does not fit.
void Compose(int previous, int current, int fade) {
    const Picture& p = g_side.labels[previous];
    const Picture& n = g_side.labels[current];
    const Picture& land = g_side.landscape;
    if (g_side.composedBits == nullptr || land.bitmap == nullptr || land.info.dsBm.bmBitsPixel != 24 ||
        !Composable(p) || !Composable(n) || LabelWidth() > LandscapeWidth() || LabelHeight() > LandscapeHeight())
        return;
    LabelFrame frame;
    frame.width = LabelWidth();
    frame.height = LabelHeight();
    frame.landscape = static_cast<const std::uint8_t*>(land.info.dsBm.bmBits);
    frame.landscapeStride = land.info.dsBm.bmWidthBytes;
    // A control wider than the landscape would put the offset outside it; the read stays inside.
    frame.offset = std::clamp(g_side.offset, 0, LandscapeWidth() - LabelWidth());
    frame.previous = static_cast<const std::uint8_t*>(p.info.dsBm.bmBits);
    frame.previousAlpha = static_cast<const std::uint8_t*>(p.alphaInfo.dsBm.bmBits);
    frame.current = static_cast<const std::uint8_t*>(n.info.dsBm.bmBits);
    frame.currentAlpha = static_cast<const std::uint8_t*>(n.alphaInfo.dsBm.bmBits);
    frame.labelStride = p.info.dsBm.bmWidthBytes;
    frame.alphaStride = p.alphaInfo.dsBm.bmWidthBytes;
    frame.out = g_side.composedBits;
    frame.outStride = g_side.composedStride;
    GdiFlush();
    ComposeLabelFrame(g_side.table, frame, fade);
}

int TargetOffset(int step) { return (LandscapeWidth() - ClientWidth()) * step / 8; }

void Invalidate() {
    if (g_side.control != nullptr) InvalidateRect(g_side.control, nullptr, FALSE);
}

void CALLBACK OnAnimationTick(HWND control, UINT, UINT_PTR, DWORD) {
    SidePicture& s = g_side;
    if (s.previous < s.current) {
        if (s.offset >= s.target - 1 && s.fade == 255) {
            KillTimer(control, kAnimationTimer);
            return;
        }
        s.position += (s.target - s.position) * 0.25;
        s.offset = static_cast<int>(s.position + 0.5);
    } else {
        if (s.offset <= s.target + 1 && s.fade == 255) {
            KillTimer(control, kAnimationTimer);
            return;
        }
        s.position += (s.target - s.position) * 0.25;
        s.offset = static_cast<int>(s.position - 0.5);
    }
    Compose(s.previous, s.current, s.fade);
    s.fade = std::min(s.fade + 22, 255);
    Invalidate();
}

void MakeComposedBitmap() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = LabelWidth();
    info.bmiHeader.biHeight = LabelHeight();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    g_side.composed = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (g_side.composed == nullptr) return;
    g_side.composedBits = static_cast<unsigned char*>(bits);
    g_side.composedStride = ((LabelWidth() * 24 + 31) / 32) * 4;
}

}  // namespace

void SetUpStepPicture(HINSTANCE instance, HWND frame, int controlId) {
    SidePicture& s = g_side;
    s.instance = instance;
    if (s.table == nullptr) s.table = BlendTable();
    if (s.directDraw == nullptr) OpenDirectDraw();
    if (s.composed == nullptr) {
        for (int i = 0; i < kLabelCount; ++i)
            LoadPicture(instance, frame, IDP_FIRST_STEP_LABEL + i, kPictureType, &s.labels[i].bitmap, &s.labels[i].info,
                        &s.labels[i].alpha, &s.labels[i].alphaInfo);
        if (LabelWidth() > 0 && LabelHeight() > 0) MakeComposedBitmap();
    }
    if (s.landscape.bitmap == nullptr)
        LoadPicture(instance, frame, IDP_LANDSCAPE, kPictureType, &s.landscape.bitmap, &s.landscape.info, nullptr, nullptr);
    s.control = GetDlgItem(frame, controlId);
    GetClientRect(s.control, &s.client);
    s.placeX = (ClientWidth() - LabelWidth()) / 2;
    s.placeY = (ClientHeight() - LandscapeHeight()) / 2;
}

void ShowStepPicture(Step shown, bool animated) {
    const int step = StepIndex(shown);
    SidePicture& s = g_side;
    if (step < 0 || step >= kLabelCount) return;
    if (animated) {
        s.previous = s.current;
        s.current = step;
        s.fade = 0;
        s.target = TargetOffset(step);
        if (s.control != nullptr) {
            KillTimer(s.control, kAnimationTimer);
            SetTimer(s.control, kAnimationTimer, kAnimationPeriodMs, OnAnimationTick);
        }
        return;
    }
    s.previous = s.current = step;
    s.target = s.offset = TargetOffset(step);
    s.position = s.offset;
    s.fade = 255;
    Compose(step, step, 255);
    Invalidate();
}

void PaintStepPicture(HDC dc) {
    SidePicture& s = g_side;
    GdiObject<HDC> holder(CreateCompatibleDC(dc));
    HDC memory = holder.get();
    if (memory == nullptr) return;
    if (s.directDraw != nullptr) s.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    HGDIOBJ old = nullptr;
    const int landscapeRows = LandscapeHeight() - LabelHeight();
    if (s.landscape.bitmap != nullptr) {
        old = SelectObject(memory, s.landscape.bitmap);
        BitBlt(dc, s.placeX, s.placeY, LabelWidth(), landscapeRows, memory, s.offset, 0, SRCCOPY);
    }
    if (s.composed != nullptr) {
        HGDIOBJ previous = SelectObject(memory, s.composed);
        if (old == nullptr) old = previous;
        BitBlt(dc, s.placeX, s.placeY + landscapeRows, LabelWidth(), LabelHeight(), memory, 0, 0, SRCCOPY);
    }
    if (old != nullptr) SelectObject(memory, old);
}

// For the tests: where the animation stands.
StepPictureState CurrentStepPictureState() {
    const SidePicture& s = g_side;
    StepPictureState state;
    state.offset = s.offset;
    state.target = s.target;
    state.previous = s.previous;
    state.current = s.current;
    state.fade = s.fade;
    state.composed = s.composed;
    state.landscape = s.landscape.bitmap;
    return state;
}

}  // namespace corvane
