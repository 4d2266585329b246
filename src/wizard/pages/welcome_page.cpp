// Step 1: the welcome picture and the tip of the day with its blinking lamp.
#include <windows.h>

#include <cstdint>

#include "shell/program_values.h"
#include "corvane_ids.h"
#include "pictures/blend_table.h"
#include "wizard/gdi_object.h"
#include "wizard/pages/page.h"
#include "wizard/picture_loader.h"

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
constexpr int kBlinks = 11;

const TooltipTool kTools[] = {{IDC_WELCOME_TIP, 100, "Tip of the day"}};

// Picture 244 over COLOR_BTNFACE as it is now; later changes of the system colours are not followed.
HBITMAP MakeWelcomePicture(HINSTANCE instance, HWND page) {
    GdiObject<HBITMAP> picture, alpha;
    DIBSECTION pictureInfo, alphaInfo;
    HBITMAP blended = nullptr;
    if (LoadPicture(instance, page, IDP_WELCOME, kPictureType, picture.receive(), &pictureInfo, alpha.receive(),
                    &alphaInfo) == kPictureDone &&
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
    return blended;
}

class WelcomePage : public WizardPage {
protected:
    void OnInit() override;
    void AddTools() override { WizardPage::AddTools(kTools); }
    void OnShown() override;
    void OnHidden() override { KillTimer(window(), kBlinkTimer); }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Blink();
    void DrawTip(const DRAWITEMSTRUCT& item);

    GdiObject<HBRUSH> white_;
    GdiObject<HBRUSH> paleYellow_;
    GdiObject<HBITMAP> lampOn_;   // 178, the lamp at rest
    GdiObject<HBITMAP> lampOff_;  // 183
    GdiObject<HBITMAP> picture_;  // the welcome picture laid over the button face, made once
    int blink_ = 0;
    int tip_ = 0;
};

// The objects live as long as the page; a frame made again (as the tests do) makes them again.
void WelcomePage::OnInit() {
    HINSTANCE instance = Program().instance;
    white_ = GdiObject<HBRUSH>(CreateSolidBrush(RGB(255, 255, 255)));
    paleYellow_ = GdiObject<HBRUSH>(CreateSolidBrush(RGB(255, 255, 204)));
    lampOn_ = GdiObject<HBITMAP>(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LAMP_ON)));
    lampOff_ = GdiObject<HBITMAP>(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LAMP_OFF)));
    picture_ = GdiObject<HBITMAP>(MakeWelcomePicture(instance, window()));
    if (picture_.get() != nullptr)
        SendDlgItemMessageA(window(), IDC_WELCOME_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

void WelcomePage::OnShown() {
    int result = AdvanceTipOfTheDay(*Wizard().store, &tip_);
    if (result != kSettingsDone) EmergencyQuit(SettingsFailureText(result));
    blink_ = 0;
    SetTimer(window(), kBlinkTimer, 50, nullptr);
    EnableFrameButton(IDC_FRAME_NEXT, true);
    EnableFrameButton(IDC_FRAME_PREVIOUS, false);
    WidenFileList("");
    InvalidateRect(Item(IDC_WELCOME_TIP), nullptr, FALSE);
}

void WelcomePage::Blink() {
    RECT lamp = {8, 4, 29, 39};
    InvalidateRect(Item(IDC_WELCOME_TIP), &lamp, FALSE);
    if (++blink_ >= kBlinks) KillTimer(window(), kBlinkTimer);
}

void WelcomePage::DrawTip(const DRAWITEMSTRUCT& item) {
    if (lampOn_.get() == nullptr) return;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    RECT lampSide = {0, 0, 37, r.bottom};
    RECT textSide = {37, 0, r.right, r.bottom};
    FillRect(dc, &lampSide, white_.get());
    FillRect(dc, &textSide, paleYellow_.get());
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 204));
    HGDIOBJ oldFont = SelectObject(dc, Program().uiFont != nullptr ? Program().uiFont : GetStockObject(DEFAULT_GUI_FONT));
    RECT text = {45, 4, r.right - 8, r.bottom};
    DrawTextA(dc, kTips[tip_], -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    GdiObject<HDC> memory(CreateCompatibleDC(dc));
    HBITMAP lamp = blink_ % 2 == 0 && lampOff_.get() != nullptr ? lampOff_.get() : lampOn_.get();
    HGDIOBJ oldBitmap = SelectObject(memory.get(), lamp);
    BitBlt(dc, 8, 4, 21, 35, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), oldBitmap);
}

INT_PTR WelcomePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam != kBlinkTimer) return FALSE;
            Blink();
            return TRUE;
        case WM_DESTROY:
            // The static lets the picture go before the page deletes it.
            SendDlgItemMessageA(window(), IDC_WELCOME_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0);
            return FALSE;
        case WM_DRAWITEM:
            if (wParam != IDC_WELCOME_TIP) return FALSE;
            DrawTip(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace

std::unique_ptr<WizardPage> MakeWelcomePage() { return std::make_unique<WelcomePage>(); }

}  // namespace corvane
