// Whole searches of small sites laid out as real manuals are: working links stay as they are, and
// the links of a reorganised site are sent to the files that were moved.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/search_driver.h"
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
};

std::string AsUtf16(const std::string& text) {
    std::string wide = "\xFF\xFE";
    for (char c : text) wide += std::string{c, '\0'};
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
