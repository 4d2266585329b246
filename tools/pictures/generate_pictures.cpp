// Draws Corvane's and Restavo's pictures from vector shapes and writes them as J2K codestreams, BMP, ICO and CUR files.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgba {
    float r, g, b, a;
};
Rgba Rgb(int r, int g, int b, float a = 1.0f) { return {r / 255.0f, g / 255.0f, b / 255.0f, a}; }
Rgba Mix(Rgba x, Rgba y, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float Smooth(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Straight (not premultiplied) alpha, rows from the top.
struct Image {
    int w, h;
    std::vector<Rgba> px;
    Image(int width, int height, Rgba fill = {0, 0, 0, 0}) : w(width), h(height), px(width * height, fill) {}
    Rgba& at(int x, int y) { return px[y * w + x]; }
    const Rgba& at(int x, int y) const { return px[y * w + x]; }
    void Over(int x, int y, Rgba c, float coverage) {
        float ca = c.a * coverage;
        if (ca <= 0) return;
        Rgba& d = at(x, y);
        float oa = ca + d.a * (1 - ca);
        if (oa <= 0) return;
        d.r = (c.r * ca + d.r * d.a * (1 - ca)) / oa;
        d.g = (c.g * ca + d.g * d.a * (1 - ca)) / oa;
        d.b = (c.b * ca + d.b * d.a * (1 - ca)) / oa;
        d.a = oa;
    }
};

// Maps a pixel to the drawing's own coordinates: world = pixel / scale + origin.
struct View {
    float scale = 1, ox = 0, oy = 0;
};

using Field = std::function<float(float, float)>;  // signed distance, negative inside, in world units
using Paint = std::function<Rgba(float, float)>;

// Fills the shape with edges smoothed over one pixel.
void Fill(Image& img, const View& v, const Field& sdf, const Paint& paint, float softness = 1.0f) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float wx = (x + 0.5f) / v.scale + v.ox, wy = (y + 0.5f) / v.scale + v.oy;
            float d = sdf(wx, wy) * v.scale;
            float cov = Clamp01(0.5f - d / softness);
            if (cov > 0) img.Over(x, y, paint(wx, wy), cov);
        }
}
Paint Solid(Rgba c) {
    return [c](float, float) { return c; };
}
Paint Vertical(Rgba top, float y0, Rgba bottom, float y1) {
    return [=](float, float y) { return Mix(top, bottom, (y - y0) / (y1 - y0)); };
}

float Circle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }
float RoundBox(float x, float y, float x0, float y0, float x1, float y1, float r) {
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
}
float Segment(float x, float y, float ax, float ay, float bx, float by, float r) {
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float t = Clamp01((px * dx + py * dy) / (dx * dx + dy * dy));
    return std::hypot(px - dx * t, py - dy * t) - r;
}
float Triangle(float x, float y, float ax, float ay, float bx, float by, float cx, float cy) {
    const float P[3][2] = {{ax, ay}, {bx, by}, {cx, cy}};
    float d = 1e9f, s = 1;
    for (int i = 0, j = 2; i < 3; j = i++) {
        float ex = P[j][0] - P[i][0], ey = P[j][1] - P[i][1], wx = x - P[i][0], wy = y - P[i][1];
        float t = Clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
        d = std::min(d, std::hypot(wx - ex * t, wy - ey * t));
        bool c1 = y >= P[i][1], c2 = y < P[j][1], c3 = ex * wy > ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * d;
}

// ---- The palette: one calm style for every picture.
const Rgba kSkyTop = Rgb(141, 196, 230), kSkyLow = Rgb(228, 242, 240);
const Rgba kSun = Rgb(255, 246, 214);
const Rgba kFarRidge = Rgb(176, 204, 222), kRidge = Rgb(150, 188, 210);
const Rgba kMidHill = Rgb(132, 184, 146), kNearHill = Rgb(98, 158, 110), kFoot = Rgb(74, 128, 86);
const Rgba kPine = Rgb(52, 104, 78), kLeaf = Rgb(76, 138, 90), kTrunk = Rgb(112, 84, 62);
const Rgba kPath = Rgb(236, 222, 178), kWater = Rgb(112, 170, 204), kWood = Rgb(170, 120, 82);
const Rgba kTeal = Rgb(31, 107, 138), kTealLight = Rgb(46, 140, 170), kNavy = Rgb(26, 50, 82);
const Rgba kWhite = Rgb(255, 255, 255), kRoof = Rgb(196, 98, 72), kWall = Rgb(246, 236, 214);

// ---- The landscape, in its own 869 x 299 coordinates.
constexpr int kLandW = 869, kLandH = 299, kFootH = 35;

float FarRidgeY(float x) { return 136 + 16 * std::sin(x * 0.013f + 0.7f) + 9 * std::sin(x * 0.037f + 2.0f); }
float RidgeY(float x) { return 156 + 12 * std::sin(x * 0.010f + 2.4f) + 6 * std::sin(x * 0.029f); }
float MidHillY(float x) { return 182 + 10 * std::sin(x * 0.012f + 1.0f) + 5 * std::sin(x * 0.031f + 0.4f); }
float NearHillY(float x) { return 210 + 8 * std::sin(x * 0.009f + 2.0f) + 4 * std::sin(x * 0.023f + 0.5f); }
float PathY(float x) { return 240 + 8 * std::sin(x * 0.017f + 0.3f); }
float RiverX(float y) { return 486 - (y - 176) * 0.42f + 5 * std::sin(y * 0.07f); }
float RiverHalfWidth(float y) { return 2 + (y - 176) * 0.24f; }
constexpr float kBridgeX = 450;

// The centre of the part of the landscape that the side panel shows at each step.
float StepCentre(int step) { return (kLandW - 142) * step / 8.0f + 70.5f; }

void Cloud(Image& img, const View& v, float cx, float cy, float s) {
    Fill(img, v, [=](float x, float y) {
        float d = std::max(y - cy - 4 * s, -100.0f);  // a flat base
        float puff = std::min({Circle(x, y, cx - 12 * s, cy, 9 * s), Circle(x, y, cx, cy - 5 * s, 12 * s),
                               Circle(x, y, cx + 13 * s, cy - 1 * s, 9 * s), Circle(x, y, cx + 4 * s, cy + 1, 10 * s)});
        return std::max(puff, d);
    }, Solid(Rgb(255, 255, 255, 0.92f)));
}

void Pine(Image& img, const View& v, float x0, float base, float s) {
    Fill(img, v, [=](float x, float y) { return RoundBox(x, y, x0 - 1.2f * s, base - 5 * s, x0 + 1.2f * s, base, 0.3f); },
         Solid(kTrunk));
    Fill(img, v, [=](float x, float y) {
        return std::min({Triangle(x, y, x0, base - 30 * s, x0 - 7 * s, base - 14 * s, x0 + 7 * s, base - 14 * s),
                         Triangle(x, y, x0, base - 23 * s, x0 - 9 * s, base - 4 * s, x0 + 9 * s, base - 4 * s)});
    }, Vertical(Mix(kPine, kWhite, 0.12f), base - 30 * s, kPine, base));
}

void RoundTree(Image& img, const View& v, float x0, float base, float s) {
    Fill(img, v, [=](float x, float y) { return RoundBox(x, y, x0 - 1.3f * s, base - 9 * s, x0 + 1.3f * s, base, 0.3f); },
         Solid(kTrunk));
    Fill(img, v, [=](float x, float y) {
        return std::min(Circle(x, y, x0, base - 15 * s, 8 * s), Circle(x, y, x0 + 3 * s, base - 11 * s, 6 * s));
    }, Vertical(Mix(kLeaf, kWhite, 0.15f), base - 23 * s, kLeaf, base - 6 * s));
}

void Waypoint(Image& img, const View& v, float x0) {
    float base = PathY(x0) - 3;
    Fill(img, v, [=](float x, float y) { return RoundBox(x, y, x0 - 0.9f, base - 18, x0 + 0.9f, base, 0.4f); },
         Solid(kTrunk));
    Fill(img, v, [=](float x, float y) { return Triangle(x, y, x0 + 0.5f, base - 18, x0 + 11, base - 14.5f, x0 + 0.5f, base - 11); },
         Solid(Rgb(232, 120, 72)));
}

void House(Image& img, const View& v, float x0, float base) {
    Fill(img, v, [=](float x, float y) { return RoundBox(x, y, x0 - 12, base - 16, x0 + 12, base, 0.5f); }, Solid(kWall));
    Fill(img, v, [=](float x, float y) { return Triangle(x, y, x0, base - 30, x0 - 16, base - 15, x0 + 16, base - 15); },
         Solid(kRoof));
    Fill(img, v, [=](float x, float y) { return RoundBox(x, y, x0 - 3, base - 10, x0 + 3, base, 0.8f); }, Solid(kTrunk));
    Fill(img, v, [=](float x, float y) { return RoundBox(x, y, x0 + 5, base - 12, x0 + 10, base - 7, 0.5f); },
         Solid(Rgb(255, 214, 120)));
}

void Bridge(Image& img, const View& v) {
    float y0 = PathY(kBridgeX);
    // The deck, the arch under it and the railing.
    auto deckY = [=](float x) { return y0 - 7 * std::max(0.0f, 1 - std::pow((x - kBridgeX) / 34, 2.0f)); };
    Fill(img, v, [=](float x, float y) {
        float top = deckY(x) - 2, bottom = deckY(x) + 4;
        return std::max({std::fabs(x - kBridgeX) - 34, top - y, y - bottom});
    }, Solid(kWood));
    Fill(img, v, [=](float x, float y) {
        float archTop = deckY(x) + 4, archBottom = y0 + 6 - 9 * std::max(0.0f, 1 - std::pow((x - kBridgeX) / 24, 2.0f));
        return std::max({std::fabs(x - kBridgeX) - 30, archTop - y, y - archBottom});
    }, Solid(Mix(kWood, Rgb(0, 0, 0), 0.25f)));
    for (int i = -3; i <= 3; ++i) {
        float px = kBridgeX + i * 10;
        Fill(img, v, [=](float x, float y) { return RoundBox(x, y, px - 0.8f, deckY(px) - 9, px + 0.8f, deckY(px) - 1, 0.3f); },
             Solid(Mix(kWood, Rgb(0, 0, 0), 0.15f)));
    }
    Fill(img, v, [=](float x, float y) { return std::max(std::fabs(x - kBridgeX) - 32, std::fabs(y - (deckY(x) - 9)) - 0.9f); },
         Solid(Mix(kWood, Rgb(0, 0, 0), 0.15f)));
}

void DrawLandscape(Image& img, const View& v) {
    Fill(img, v, [](float, float y) { return y - 230; }, Vertical(kSkyTop, 0, kSkyLow, 175));
    Fill(img, v, [](float x, float y) { return Circle(x, y, 540, 66, 70); }, [](float x, float y) {
        Rgba glow = kSun;
        glow.a = 0.45f * (1 - Smooth(0, 70, std::hypot(x - 540, y - 66)));
        return glow;
    });
    Fill(img, v, [](float x, float y) { return Circle(x, y, 540, 66, 20); }, Solid(kSun));
    Cloud(img, v, 118, 46, 1.0f);
    Cloud(img, v, 300, 30, 0.8f);
    Cloud(img, v, 392, 82, 0.55f);
    Cloud(img, v, 660, 44, 1.1f);
    Cloud(img, v, 812, 88, 0.7f);
    Fill(img, v, [](float x, float y) { return (FarRidgeY(x) - y) * 0.9f; }, Solid(kFarRidge));
    Fill(img, v, [](float x, float y) { return (RidgeY(x) - y) * 0.9f; }, Vertical(kRidge, 140, Mix(kRidge, kMidHill, 0.5f), 200));
    Fill(img, v, [](float x, float y) { return (MidHillY(x) - y) * 0.9f; }, Vertical(kMidHill, 170, Mix(kMidHill, kNearHill, 0.6f), 230));
    for (float x : {40.0f, 160.0f, 236.0f, 612.0f, 760.0f, 842.0f}) Pine(img, v, x, MidHillY(x) + 3, 0.45f);
    // The river runs from the hills to the foot of the picture, under the bridge.
    Fill(img, v, [](float x, float y) {
        if (y < 176) return 100.0f;
        return std::fabs(x - RiverX(y)) - RiverHalfWidth(y);
    }, Vertical(Mix(kWater, kWhite, 0.35f), 176, kWater, 299));
    Fill(img, v, [](float x, float y) { return (NearHillY(x) - y) * 0.9f; }, Vertical(kNearHill, 200, kFoot, 299));
    Fill(img, v, [](float x, float y) {
        if (y < NearHillY(x) - 2) return 100.0f;
        return std::fabs(x - RiverX(y)) - RiverHalfWidth(y);
    }, Vertical(Mix(kWater, kWhite, 0.2f), 200, Mix(kWater, kNavy, 0.15f), 299));
    for (float y : {226.0f, 252.0f, 278.0f})
        Fill(img, v, [=](float x, float yy) {
            return std::max(std::fabs(yy - y) - 0.7f, std::fabs(x - RiverX(y) + 3) - RiverHalfWidth(y) * 0.35f);
        }, Solid(Rgb(255, 255, 255, 0.55f)));
    // The path, one stroke across the whole picture; it crosses the river on the bridge.
    Fill(img, v, [](float x, float y) {
        if (std::fabs(x - kBridgeX) < 30) return 100.0f;
        return std::fabs(y - PathY(x)) - 3.2f;
    }, Solid(kPath));
    Bridge(img, v);
    for (float x : {18.0f, 128.0f, 206.0f, 318.0f, 560.0f, 688.0f, 800.0f}) RoundTree(img, v, x, NearHillY(x) + 6, 0.85f);
    for (float x : {98.0f, 262.0f, 392.0f, 590.0f, 735.0f, 858.0f}) Pine(img, v, x, NearHillY(x) + 4, 0.8f);
    for (int step = 0; step < 7; ++step) Waypoint(img, v, StepCentre(step) + (step == 4 ? -26 : 0));
    House(img, v, StepCentre(7) + 2, PathY(StepCentre(7)) - 4);
}

// ---- Text through FreeType, with the free Liberation faces that every machine of the project has.
struct Font {
    FT_Library lib = nullptr;
    FT_Face bold = nullptr, regular = nullptr;
    Font() {
        FT_Init_FreeType(&lib);
        const char* dir = "/usr/share/fonts/truetype/liberation/";
        if (FT_New_Face(lib, (std::string(dir) + "LiberationSans-Bold.ttf").c_str(), 0, &bold) ||
            FT_New_Face(lib, (std::string(dir) + "LiberationSans-Regular.ttf").c_str(), 0, &regular)) {
            std::fprintf(stderr, "generate_pictures: the Liberation Sans fonts (fonts-liberation) are missing\n");
            std::exit(1);
        }
    }
};

float TextWidth(FT_Face face, int px, const std::string& text) {
    FT_Set_Pixel_Sizes(face, 0, px);
    float w = 0;
    for (unsigned char c : text) {
        FT_Load_Char(face, c, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT);
        w += face->glyph->advance.x / 64.0f;
    }
    return w;
}

// Draws text with its baseline at (x, baseline), in pixels.
void Text(Image& img, FT_Face face, int px, float x, float baseline, const std::string& text, Rgba c) {
    FT_Set_Pixel_Sizes(face, 0, px);
    float pen = x;
    for (unsigned char ch : text) {
        FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT);
        FT_GlyphSlot g = face->glyph;
        int ox = static_cast<int>(std::lround(pen)) + g->bitmap_left, oy = static_cast<int>(std::lround(baseline)) - g->bitmap_top;
        for (unsigned r = 0; r < g->bitmap.rows; ++r)
            for (unsigned k = 0; k < g->bitmap.width; ++k) {
                int tx = ox + static_cast<int>(k), ty = oy + static_cast<int>(r);
                if (tx < 0 || ty < 0 || tx >= img.w || ty >= img.h) continue;
                img.Over(tx, ty, c, g->bitmap.buffer[r * g->bitmap.pitch + k] / 255.0f);
            }
        pen += g->advance.x / 64.0f;
    }
}

// ---- The pictures.
Image Landscape() {
    Image img(kLandW, kLandH);
    DrawLandscape(img, View{});
    return img;
}

Image StepLabel(Font& font, int step, const char* name) {
    Image img(141, 35);
    View v;
    Fill(img, v, [](float x, float y) { return RoundBox(x, y, 3, 4, 138, 34, 9); },
         [](float x, float y) { return Rgb(0, 20, 40, 0.22f * (1 - Smooth(-1, 3, RoundBox(x, y, 3, 4, 138, 34, 9)))); }, 4.0f);
    Fill(img, v, [](float x, float y) { return RoundBox(x, y, 2, 2, 139, 32, 8); }, Solid(Rgb(255, 255, 255, 0.9f)));
    Fill(img, v, [](float x, float y) { return std::fabs(RoundBox(x, y, 2, 2, 139, 32, 8)) - 0.5f; }, Solid(Rgb(31, 107, 138, 0.55f)));
    Fill(img, v, [](float x, float y) { return Circle(x, y, 17, 17, 11); }, Vertical(kTealLight, 6, kTeal, 28));
    std::string digit(1, static_cast<char>('1' + step));
    Text(img, font.bold, 15, 17 - TextWidth(font.bold, 15, digit) / 2, 22.5f, digit, kWhite);
    Text(img, font.bold, 14, 35, 22, name, kNavy);
    return img;
}

Image Welcome(Font& font) {
    Image img(345, 231);
    const float x0 = 6, y0 = 3, x1 = 339, y1 = 222, r = 16;
    Fill(img, View{}, [=](float x, float y) { return RoundBox(x, y, x0, y0 + 3, x1, y1 + 3, r); },
         [=](float x, float y) { return Rgb(0, 20, 40, 0.28f * (1 - Smooth(-2, 6, RoundBox(x, y, x0, y0 + 3, x1, y1 + 3, r)))); }, 7.0f);
    Image scene(345, 231);
    DrawLandscape(scene, View{0.9f, 300, 22});
    Fill(scene, View{}, [](float x, float y) { return RoundBox(x, y, 20, 20, 190, 78, 10); }, Solid(Rgb(255, 255, 255, 0.55f)));
    Text(scene, font.bold, 36, 30, 55, "Corvane", kNavy);
    Text(scene, font.regular, 14, 32, 71, "Link repair wizard", kTeal);
    // The scene, cut to the card's rounded shape.
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float cov = Clamp01(0.5f - RoundBox(x + 0.5f, y + 0.5f, x0, y0, x1, y1, r));
            img.Over(x, y, scene.at(x, y), cov);
        }
    Fill(img, View{}, [=](float x, float y) { return std::fabs(RoundBox(x, y, x0, y0, x1, y1, r)) - 0.5f; },
         Solid(Rgb(255, 255, 255, 0.7f)));
    return img;
}

Image AboutStrip() {
    Image img(59, 260);
    DrawLandscape(img, View{260.0f / kLandH, 418, 0});
    return img;
}

Image WideBanner(Font& font) {
    Image img(427, 189);
    DrawLandscape(img, View{189.0f / kLandH, 80, 0});
    Text(img, font.bold, 30, 16, 40, "Corvane", kNavy);
    Text(img, font.regular, 13, 18, 57, "Link repair wizard", kTeal);
    return img;
}

Image RestavoBanner(Font& font) {
    Image img(356, 49);
    DrawLandscape(img, View{0.5f, 330, 118});
    Fill(img, View{}, [](float, float) { return -1.0f; },
         [](float x, float) { Rgba c = Mix(kTeal, Rgb(24, 76, 110), x / 356); c.a = 0.97f * (1 - Smooth(150, 300, x)); return c; });
    Text(img, font.bold, 22, 12, 27, "Restavo", kWhite);
    Text(img, font.regular, 12, 13, 42, "Backup restorer", Rgb(214, 236, 244));
    return img;
}

Image Lamp(bool lit) {
    Image img(21, 35, kWhite);
    View v;
    if (lit)
        Fill(img, v, [](float x, float y) { return Circle(x, y, 10.5f, 11, 11); },
             [](float x, float y) { Rgba c = Rgb(255, 214, 80); c.a = 0.5f * (1 - Smooth(6, 11, std::hypot(x - 10.5f, y - 11))); return c; });
    Rgba glass = lit ? Rgb(255, 222, 96) : Rgb(228, 232, 236);
    Rgba rim = lit ? Rgb(214, 150, 40) : Rgb(150, 158, 166);
    auto bulb = [](float x, float y) {
        return std::min(Circle(x, y, 10.5f, 11, 7.5f), RoundBox(x, y, 7.5f, 13, 13.5f, 22, 1.5f));
    };
    Fill(img, v, bulb, [=](float x, float y) { return Mix(Mix(glass, kWhite, 0.55f), glass, std::hypot(x - 8, y - 8) / 8); });
    Fill(img, v, [=](float x, float y) { return std::fabs(bulb(x, y)) - 0.5f; }, Solid(rim));
    Fill(img, v, [](float x, float y) {
        return std::min(Segment(x, y, 9, 19, 9.5f, 12, 0.45f), Segment(x, y, 12, 19, 11.5f, 12, 0.45f));
    }, Solid(lit ? Rgb(200, 110, 20) : Rgb(160, 164, 170)));
    for (int i = 0; i < 3; ++i)
        Fill(img, v, [=](float x, float y) { return RoundBox(x, y, 7, 22.5f + i * 2.5f, 14, 24.5f + i * 2.5f, 1); },
             Solid(i % 2 ? Rgb(150, 156, 162) : Rgb(190, 196, 202)));
    Fill(img, v, [](float x, float y) { return RoundBox(x, y, 9, 29.5f, 12, 32, 1); }, Solid(Rgb(110, 116, 122)));
    return img;
}

// App icons: a rounded tile with a white sign, drawn in units of the tile so that every size is the same drawing.
Image Tile(int size, Rgba top, Rgba bottom, const std::function<float(float, float)>& sign) {
    Image img(size, size);
    View v{static_cast<float>(size), 0, 0};
    Fill(img, v, [](float x, float y) { return RoundBox(x, y, 0.03f, 0.03f, 0.97f, 0.97f, 0.2f); }, Vertical(top, 0, bottom, 1));
    Fill(img, v, sign, Solid(kWhite));
    return img;
}
float Link(float x, float y, float cx, float cy, float stroke) {
    const float d = 0.13f, r = 0.14f;  // half length along the diagonal, radius
    return std::fabs(Segment(x, y, cx - d * 0.7071f, cy + d * 0.7071f, cx + d * 0.7071f, cy - d * 0.7071f, r)) - stroke;
}
Image CorvaneIcon(int size) {
    float stroke = size < 24 ? 0.06f : 0.05f;
    Image img = Tile(size, Rgb(52, 146, 178), Rgb(24, 88, 124), [=](float x, float y) { return Link(x, y, 0.38f, 0.62f, stroke); });
    View v{static_cast<float>(size), 0, 0};
    Fill(img, v, [=](float x, float y) { return Link(x, y, 0.62f, 0.38f, stroke + 0.05f); }, Solid(Rgb(36, 116, 152)));
    Fill(img, v, [=](float x, float y) { return Link(x, y, 0.62f, 0.38f, stroke); }, Solid(kWhite));
    return img;
}
Image RestavoIcon(int size) {
    float stroke = size < 24 ? 0.075f : 0.06f;
    return Tile(size, Rgb(240, 170, 70), Rgb(200, 106, 36), [=](float x, float y) {
        const float cx = 0.5f, cy = 0.53f, r = 0.26f;
        float angle = std::atan2(y - cy, x - cx);  // 0 to the right, positive downwards
        float ring = std::fabs(std::hypot(x - cx, y - cy) - r) - stroke;
        if (angle > -1.9f && angle < -0.75f) ring = 1;  // the gap at the top
        float headX = cx + r * std::cos(-1.9f), headY = cy + r * std::sin(-1.9f);
        float head = Triangle(x, y, headX - 0.17f, headY - 0.02f, headX + 0.06f, headY - 0.17f, headX + 0.06f, headY + 0.15f);
        return std::min(ring, head);
    });
}

Image HandCursor() {
    Image img(32, 32);
    View v;
    auto hand = [](float x, float y) {
        return std::min({Segment(x, y, 10.5f, 3, 10.5f, 16, 2.4f), Segment(x, y, 15.2f, 12, 15.2f, 17, 2.3f),
                         Segment(x, y, 19.8f, 13, 19.8f, 18, 2.3f), Segment(x, y, 24.2f, 14.5f, 24.2f, 19, 2.2f),
                         RoundBox(x, y, 8.2f, 15, 26.4f, 28, 4.5f), Segment(x, y, 9, 24, 4.6f, 18, 2.3f)});
    };
    Fill(img, v, [=](float x, float y) { return hand(x, y) - 1.1f; }, Solid(Rgb(0, 0, 0)));
    Fill(img, v, hand, Solid(kWhite));
    for (float fx : {12.9f, 17.5f, 22.0f})
        Fill(img, v, [=](float x, float y) { return Segment(x, y, fx, 17.5f, fx, 21, 0.35f); }, Solid(Rgb(90, 90, 90)));
    return img;
}

// ---- Writers.
unsigned char Byte(float v) { return static_cast<unsigned char>(std::lround(Clamp01(v) * 255)); }

bool WriteFile(const std::string& path, const std::vector<unsigned char>& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}
void Put16(std::vector<unsigned char>& o, unsigned v) { o.push_back(v & 255); o.push_back((v >> 8) & 255); }
void Put32(std::vector<unsigned char>& o, unsigned v) { Put16(o, v & 0xFFFF); Put16(o, v >> 16); }

// A raw JPEG 2000 codestream (FF 4F ...), 8-bit unsigned components; lossless or at the given PSNR.
bool WriteJ2k(const std::string& path, const Image& img, int components, float psnr) {
    std::vector<opj_image_cmptparm_t> parms(components);
    for (auto& p : parms) {
        std::memset(&p, 0, sizeof p);
        p.dx = p.dy = 1;
        p.w = img.w;
        p.h = img.h;
        p.prec = 8;
        p.sgnd = 0;
    }
    opj_image_t* image = opj_image_create(components, parms.data(), OPJ_CLRSPC_SRGB);
    image->x1 = img.w;
    image->y1 = img.h;
    for (int i = 0; i < img.w * img.h; ++i) {
        const Rgba& p = img.px[i];
        const float v[4] = {p.r, p.g, p.b, p.a};
        for (int c = 0; c < components; ++c) image->comps[c].data[i] = Byte(v[c]);
    }
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    if (psnr > 0) {
        params.irreversible = 1;
        params.tcp_distoratio[0] = psnr;
        params.cp_fixed_quality = 1;
    } else {
        params.tcp_rates[0] = 0;
        params.cp_disto_alloc = 1;
    }
    int smaller = std::min(img.w, img.h), levels = 1;
    while (levels < 6 && (smaller >> levels) >= 1) ++levels;
    params.numresolution = levels;
    params.tcp_mct = components >= 3 ? 1 : 0;
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    opj_stream_t* stream = nullptr;
    bool ok = opj_setup_encoder(codec, &params, image) &&
              (stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE)) != nullptr &&
              opj_start_compress(codec, image, stream) && opj_encode(codec, stream) && opj_end_compress(codec, stream);
    if (stream) opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return ok;
}

// 24-bit bottom-up BMP over a white ground.
bool WriteBmp(const std::string& path, const Image& img) {
    int stride = (img.w * 3 + 3) & ~3;
    std::vector<unsigned char> o;
    o.push_back('B'); o.push_back('M');
    Put32(o, 54 + stride * img.h); Put32(o, 0); Put32(o, 54);
    Put32(o, 40); Put32(o, img.w); Put32(o, img.h); Put16(o, 1); Put16(o, 24); Put32(o, 0);
    Put32(o, stride * img.h); Put32(o, 2835); Put32(o, 2835); Put32(o, 0); Put32(o, 0);
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            Rgba p = Mix(kWhite, img.at(x, y), img.at(x, y).a);
            o.push_back(Byte(p.b)); o.push_back(Byte(p.g)); o.push_back(Byte(p.r));
        }
        for (int k = img.w * 3; k < stride; ++k) o.push_back(0);
    }
    return WriteFile(path, o);
}

// The image part of an .ico or .cur entry: 32-bit BGRA rows bottom-up, then the AND mask.
std::vector<unsigned char> IconImage(const Image& img) {
    std::vector<unsigned char> o;
    int maskStride = ((img.w + 31) / 32) * 4;
    Put32(o, 40); Put32(o, img.w); Put32(o, img.h * 2); Put16(o, 1); Put16(o, 32); Put32(o, 0);
    Put32(o, img.w * img.h * 4 + maskStride * img.h); Put32(o, 0); Put32(o, 0); Put32(o, 0); Put32(o, 0);
    for (int y = img.h - 1; y >= 0; --y)
        for (int x = 0; x < img.w; ++x) {
            const Rgba& p = img.at(x, y);
            bool seen = Byte(p.a) != 0;
            o.push_back(seen ? Byte(p.b) : 0); o.push_back(seen ? Byte(p.g) : 0); o.push_back(seen ? Byte(p.r) : 0);
            o.push_back(Byte(p.a));
        }
    for (int y = img.h - 1; y >= 0; --y)
        for (int k = 0; k < maskStride; ++k) {
            unsigned char bits = 0;
            for (int b = 0; b < 8; ++b) {
                int x = k * 8 + b;
                if (x >= img.w || Byte(img.at(x, y).a) == 0) bits |= 0x80 >> b;
            }
            o.push_back(bits);
        }
    return o;
}

// type 1 icon, 2 cursor (whose entries carry the hot spot where icons carry planes and bit count).
bool WriteIconFile(const std::string& path, const std::vector<Image>& images, int type, int hotX = 0, int hotY = 0) {
    std::vector<unsigned char> o;
    Put16(o, 0); Put16(o, type); Put16(o, images.size());
    std::vector<std::vector<unsigned char>> bodies;
    for (const Image& img : images) bodies.push_back(IconImage(img));
    unsigned offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        o.push_back(images[i].w); o.push_back(images[i].h); o.push_back(0); o.push_back(0);
        Put16(o, type == 1 ? 1 : hotX); Put16(o, type == 1 ? 32 : hotY);
        Put32(o, bodies[i].size()); Put32(o, offset);
        offset += bodies[i].size();
    }
    for (auto& b : bodies) o.insert(o.end(), b.begin(), b.end());
    return WriteFile(path, o);
}

// A preview for looking at: PAM with alpha.
bool WritePam(const std::string& path, const Image& img) {
    std::string head = "P7\nWIDTH " + std::to_string(img.w) + "\nHEIGHT " + std::to_string(img.h) +
                       "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<unsigned char> o(head.begin(), head.end());
    for (const Rgba& p : img.px) { o.push_back(Byte(p.r)); o.push_back(Byte(p.g)); o.push_back(Byte(p.b)); o.push_back(Byte(p.a)); }
    return WriteFile(path, o);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: generate_pictures RESOURCES_DIR [PREVIEW_DIR]\n");
        return 2;
    }
    const std::string res = argv[1], pics = res + "/pictures/";
    const std::string preview = argc == 3 ? std::string(argv[2]) + "/" : "";
    bool ok = true;
    auto j2k = [&](const std::string& name, const Image& img, int comps, float psnr) {
        ok = WriteJ2k(pics + name + ".j2k", img, comps, psnr) && ok;
        if (!preview.empty()) WritePam(preview + name + ".pam", img);
    };
    Font font;
    const char* const steps[8] = {"Welcome", "Files", "Search", "Processing", "Searching", "Results", "Deletion", "Writing"};
    j2k("landscape", Landscape(), 3, 46);
    for (int i = 0; i < 8; ++i) j2k("step" + std::to_string(i + 1) + "_label", StepLabel(font, i, steps[i]), 4, 0);
    j2k("welcome", Welcome(font), 4, 48);
    j2k("about", AboutStrip(), 3, 46);
    j2k("wide_banner", WideBanner(font), 3, 44);
    ok = WriteBmp(res + "/corvane_lamp_on.bmp", Lamp(true)) && ok;
    ok = WriteBmp(res + "/corvane_lamp_off.bmp", Lamp(false)) && ok;
    Image banner = RestavoBanner(font);
    ok = WriteBmp(res + "/restavo_banner.bmp", banner) && ok;
    ok = WriteIconFile(res + "/corvane_app.ico", {CorvaneIcon(16), CorvaneIcon(32)}, 1) && ok;
    ok = WriteIconFile(res + "/restavo_app.ico", {RestavoIcon(16), RestavoIcon(32)}, 1) && ok;
    Image hand = HandCursor();
    ok = WriteIconFile(res + "/corvane_hand.cur", {hand}, 2, 10, 1) && ok;
    if (!preview.empty()) {
        WritePam(preview + "lamp_on.pam", Lamp(true));
        WritePam(preview + "lamp_off.pam", Lamp(false));
        WritePam(preview + "restavo_banner.pam", banner);
        WritePam(preview + "corvane_icon32.pam", CorvaneIcon(32));
        WritePam(preview + "corvane_icon16.pam", CorvaneIcon(16));
        WritePam(preview + "restavo_icon32.pam", RestavoIcon(32));
        WritePam(preview + "restavo_icon16.pam", RestavoIcon(16));
        WritePam(preview + "hand.pam", hand);
    }
    if (!ok) std::fprintf(stderr, "generate_pictures: writing a picture failed\n");
    return ok ? 0 : 1;
}
