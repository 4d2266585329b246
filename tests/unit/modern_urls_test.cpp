// Deletions of the URLs of today's markup, from the scan to the new text: srcset lists stay valid,
// each kind is written by its own rule, nothing outside a URL's span changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apply/markup_rewriter.h"
#include "support/scan_fixture.h"

namespace corvane {
namespace {

using testing_support::ScanFixture;

struct DeletionCase {
    const char* page;  // pic.jpg and images/logo.gif exist; every other file is missing
    const char* after;
};

const DeletionCase kDeletions[] = {
    {"<img srcset=\"gone.jpg 1x, pic.jpg 2x\">", "<img srcset=\"pic.jpg 2x\">"},
    {"<img srcset=\"pic.jpg 1x, gone.jpg 2x\">", "<img srcset=\"pic.jpg 1x\">"},
    {"<img srcset=\"pic.jpg 1x, gone.jpg 2x,gone2.jpg 3x \">", "<img srcset=\"pic.jpg 1x \">"},
    {"<img srcset=\"gone.jpg 1x,pic.jpg 2x, gone3.jpg 3x\">", "<img srcset=\"pic.jpg 2x\">"},
    {"<img srcset=\"gone.jpg 1x, gone2.jpg\">", "<img srcset=\"\">"},
    {"<img srcset=gone.jpg alt=x>", "<img srcset=\"\" alt=x>"},
    {"<img srcset=\"logo.gif 1x, gone.jpg 2x, pic.jpg 3x\">", "<img srcset=\"images/logo.gif 1x, pic.jpg 3x\">"},
    {"<img srcset=\"data:image/png;base64,AA,BB 1x, gone.jpg 2x\">",
     "<img srcset=\"data:image/png;base64,AA,BB 1x\">"},
    {"<img srcset=\"pic.jpg,, gone.jpg,\">", "<img srcset=\"pic.jpg,\">"},
    {"<video src=gone.mp4 poster='gone.jpg'><source src=\"gone.webm\"><track src=gone.vtt>",
     "<video src=\"\" poster=''><source src=\"\"><track src=\"\">"},
    {"<form action=gone.cgi><button formaction=\"gone.cgi\"><html manifest=gone.appcache>",
     "<form action=#><button formaction=\"#\"><html manifest=#>"},
    {"<meta http-equiv=refresh content=\"0; url='gone.html'\">", "<meta http-equiv=refresh content=\"0; url='#'\">"},
    {"<q cite=gone.html><del cite=\"gone.html\">", "<q cite=gone.html><del cite=\"gone.html\">"},
    {"<a style=\"background:url(gone.png)\" href=pic.jpg>x</a>", "<a style=\"background:url()\" href=pic.jpg>x</a>"},
    {"<div data-background=gone.jpg><img data-src=\"gone.jpg\">", "<div data-background=\"\"><img data-src=\"\">"},
};

std::string Narrow(const std::vector<unsigned char>& bytes, bool utf16) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += utf16 ? 2 : 1) out.push_back(static_cast<char>(bytes[i]));
    return out;
}

TEST(ModernUrls, DeletionsKeepEveryKindValid) {
    for (bool utf16 : {false, true}) {
        for (const DeletionCase& c : kDeletions) {
            SCOPED_TRACE(std::string(c.page) + (utf16 ? " (UTF-16)" : ""));
            ScanFixture f;
            f.Page(c.page, utf16);
            ReviewOptions review;
            review.allowLinkDeletion = true;
            DeletionOptions deletion;
            RewriteContext context{f.links, f.files, review, deletion, f.search, f.processing, "C:\\site\\",
                                   Windows1252CodePage()};
            std::vector<unsigned char> out;
            RewriteFile(context, f.bytes.data(), f.Size(), 0, out);
            EXPECT_EQ(Narrow(out, utf16), c.after);
        }
    }
}

// Each URL's span is the URL alone where it shares its value with other text.
TEST(ModernUrls, SpansOfUrlsInsideValues) {
    using testing_support::At;
    const std::string srcset = "<img srcset=\"a.jpg 1x,b.jpg\">";
    const std::string refresh = "<meta http-equiv=refresh content=\"5; URL = 'n.htm' \">";
    const std::string style = "<p style=\"background:url('s.png')\"><style>@import \"i.css\";</style>";
    for (bool utf16 : {false, true}) {
        ScanFixture f;
        f.Page(srcset, utf16);
        EXPECT_EQ(f.Records(), (std::vector<testing_support::Rec>{f.R(0, "a.jpg", "", 0, At(srcset, "a.jpg"), 5, 0),
                                                                  f.R(0, "b.jpg", "", 0, At(srcset, "b.jpg"), 5, 0)}));
        ScanFixture g;
        g.Page(refresh, utf16);
        EXPECT_EQ(g.Records(), std::vector<testing_support::Rec>{g.R(0, "n.htm", "", 0, At(refresh, "n.htm"), 5, 0)});
        ScanFixture h;
        h.Page(style, utf16);
        EXPECT_EQ(h.Records(), (std::vector<testing_support::Rec>{h.R(0, "s.png", "", 0, At(style, "('s"), 9, 1),
                                                                  h.R(0, "i.css", "", -2, At(style, "\"i.css"), 7, 1)}));
    }
}

struct BaseCase {
    const char* page;  // C:\\site\\index.htm; C:\\site\\images\\logo.gif and C:\\site\\pic.jpg exist
    std::vector<std::string> changes;
};

const BaseCase kBases[] = {
    {"<base href=\"images/\"><img src=logo.gif><a href=../about.htm>", {}},
    {"<base href=\"images/\"><img src=pic.jpg>", {"pic.jpg -> ../pic.jpg"}},
    {"<base href=\"/images/index.html\"><img src=/pic.jpg><img src=logo.gif>", {}},
    {"<base href=\"http://www.site.org/images/\"><img src=logo.gif>", {}},  // the site's own address
    // another site's: its relative URLs are Internet URLs, checked (the fixture's check finds every one broken)
    {"<base href=\"http://ex.com/d/\"><img src=gone.gif>", {"gone.gif -> \"\""}},
    {"<base href=\"javascript:x\"><base href=images/><img src=logo.gif>", {"logo.gif -> images/logo.gif"}},
    {"<base target=_top><base href=images/><base href=x/><img src=logo.gif>", {}},
};

TEST(ModernUrls, BaseHrefIsWhereRelativeUrlsStart) {
    for (const BaseCase& c : kBases) {
        SCOPED_TRACE(c.page);
        ScanFixture f;
        f.search.searchBaseUrl = true;
        f.search.baseUrl = "http://www.site.org";
        f.Page(c.page);
        std::vector<std::string> changes;
        for (std::int32_t i = 0; i < f.links.linkCount(); ++i)
            changes.push_back(f.links[i].linkUrl + " -> " + f.links[i].linkReplacement);
        EXPECT_EQ(changes, c.changes);
        EXPECT_EQ(f.ctx.pageBase.kind, kBaseNone);  // never left for the next file
    }
}

}  // namespace
}  // namespace corvane
