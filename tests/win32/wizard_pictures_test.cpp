// The picture loader on every picture resource and on codestreams made here, the side picture's animation,
// the welcome picture and the about box's picture.
#include <openjpeg.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/about_box.h"
#include "wizard/picture_loader.h"
#include "wizard/side_picture.h"
#include "wizard_test_fixture.h"

namespace corvane {
namespace {

// A codestream of `components` planes of `precision` bits, sample (x, y, c) = value(x, y, c).
std::vector<unsigned char> Encode(int width, int height, int components, int precision, int (*value)(int, int, int)) {
    std::vector<opj_image_cmptparm_t> parms(components);
    for (auto& p : parms) {
        std::memset(&p, 0, sizeof p);
        p.dx = p.dy = 1;
        p.w = width;
        p.h = height;
        p.prec = precision;
    }
    opj_image_t* image = opj_image_create(components, parms.data(), components >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY);
    image->x1 = width;
    image->y1 = height;
    for (int c = 0; c < components; ++c)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image->comps[c].data[y * width + x] = value(x, y, c);
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.tcp_rates[0] = 0;
    params.cp_disto_alloc = 1;
    params.numresolution = 1;
    std::vector<unsigned char> bytes;
    opj_stream_t* stream = opj_stream_create(4096, OPJ_FALSE);
    opj_stream_set_user_data(stream, &bytes, nullptr);
    opj_stream_set_write_function(stream, [](void* data, OPJ_SIZE_T n, void* user) -> OPJ_SIZE_T {
        auto* out = static_cast<std::vector<unsigned char>*>(user);
        out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + n);
        return n;
    });
    opj_stream_set_skip_function(stream, [](OPJ_OFF_T n, void*) -> OPJ_OFF_T { return n == 0 ? 0 : -1; });
    opj_stream_set_seek_function(stream, [](OPJ_OFF_T, void*) -> OPJ_BOOL { return OPJ_FALSE; });
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    const bool ok = opj_setup_encoder(codec, &params, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    opj_image_destroy(image);
    EXPECT_TRUE(ok);
    return bytes;
}

int Pattern(int x, int y, int c) { return (x * 40 + y * 100 + c * 7 + 3) & 0xFF; }
int Wide(int x, int y, int) { return (x + y) * 1000; }

// Byte k of pixel (x, y), y counted from the top of the picture.
int At(const DIBSECTION& info, int x, int y, int k) {
    const auto* bits = static_cast<const unsigned char*>(info.dsBm.bmBits);
    return bits[(info.dsBm.bmHeight - 1 - y) * info.dsBm.bmWidthBytes + x * info.dsBm.bmBitsPixel / 8 + k];
}

struct Loaded {
    HBITMAP colour = nullptr, alpha = nullptr;
    DIBSECTION colourInfo = {}, alphaInfo = {};
    ~Loaded() {
        if (colour) DeleteObject(colour);
        if (alpha) DeleteObject(alpha);
    }
};

TEST(LoadPicture, EveryPictureResourceHasItsSizeAndChannels) {
    struct Case { int id, width, height; bool alpha; };
    const Case cases[] = {{107, 59, 260, false}, {114, 427, 189, false}, {204, 869, 299, false}, {205, 141, 35, true},
                          {206, 141, 35, true},  {207, 141, 35, true},   {208, 141, 35, true},   {209, 141, 35, true},
                          {210, 141, 35, true},  {211, 141, 35, true},   {212, 141, 35, true},   {244, 345, 231, true}};
    for (const Case& c : cases) {
        Loaded p;
        ASSERT_EQ(LoadPicture(GetModuleHandleA(nullptr), nullptr, c.id, kPictureType, &p.colour, &p.colourInfo,
                              c.alpha ? &p.alpha : nullptr, c.alpha ? &p.alphaInfo : nullptr), kPictureDone) << c.id;
        EXPECT_EQ(p.colourInfo.dsBm.bmWidth, c.width) << c.id;
        EXPECT_EQ(p.colourInfo.dsBm.bmHeight, c.height) << c.id;
        EXPECT_EQ(p.colourInfo.dsBm.bmBitsPixel, 24) << c.id;
        EXPECT_GT(p.colourInfo.dsBmih.biHeight, 0) << c.id;  // bottom-up
        EXPECT_EQ(p.colourInfo.dsBm.bmWidthBytes % 4, 0) << c.id;
        if (!c.alpha) continue;
        EXPECT_EQ(p.alphaInfo.dsBm.bmBitsPixel, 8) << c.id;
        EXPECT_EQ(p.alphaInfo.dsBm.bmWidth, c.width) << c.id;
        EXPECT_EQ(p.alphaInfo.dsBm.bmWidthBytes, (c.width + 3) / 4 * 4) << c.id;
        EXPECT_EQ(At(p.alphaInfo, 0, 0, 0), 0) << c.id;                          // a clear corner
        EXPECT_GT(At(p.alphaInfo, c.width / 2, c.height / 2, 0), 200) << c.id;  // a (nearly) opaque middle
    }
    Loaded land;  // upright: sky (more blue than red) above the meadow (more green than blue)
    LoadPicture(GetModuleHandleA(nullptr), nullptr, 204, kPictureType, &land.colour, &land.colourInfo, nullptr, nullptr);
    EXPECT_GT(At(land.colourInfo, 10, 5, 0), At(land.colourInfo, 10, 5, 2));
    EXPECT_GT(At(land.colourInfo, 10, 290, 1), At(land.colourInfo, 10, 290, 0));
}

TEST(LoadPicture, RowsGoBottomUpInBlueGreenRedOrderWithTheAlphaPlane) {
    struct Case { int components; bool askAlpha; int bits; int alphaAt00; };
    const Case cases[] = {{4, true, 24, Pattern(0, 0, 3)}, {3, true, 24, 255}, {3, false, 24, -1}, {1, false, 8, -1}};
    for (const Case& c : cases) {
        std::vector<unsigned char> stream = Encode(5, 3, c.components, 8, Pattern);
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(stream[0], 0xFF);
        EXPECT_EQ(stream[1], 0x4F);
        Loaded p;
        ASSERT_EQ(DecodePicture(stream.data(), stream.size(), nullptr, &p.colour, &p.colourInfo,
                                c.askAlpha ? &p.alpha : nullptr, c.askAlpha ? &p.alphaInfo : nullptr), kPictureDone);
        EXPECT_EQ(p.colourInfo.dsBm.bmBitsPixel, c.bits);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                if (c.components == 1) {
                    EXPECT_EQ(At(p.colourInfo, x, y, 0), Pattern(x, y, 0));
                    continue;
                }
                EXPECT_EQ(At(p.colourInfo, x, y, 0), Pattern(x, y, 2));
                EXPECT_EQ(At(p.colourInfo, x, y, 1), Pattern(x, y, 1));
                EXPECT_EQ(At(p.colourInfo, x, y, 2), Pattern(x, y, 0));
                if (c.components == 4) {
                    EXPECT_EQ(At(p.alphaInfo, x, y, 0), Pattern(x, y, 3));
                }
            }
        if (c.alphaAt00 >= 0) {
            EXPECT_EQ(At(p.alphaInfo, 0, 0, 0), c.alphaAt00);
        }
    }
}

TEST(LoadPicture, FailuresAreReportedByTheirCodes) {
    const std::vector<unsigned char> good = Encode(4, 4, 3, 8, Pattern);
    const std::vector<unsigned char> cut(good.begin(), good.begin() + good.size() / 2);
    const std::vector<unsigned char> wide = Encode(4, 4, 3, 12, Wide);
    const unsigned char garbage[] = {0xFF, 0x4F, 0x00, 0x01, 0x02};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HBITMAP bitmap = nullptr;
    EXPECT_EQ(LoadPicture(instance, nullptr, 999, kPictureType, &bitmap, nullptr, nullptr, nullptr), kPictureNotFound);
    EXPECT_EQ(LoadPicture(instance, nullptr, 1, MAKEINTRESOURCEA(24), &bitmap, nullptr, nullptr, nullptr),
              kPictureNotDecoded);  // the manifest is no codestream
    EXPECT_EQ(DecodePicture(cut.data(), cut.size(), nullptr, &bitmap, nullptr, nullptr, nullptr), kPictureNotDecoded);
    EXPECT_EQ(DecodePicture(garbage, sizeof garbage, nullptr, &bitmap, nullptr, nullptr, nullptr), kPictureNotDecoded);
    EXPECT_EQ(DecodePicture(wide.data(), wide.size(), nullptr, &bitmap, nullptr, nullptr, nullptr), kPictureNot8Bit);
    EXPECT_EQ(bitmap, nullptr);
}

TEST(LoadPicture, AHandleAlreadyHeldIsDeleted) {
    Loaded p;
    LoadPicture(GetModuleHandleA(nullptr), nullptr, 205, kPictureType, &p.colour, nullptr, &p.alpha, nullptr);
    const HBITMAP oldColour = p.colour, oldAlpha = p.alpha;
    ASSERT_EQ(LoadPicture(GetModuleHandleA(nullptr), nullptr, 206, kPictureType, &p.colour, nullptr, &p.alpha, nullptr),
              kPictureDone);
    EXPECT_EQ(GetObjectType(oldColour), 0u);
    EXPECT_EQ(GetObjectType(oldAlpha), 0u);
    EXPECT_EQ(GetObjectType(p.colour), static_cast<DWORD>(OBJ_BITMAP));
}

class SidePictureTest : public WizardTest {
public:
    int TargetOf(int step) {
        RECT r;
        GetClientRect(GetDlgItem(frame, IDC_FRAME_PICTURE), &r);
        return (869 - r.right) * step / 8;
    }
    // Until timer 222 has brought the picture to rest.
    StepPictureState Settle() {
        StepPictureState s = CurrentStepPictureState();
        for (int i = 0; i < 400 && (s.fade != 255 || std::abs(s.offset - s.target) > 1); ++i) {
            Pump();
            Sleep(5);
            s = CurrentStepPictureState();
        }
        Pump();
        return s;
    }
};

TEST_F(SidePictureTest, OpensOnStepOneAndSlidesAndFadesToEachNextStep) {
    Open();
    StepPictureState s = CurrentStepPictureState();
    EXPECT_NE(s.landscape, nullptr);
    EXPECT_NE(s.composed, nullptr);
    EXPECT_EQ(s.offset, 0);
    EXPECT_EQ(s.fade, 255);
    ShowStepPicture(Step::FileList, true);
    s = CurrentStepPictureState();
    EXPECT_EQ(s.fade, 0);
    EXPECT_EQ(s.target, TargetOf(1));
    s = Settle();
    EXPECT_EQ(s.previous, 0);
    EXPECT_EQ(s.current, 1);
    EXPECT_EQ(s.fade, 255);
    EXPECT_GE(s.offset, TargetOf(1) - 1);
    EXPECT_LE(s.offset, TargetOf(1));
}

TEST_F(SidePictureTest, PreviousSlidesBackAndAHandOverPutsAStepInPlaceAtOnce) {
    Open();
    ShowStepPicture(Step::Review, false);
    StepPictureState s = CurrentStepPictureState();
    EXPECT_EQ(s.offset, TargetOf(5));
    ShowStepPicture(Step::ProcessingOptions, true);
    s = Settle();
    EXPECT_EQ(s.previous, 5);
    EXPECT_EQ(s.current, 3);
    EXPECT_LE(s.offset, TargetOf(3) + 1);
    EXPECT_GE(s.offset, TargetOf(3));
    ShowStepPicture(Step::FileList, false);
    s = CurrentStepPictureState();
    EXPECT_EQ(s.offset, TargetOf(1));
    EXPECT_EQ(s.previous, 1);
    EXPECT_EQ(s.current, 1);
}

TEST_F(SidePictureTest, TheWelcomePictureLiesOverTheButtonFace) {
    Open();
    auto picture = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(Page(0), IDC_WELCOME_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(picture, nullptr);
    DIBSECTION info;
    ASSERT_EQ(GetObjectA(picture, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.dsBm.bmWidth, 345);
    EXPECT_EQ(info.dsBm.bmHeight, 231);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(At(info, 0, 0, 0), GetBValue(face));  // a clear corner shows the face itself
    EXPECT_EQ(At(info, 0, 0, 2), GetRValue(face));
}

HBITMAP g_aboutPicture = nullptr;
HBITMAP RecordingLoader(HINSTANCE instance, HWND window, int id) {
    g_aboutPicture = LoadPictureBitmap(instance, window, id);
    return g_aboutPicture;
}

TEST_F(SidePictureTest, TheAboutBoxShowsItsPictureAndDeletesItWhenClosed) {
    Open();
    Click(IDC_FRAME_ABOUT);
    ASSERT_EQ(dialogs.Of("about").size(), 1u);
    AboutBoxRequest request;
    request.instance = GetModuleHandleA(nullptr);
    request.pictureResource = IDP_ABOUT;
    request.loadPicture = RecordingLoader;
    static HBITMAP shown;
    shown = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) {
        EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM) -> BOOL {
            if (!IsWindowVisible(w) || GetDlgItem(w, IDC_ABOUT_PICTURE) == nullptr) return TRUE;
            shown = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(w, IDC_ABOUT_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
            PostMessageA(w, WM_COMMAND, IDOK, 0);
            return FALSE;
        }, 0);
    });
    ShowAboutBox(request);
    KillTimer(nullptr, timer);
    ASSERT_NE(g_aboutPicture, nullptr);
    EXPECT_EQ(shown, g_aboutPicture);
    EXPECT_EQ(GetObjectType(g_aboutPicture), 0u);
}

}  // namespace
}  // namespace corvane
