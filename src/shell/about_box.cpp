// The about box shared by both programs: hover links, dragging, and the about text kept scrambled.
#include "shell/about_box.h"

#include <richedit.h>

#include <array>
#include <cstring>
#include <vector>

#include "about_ids.h"

namespace corvane {

const char* const kMakerWebAddress = "http://www.meridel.example/";
const char* const kSupportMailto = "mailto:help@meridel.example";

namespace {

// The about text is scrambled at compile time, so the program file holds no readable copy of it:
// each byte is XORed with a key that rolls on after every byte.
constexpr unsigned char kFirstKey = 0xA7;
constexpr unsigned char NextKey(unsigned char key) { return static_cast<unsigned char>(key * 13 + 0x35); }

template <std::size_t N>
constexpr std::array<unsigned char, N> Scramble(const char (&text)[N]) {
    std::array<unsigned char, N> out{};
    unsigned char key = kFirstKey;
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = static_cast<unsigned char>(static_cast<unsigned char>(text[i]) ^ key);
        key = NextKey(key);
    }
    return out;
}

// Rich text; its terminating NUL is scrambled with it and streamed in as well.
constexpr auto kScrambledAboutText = Scramble(
    R"rtf({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss MS Sans Serif;}})rtf"
    R"rtf({\colortbl;\red0\green15\blue127;\red127\green31\blue0;})rtf"
    R"rtf(\f0\fs16\pard\qc{\b\cf1 Corvane and Restavo}\par\pard\par)rtf"
    R"rtf({\b Corvane} repairs the links of a web site kept as files on a local disk. It finds every URL in )rtf"
    R"rtf(the pages, style sheets and scripts, proposes a replacement or a deletion for each broken one, lets )rtf"
    R"rtf(you review every change and rewrites the files in their own encoding.\par\par)rtf"
    R"rtf({\b Restavo} puts the backups that Corvane keeps back in place of the files they were made from, )rtf"
    R"rtf(or deletes them once you are content with the result.\par\par)rtf"
    R"rtf({\cf2 Always keep a copy of your site before changing it.}\par\par)rtf"
    R"rtf(Comments, questions and reports of broken links that were not found are welcome at the support )rtf"
    R"rtf(address above.\par\par\pard\qc Copyright \'a9 Meridel Software. All rights reserved.\par})rtf");

std::vector<char> UnscrambledAboutText() {
    std::vector<char> text(kScrambledAboutText.size());
    unsigned char key = kFirstKey;
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>(kScrambledAboutText[i] ^ key);
        key = NextKey(key);
    }
    return text;
}

// Hands the text to the control in pieces of at most the size it asks for.
struct StreamSource {
    const char* data;
    std::size_t size;
    std::size_t position;
};

DWORD CALLBACK StreamPiece(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    std::size_t n = source->size - source->position;
    if (wanted < 0) wanted = 0;
    if (n > static_cast<std::size_t>(wanted)) n = static_cast<std::size_t>(wanted);
    std::memcpy(buffer, source->data + source->position, n);
    source->position += n;
    *given = static_cast<LONG>(n);
    return 0;
}

constexpr COLORREF kNameColour = RGB(31, 127, 0);
constexpr COLORREF kLinkColour = RGB(0, 15, 127);
constexpr COLORREF kHoveredLinkColour = RGB(0, 63, 255);
constexpr COLORREF kTextBackground = RGB(255, 255, 191);
constexpr UINT kHoverPeriodMs = 500;

// The state of the one open about box.
struct AboutState {
    const AboutBoxRequest* request = nullptr;
    bool hovered[2] = {false, false};
    bool dragging = false;
    POINT last = {0, 0};
    ULONG_PTR classCursor = 0;
    HBITMAP picture = nullptr;
};
AboutState g_about;

const int kLinkIds[2] = {IDC_ABOUT_LINK1, IDC_ABOUT_LINK2};

bool CursorOver(HWND dialog, int id, POINT cursor) {
    RECT r;
    return GetWindowRect(GetDlgItem(dialog, id), &r) && PtInRect(&r, cursor);
}

void UpdateHover(HWND dialog) {
    POINT cursor;
    GetCursorPos(&cursor);
    const bool before = g_about.hovered[0] || g_about.hovered[1];
    for (int i = 0; i < 2; ++i) {
        const bool now = CursorOver(dialog, kLinkIds[i], cursor);
        if (now == g_about.hovered[i]) continue;
        g_about.hovered[i] = now;
        HWND link = GetDlgItem(dialog, kLinkIds[i]);
        HFONT font = now ? g_about.request->underlined : g_about.request->font;
        SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        InvalidateRect(link, nullptr, FALSE);
    }
    if (g_about.hovered[0] || g_about.hovered[1])
        SetCursor(LoadCursorA(g_about.request->instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR)));
    else if (before)
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void OnInit(HWND dialog, const AboutBoxRequest* request) {
    g_about = AboutState{};
    g_about.request = request;
    // The box sets the cursor itself; a class cursor would put the arrow back on every move.
    g_about.classCursor = SetClassLongPtrA(dialog, GCLP_HCURSOR, 0);
    SetDlgItemTextA(dialog, IDC_ABOUT_LINK1, request->link1.c_str());
    const std::string mailto = "mailto:";
    const std::string& target2 = request->link2;
    SetDlgItemTextA(dialog, IDC_ABOUT_LINK2,
                    target2.compare(0, mailto.size(), mailto) == 0 ? target2.substr(mailto.size()).c_str()
                                                                    : target2.c_str());
    SendDlgItemMessageA(dialog, IDC_ABOUT_NAME, WM_SETFONT, reinterpret_cast<WPARAM>(request->bold), FALSE);
    for (int id : kLinkIds)
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(request->font), FALSE);
    if (request->loadPicture != nullptr && request->pictureResource != 0) {
        g_about.picture = request->loadPicture(request->instance, dialog, request->pictureResource);
        if (g_about.picture != nullptr)
            SendDlgItemMessageA(dialog, IDC_ABOUT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(g_about.picture));
    }
    SetTimer(dialog, request->timerId, kHoverPeriodMs, nullptr);
    UpdateHover(dialog);
}

void StreamAboutText(HWND dialog) {
    std::vector<char> text = UnscrambledAboutText();
    StreamSource source{text.data(), text.size(), 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = StreamPiece;
    SendDlgItemMessageA(dialog, IDC_ABOUT_TEXT, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    SecureZeroMemory(text.data(), text.size());
    SendDlgItemMessageA(dialog, IDC_ABOUT_TEXT, EM_SETBKGNDCOLOR, 0, kTextBackground);
}

INT_PTR ColourStatic(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == IDC_ABOUT_NAME || id == IDC_ABOUT_MAKER) SetTextColor(dc, kNameColour);
    if (id == IDC_ABOUT_LINK1) SetTextColor(dc, g_about.hovered[0] ? kHoveredLinkColour : kLinkColour);
    if (id == IDC_ABOUT_LINK2) SetTextColor(dc, g_about.hovered[1] ? kHoveredLinkColour : kLinkColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

void StartDrag(HWND dialog) {
    SetCapture(dialog);
    g_about.dragging = true;
    GetCursorPos(&g_about.last);
}

void Drag(HWND dialog) {
    POINT cursor;
    GetCursorPos(&cursor);
    RECT r;
    GetWindowRect(dialog, &r);
    SetWindowPos(dialog, nullptr, r.left + cursor.x - g_about.last.x, r.top + cursor.y - g_about.last.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    g_about.last = cursor;
}

void EndDrag(HWND dialog) {
    g_about.dragging = false;
    ReleaseCapture();
    POINT cursor;
    GetCursorPos(&cursor);
    if (CursorOver(dialog, IDC_ABOUT_LINK1, cursor))
        Dialogs().ShellOpen(dialog, g_about.request->link1, "");
    else if (CursorOver(dialog, IDC_ABOUT_LINK2, cursor))
        Dialogs().ShellOpen(dialog, g_about.request->link2, "");
}

void Close(HWND dialog) {
    KillTimer(dialog, g_about.request->timerId);
    if (g_about.picture != nullptr) {
        // Taken out of the control first, so that it never paints a deleted bitmap.
        SendDlgItemMessageA(dialog, IDC_ABOUT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0);
        DeleteObject(g_about.picture);
        g_about.picture = nullptr;
    }
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog, reinterpret_cast<const AboutBoxRequest*>(lParam));
        return TRUE;
    case WM_SHOWWINDOW:
        if (wParam) StreamAboutText(dialog);
        return FALSE;
    case WM_CTLCOLORSTATIC:
        return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER:
        UpdateHover(dialog);
        return TRUE;
    case WM_MOUSEMOVE:
        if (g_about.dragging) Drag(dialog);
        UpdateHover(dialog);
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        StartDrag(dialog);
        return TRUE;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (g_about.dragging) EndDrag(dialog);
        return TRUE;
    case WM_CAPTURECHANGED:
        g_about.dragging = false;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) Close(dialog);
        return TRUE;
    case WM_CLOSE:
        Close(dialog);
        return TRUE;
    case WM_DESTROY:
        // The class is every dialog's: give the other dialogs of the program their arrow back.
        SetClassLongPtrA(dialog, GCLP_HCURSOR, static_cast<LONG_PTR>(g_about.classCursor));
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void ShowAboutBox(const AboutBoxRequest& request) {
    HMODULE richEdit = LoadLibraryA("Riched32.dll");
    if (richEdit == nullptr) return;
    DialogBoxParamA(request.instance, MAKEINTRESOURCEA(IDD_ABOUT), request.owner, AboutProc,
                    reinterpret_cast<LPARAM>(&request));
    g_about = AboutState{};
    FreeLibrary(richEdit);
}

}  // namespace corvane
