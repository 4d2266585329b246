// Step 1: the welcome picture and the tip of the day with its blinking lamp.
#include <windows.h>

#include <cstdint>

#include "shell/program_values.h"
#include "corvane_ids.h"
#include "pictures/blend_table.h"
#include "wizard/picture_loader.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

const char* const kTips[kTipCount] = {
    "Do you know that you can place the cursor over any window element to get a quick tip for it?",
    "Do you know that you can press the \"Help\" button to see the reference where you can find answers to the most of common questions?",
    "Do you know that even those URL's which point to existing files will be considered broken if those files were not added to the file list at the step 2?",
    "Do you know that the Restavo utility is needed to restore or delete Corvane backup files (if their creation was allowed at the step 6)?",
    "Do you know that you can specify a base URL for searching for broken URL's (step 3)? You also can use that base URL for conversion of all links to absolute? (step 4)",
    "Do you know that you can convert all URL's in your HTML documents to those relative to these documents? (step 4)",
    "Do you know that you can use the \"Link Target Adder\" tool to add or modify link targets automatically? (step 4)",
    "Do you know that URL's queued for deletion are hidden if link deletion is prohibited? (step 6)",
    "Do you know that Corvane is able to restore links between several documents saved with the \"Save as...\" option of Microsoft Internet Explorer?",
    "Do you know that Corvane can be used for ridding of Internet URL's, which is very useful for downloaded web-pages and sites?",
    "Do you know that Corvane is able to add forgotten \"http://\" to WWW addresses, \"ftp://\" to FTP and \"mailto:\" to e-mail addresses?",
    "Do you know that you can correct any changes queued before they are applied? (step 6)",
    "Do you know that step 7 is available only if link deletion was allowed? (step 6)",
    "Do you know that the effect of the \"Make relative / Use base URL\" checkbox depends on the \"Use the base URL from the step 3\" checkbox at the step 4? (steps 6, 7)",
    "Do you know that pushing the \"Delete\" button at the step 6 does not give immediate deletion of the chosen URL?",
    "Do you know that the \"file:///\" prefix added to a URL's doesn't obviously mean that it will be absolute? It depends on the \"Make relative / Use base URL\" checkbox. (steps 6, 7)",
    "Do you know that you do not know that you do not know?",
};

constexpr UINT_PTR kBlinkTimer = 2;

struct WelcomeState {
    HBRUSH white = nullptr;
    HBRUSH paleYellow = nullptr;
    HBITMAP lampOn = nullptr;   // 178, the lamp at rest
    HBITMAP lampOff = nullptr;  // 183
    HBITMAP picture = nullptr;  // the welcome picture laid over the button face, made once
    int blink = 0;
    int tip = 0;
};
WelcomeState g_welcome;

// Picture 244 over COLOR_BTNFACE as it is now; later changes of the system colours are not followed.
HBITMAP MakeWelcomePicture(HINSTANCE instance, HWND page) {
    HBITMAP picture = nullptr, alpha = nullptr;
    DIBSECTION pictureInfo, alphaInfo;
    HBITMAP blended = nullptr;
    if (LoadPicture(instance, page, IDP_WELCOME, kPictureType, &picture, &pictureInfo, &alpha, &alphaInfo) == kPictureDone &&
        pictureInfo.dsBm.bmBitsPixel == 24) {
        const int width = pictureInfo.dsBm.bmWidth, height = pictureInfo.dsBm.bmHeight;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        blended = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (blended != nullptr) {
            const COLORREF face = GetSysColor(COLOR_BTNFACE);
            const std::uint8_t faceBgr[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
            BlendOverColour(BlendTable(), width, height, static_cast<const std::uint8_t*>(pictureInfo.dsBm.bmBits),
                            pictureInfo.dsBm.bmWidthBytes, static_cast<const std::uint8_t*>(alphaInfo.dsBm.bmBits),
                            alphaInfo.dsBm.bmWidthBytes, faceBgr, static_cast<std::uint8_t*>(bits), ((width * 24 + 31) / 32) * 4);
            GdiFlush();
        }
    }
    if (picture != nullptr) DeleteObject(picture);
    if (alpha != nullptr) DeleteObject(alpha);
    return blended;
}

void OnInit(HWND page) {
    HINSTANCE instance = Program().instance;
    g_welcome.white = CreateSolidBrush(RGB(255, 255, 255));
    g_welcome.paleYellow = CreateSolidBrush(RGB(255, 255, 204));
    g_welcome.lampOn = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LAMP_ON));
    g_welcome.lampOff = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LAMP_OFF));
    g_welcome.picture = MakeWelcomePicture(instance, page);
    if (g_welcome.picture != nullptr)
        SendDlgItemMessageA(page, IDC_WELCOME_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(g_welcome.picture));
}

// The page lives as long as the frame; a frame made again (as the tests do) makes them again.
void OnDestroy(HWND page) {
    SendDlgItemMessageA(page, IDC_WELCOME_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(g_welcome.picture), static_cast<HGDIOBJ>(g_welcome.lampOn),
                           static_cast<HGDIOBJ>(g_welcome.lampOff), static_cast<HGDIOBJ>(g_welcome.white),
                           static_cast<HGDIOBJ>(g_welcome.paleYellow)})
        if (object != nullptr) DeleteObject(object);
    g_welcome = WelcomeState{};
}

void OnShown(HWND page) {
    int result = AdvanceTipOfTheDay(*Wizard().store, &g_welcome.tip);
    if (result != kSettingsDone) EmergencyQuit(SettingsFailureText(result));
    g_welcome.blink = 0;
    SetTimer(page, kBlinkTimer, 50, nullptr);
    EnableFrameButton(IDC_FRAME_NEXT, true);
    EnableFrameButton(IDC_FRAME_PREVIOUS, false);
    WidenFileList("");
    InvalidateRect(GetDlgItem(page, IDC_WELCOME_TIP), nullptr, FALSE);
}

void OnBlink(HWND page) {
    RECT lamp = {8, 4, 29, 39};
    InvalidateRect(GetDlgItem(page, IDC_WELCOME_TIP), &lamp, FALSE);
    if (++g_welcome.blink >= 11) KillTimer(page, kBlinkTimer);
}

void DrawTip(const DRAWITEMSTRUCT& item) {
    if (g_welcome.lampOn == nullptr) return;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    RECT lampSide = {0, 0, 37, r.bottom};
    RECT textSide = {37, 0, r.right, r.bottom};
    FillRect(dc, &lampSide, g_welcome.white);
    FillRect(dc, &textSide, g_welcome.paleYellow);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 204));
    HGDIOBJ oldFont = SelectObject(dc, Program().uiFont != nullptr ? Program().uiFont : GetStockObject(DEFAULT_GUI_FONT));
    RECT text = {45, 4, r.right - 8, r.bottom};
    DrawTextA(dc, kTips[g_welcome.tip], -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP lamp = g_welcome.blink % 2 == 0 && g_welcome.lampOff != nullptr ? g_welcome.lampOff : g_welcome.lampOn;
    HGDIOBJ oldBitmap = SelectObject(memory, lamp);
    BitBlt(dc, 8, 4, 21, 35, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(page);
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam)
                OnShown(page);
            else
                KillTimer(page, kBlinkTimer);
            return TRUE;
        case WM_TIMER:
            if (wParam != kBlinkTimer) return FALSE;
            OnBlink(page);
            return TRUE;
        case WM_DESTROY:
            OnDestroy(page);
            return FALSE;
        case WM_DRAWITEM:
            if (wParam != IDC_WELCOME_TIP) return FALSE;
            DrawTip(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace corvane
