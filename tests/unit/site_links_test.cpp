// Whole searches of small sites laid out as real manuals are: working links stay as they are, and
// the links of a reorganised site are sent to the files that were moved.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/search_driver.h"
#include "platform/utf8.h"
#include "support/engine_parts.h"
#include "support/memory_file_system.h"

namespace corvane {
namespace {

struct SiteFile {
    const char* path;
    const char* text;
};

struct SiteCase {
    const char* name;
    std::vector<SiteFile> files;
    std::vector<std::string> changes;  // "page: URL -> replacement", in the order queued (tag by tag)
    std::vector<const char*> orphans;  // files no link points to
};

const SiteCase kSites[] = {
    {"healthy manual",
     {{"C:\\site\\index.html",
       "<a href=\"./mod/index.html\">Modules</a> <a href=\"howto\">How-to</a> <a href=\"howto/\">How-to</a>"
       "<img src=\"/images/feather.png\"> <a href=\"/guide/index.html\">Guide</a>"},
      {"C:\\site\\mod\\index.html",
       "<a href=\"../\">Home</a> <a href=\"./\">Modules</a> <a href=\"./core.html#x\">core</a>"
       "<img src=\"../images/./feather.png\">"},
      {"C:\\site\\mod\\core.html", "<a href=\"./index.html\">Modules</a> <a href=\"/mod/\">Modules</a>"},
      {"C:\\site\\howto\\index.html", "<a href=\"./../mod/./core.html\">core</a>"},
      {"C:\\site\\guide\\index.html", "<a href=\"/\">Home</a> <link href=\"/style/manual.css\" rel=\"stylesheet\">"},
      {"C:\\site\\style\\manual.css", "body { background: url(/images/feather.png) }"},
      {"C:\\site\\images\\feather.png", "PNG"}},
     {},
     {}},
    {"reorganised manual: pictures and one language moved one folder down",
     {{"C:\\site\\en\\index.html",
       "<img src=\"../images/logo.png\"> <a href=\"../da/intro.html\">Dansk</a> <a href=\"intro.html\">Intro</a>"},
      {"C:\\site\\en\\intro.html", "<a href=\"index.html\">Home</a>"},
      {"C:\\site\\de\\intro.html", "<a href=\"../en/index.html\">English</a>"},
      {"C:\\site\\de\\logo.png", "PNG"},
      {"C:\\site\\media\\images\\logo.png", "PNG"},
      {"C:\\site\\part\\da\\intro.html", "<a href=\"../en/index.html\">English</a> <img src=\"../images/logo.png\">"}},
     {"C:\\site\\en\\index.html: ../da/intro.html -> ../part/da/intro.html",
      "C:\\site\\en\\index.html: ../images/logo.png -> ../media/images/logo.png",
      "C:\\site\\part\\da\\intro.html: ../en/index.html -> ../../en/index.html",
      "C:\\site\\part\\da\\intro.html: ../images/logo.png -> ../../media/images/logo.png"},
     {"C:\\site\\de\\intro.html", "C:\\site\\de\\logo.png"}},
    // Names outside ASCII: links raw and escaped in UTF-8, one old Windows-1252 page, letter case of an accented name.
    {"healthy site with names outside ASCII",
     {{"C:\\site\\index.html",
       "<meta charset=\"utf-8\"><a href=\"caf%C3%A9.html\">a</a> <a href=\"café.html\">b</a>"
       " <a href=\"ñ/%E4%BD%A0.html\">c</a> <a href=\"ÉTÉ.html\">d</a> <a href=\"old.html\">e</a>"},
      {"C:\\site\\café.html", "<a href=\"index.html\">home</a>"},
      {"C:\\site\\ñ\\你.html", "<a href=\"../index.html\">home</a> <img src=\"../%D0%96%201.png\">"},
      {"C:\\site\\old.html", "<a href=\"caf\xE9.html\">x</a> <a href=\"caf%E9.html\">y</a>"},
      {"C:\\site\\été.html", "<img src=\"%F0%9F%98%80.png\">"},
      {"C:\\site\\😀.png", "PNG"},
      {"C:\\site\\Ж 1.png", "PNG"}},
     {},
     {}},
    {"the same site with two of its folders renamed",
     {{"C:\\site\\index.html",
       "<meta charset=\"utf-8\"><a href=\"caf%C3%A9.html\">a</a> <a href=\"café.html\">b</a>"
       " <a href=\"ñ/%E4%BD%A0.html\">c</a> <a href=\"old.html\">e</a>"},
      {"C:\\site\\dossier é\\café.html", "<a href=\"../index.html\">home</a>"},
      {"C:\\site\\新\\你.html", "<a href=\"../index.html\">home</a>"},
      {"C:\\site\\old.html", "<a href=\"caf\xE9.html\">x</a> <a href=\"caf%E9.html\">y</a>"}},
     {"C:\\site\\index.html: café.html -> dossier%20é/café.html",
      "C:\\site\\index.html: café.html -> dossier%20é/café.html", "C:\\site\\index.html: ñ/你.html -> 新/你.html",
      "C:\\site\\old.html: café.html -> dossier%20é/café.html", "C:\\site\\old.html: café.html -> dossier%20é/café.html"},
     {}},
    // A page of today (responsive images, media, an object) and a page whose <base> is the site's top folder.
    {"page of today, healthy",
     {{"C:\\site\\index.html",
       "<img src=\"a-480.jpg\" srcset=\"a-480.jpg 480w, a-800.jpg 800w\"><picture><source srcset=\"b.webp\"></picture>"
       "<video src=\"clip.mp4\" poster=\"poster.jpg\"><source src=\"clip.webm\"><track src=\"subs.vtt\"></video>"
       "<audio src=\"song.ogg\"></audio><object data=\"obj.svg\"></object><a href=\"sub/page.html\">x</a>"},
      {"C:\\site\\sub\\page.html", "<base href=\"../\"><a href=\"index.html\">up</a><img src=\"media/x.png\">"},
      {"C:\\site\\a-480.jpg", "J"}, {"C:\\site\\a-800.jpg", "J"}, {"C:\\site\\b.webp", "W"},
      {"C:\\site\\clip.mp4", "M"}, {"C:\\site\\poster.jpg", "J"}, {"C:\\site\\clip.webm", "W"},
      {"C:\\site\\subs.vtt", "V"}, {"C:\\site\\song.ogg", "O"}, {"C:\\site\\obj.svg", "S"},
      {"C:\\site\\media\\x.png", "P"}},
     {},
     {}},
    {"page of today, four files moved and one picture of the based page",
     {{"C:\\site\\index.html",
       "<img src=\"a-480.jpg\" srcset=\"a-480.jpg 480w, a-800.jpg 800w\"><picture><source srcset=\"b.webp\"></picture>"
       "<video src=\"clip.mp4\" poster=\"poster.jpg\"><source src=\"clip.webm\"><track src=\"subs.vtt\"></video>"
       "<audio src=\"song.ogg\"></audio><object data=\"obj.svg\"></object><a href=\"sub/page.html\">x</a>"},
      {"C:\\site\\sub\\page.html", "<base href=\"../\"><a href=\"index.html\">up</a><img src=\"media/x.png\">"},
      {"C:\\site\\moved\\a-480.jpg", "J"}, {"C:\\site\\a-800.jpg", "J"}, {"C:\\site\\b.webp", "W"},
      {"C:\\site\\moved\\clip.mp4", "M"}, {"C:\\site\\moved\\poster.jpg", "J"}, {"C:\\site\\clip.webm", "W"},
      {"C:\\site\\subs.vtt", "V"}, {"C:\\site\\song.ogg", "O"}, {"C:\\site\\moved\\obj.svg", "S"},
      {"C:\\site\\media\\new\\x.png", "P"}},
     {"C:\\site\\index.html: a-480.jpg -> moved/a-480.jpg", "C:\\site\\index.html: a-480.jpg -> moved/a-480.jpg",
      "C:\\site\\index.html: clip.mp4 -> moved/clip.mp4", "C:\\site\\index.html: poster.jpg -> moved/poster.jpg",
      "C:\\site\\index.html: obj.svg -> moved/obj.svg", "C:\\site\\sub\\page.html: media/x.png -> media/new/x.png"},
     {}},
};

std::string AsUtf16(const std::string& text) {
    std::string wide = "\xFF\xFE";
    for (char16_t u : Utf8ToUtf16(text)) wide += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return wide;
}

TEST(SiteLinks, WorkingLinksStayAndMovedFilesAreFound) {
    for (bool utf16 : {false, true}) {
        for (const SiteCase& site : kSites) {
            SCOPED_TRACE(std::string(site.name) + (utf16 ? " (UTF-16)" : ""));
            testing_support::EngineParts<NullHost> e;
            MemoryFileSystem fs;
            for (const SiteFile& f : site.files) {
                e.files.Append(f.path);
                const bool scanned = ProcessableKind(f.path) != kNotProcessable;
                fs.AddFile(f.path, utf16 && scanned ? AsUtf16(f.text) : std::string(f.text));
            }
            SearchState state;
            EXPECT_EQ(RunSearch(e.ctx, fs, state), site.changes.empty() ? kSearchNoChanges : kSearchChanges);
            std::vector<std::string> changes;
            for (std::int32_t i = 0; i < e.links.linkCount(); ++i)
                changes.push_back(e.files.path(static_cast<std::int32_t>(e.links[i].linkFile)) + ": " +
                                  e.links[i].linkUrl + " -> " + e.links[i].linkReplacement);
            EXPECT_EQ(changes, site.changes);
            std::vector<const char*> orphans;
            for (std::int32_t row = 0; row < e.files.size(); ++row)
                if (!e.files.referenced(row)) orphans.push_back(site.files[static_cast<std::size_t>(row)].path);
            EXPECT_EQ(std::vector<std::string>(orphans.begin(), orphans.end()),
                      std::vector<std::string>(site.orphans.begin(), site.orphans.end()));
        }
    }
}

}  // namespace
}  // namespace corvane
