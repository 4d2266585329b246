// Writes a large, deterministic test site (pages, style sheets, scripts, pictures) with a known set of broken links.
//
// Usage: generate-site OUTDIR --pages N [--page-bytes 8192] [--seed S] [--manifest PATH]
//
// Every page, style sheet and script draws its content from a generator seeded by (seed, file number), so the
// same arguments always give byte-identical files, and the planted links of a page do not depend on --page-bytes.
// The manifest lists every URL that a search with the default options and the Internet check off is expected to
// queue a change for, one per line: file (relative to OUTDIR, with /), a tab, the URL as written, a tab, its kind.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// splitmix64: tiny, fast and the same on every platform (the standard distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
    bool Percent(unsigned p) { return Below(100) < p; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

private:
    std::uint64_t state_;
};

// A generator of its own for every file: (seed, stream, number) -> independent sequences.
Rng StreamFor(std::uint64_t seed, std::uint64_t stream, std::uint64_t number) {
    Rng mix(seed ^ (stream * 0xD1B54A32D192ED03ull));
    for (std::uint64_t i = 0; i < 2; ++i) mix.Next();
    return Rng(mix.Next() ^ (number * 0x9E3779B97F4A7C15ull));
}

std::string Num(std::size_t value, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*zu", width, value);
    return buf;
}

std::vector<std::string> SplitSlash(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// The URL of `target` (a file path relative to the site root) as written in a file of the folder `fromFolder`.
std::string Relative(const std::string& fromFolder, const std::string& target) {
    const std::vector<std::string> from = SplitSlash(fromFolder);
    const std::vector<std::string> to = SplitSlash(target);
    std::size_t common = 0;
    while (common < from.size() && common + 1 < to.size() && from[common] == to[common]) ++common;
    std::string out;
    for (std::size_t i = common; i < from.size(); ++i) out += "../";
    for (std::size_t i = common; i < to.size(); ++i) {
        out += to[i];
        if (i + 1 < to.size()) out += '/';
    }
    return out;
}

std::string EscapeSpaces(const std::string& url) {
    std::string out;
    for (char c : url) {
        if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    return out;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

const char* const kWords[] = {
    "kayak",   "paddle",  "harbour", "tide",     "river",   "club",     "member",  "season", "boat",
    "trip",    "weekend", "coast",   "lesson",   "safety",  "water",    "island",  "bay",    "current",
    "spray",   "deck",    "hull",    "rudder",   "launch",  "beach",    "storm",   "calm",   "evening",
    "morning", "course",  "race",    "training", "weather", "map",      "route",   "camp",   "lake",
    "the",     "a",       "and",     "with",     "for",     "our",      "every",   "from",   "near",
    "to",      "of",      "in",      "we",       "will",    "meet",     "at",      "after",  "before",
};

const char* const kTitles[] = {"Club news",    "Trip report", "Course notes", "Safety first", "Boat care",
                               "Tide tables",  "Race results", "Photo album", "Member pages", "Equipment"};

// Internet addresses that no file of the site is named after: a search with the Internet check off finds no
// replacement for them.
const char* const kExternal[] = {
    "http://www.harbourclub.example/contact.asp",  "http://booking.harbourclub.example/slot.asp?day=",
    "http://weather.example.net/coast/forecast.php", "http://www.paddlers.example.org/events/",
    "http://maps.example.com/route.cgi?id=",        "http://www.tidetables.example/today.asp",
};

struct Planted {
    std::string file;
    std::string url;
    std::string kind;
};

struct Site {
    std::uint64_t seed = 1;
    std::size_t pageCount = 0;
    std::size_t pageBytes = 8192;

    std::vector<std::string> pages;      // paths relative to the root, index.htm first
    std::vector<bool> spaced;            // page name holds a space
    std::vector<bool> saved;             // page carries a "saved from url" comment
    std::vector<std::string> pictures;   // images/secNN/picNNNNN.gif
    std::vector<std::string> backgrounds;
    std::vector<std::string> styles;
    std::vector<std::string> scripts;
    std::vector<std::size_t> spacedPages;
    std::vector<std::size_t> savedPages;
    std::vector<std::size_t> plainPages;  // neither spaced nor the index

    std::vector<Planted> planted;
    std::uint64_t bytesWritten = 0;
};

std::string SavedAddress(std::size_t page) {
    return "http://www.harbourclub.example/archive/p" + Num(page, 5) + ".htm";
}

void Layout(Site& site) {
    const std::size_t n = site.pageCount;
    const std::size_t inner = n - 1;  // pages besides index.htm
    const std::size_t leaves = inner == 0 ? 1 : (inner + 39) / 40;
    std::size_t sections = 1;
    while (sections * sections < leaves) ++sections;

    // Leaf folders two or three levels down: secAA/topBB and, under every third topic, secAA/topBB/archive.
    std::vector<std::string> folders;
    for (std::size_t b = 0; folders.size() < leaves; ++b)
        for (std::size_t a = 0; a < sections && folders.size() < leaves; ++a) {
            const std::string topic = "sec" + Num(a, 2) + "/top" + Num(b, 2);
            folders.push_back(topic);
            if (b % 3 == 1 && folders.size() < leaves) folders.push_back(topic + "/archive");
        }

    site.pages.push_back("index.htm");
    site.spaced.push_back(false);
    site.saved.push_back(false);
    for (std::size_t k = 1; k < n; ++k) {
        const std::string& folder = folders[(k - 1) * folders.size() / inner];
        const bool spaced = k % 97 == 13;
        const bool saved = !spaced && k % 89 == 5;
        site.pages.push_back(folder + "/" + (spaced ? "news p" : "p") + Num(k, 5) + ".htm");
        site.spaced.push_back(spaced);
        site.saved.push_back(saved);
        if (spaced)
            site.spacedPages.push_back(k);
        else
            site.plainPages.push_back(k);
        if (saved) site.savedPages.push_back(k);
    }

    const std::size_t pictures = n / 4 < 8 ? 8 : n / 4;
    for (std::size_t i = 0; i < pictures; ++i)
        site.pictures.push_back("images/sec" + Num(i % sections, 2) + "/pic" + Num(i, 5) + ".gif");
    for (std::size_t i = 0; i < 8; ++i) site.backgrounds.push_back("images/bg/bg" + Num(i, 2) + ".gif");
    const std::size_t sheets = n / 250 < 2 ? 2 : n / 250;
    for (std::size_t i = 0; i < sheets; ++i) site.styles.push_back("style/site" + Num(i, 2) + ".css");
    for (std::size_t i = 0; i < sheets; ++i) site.scripts.push_back("script/menu" + Num(i, 2) + ".js");
}

// A 43-byte 1x1 GIF whose single colour depends on the picture's number.
std::string TinyGif(std::size_t number) {
    const unsigned char r = static_cast<unsigned char>(number * 37), g = static_cast<unsigned char>(number * 91),
                        b = static_cast<unsigned char>(number * 13);
    const unsigned char bytes[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, r, g, b, 0xFF, 0xFF, 0xFF,
                                   0x21, 0xF9, 4, 1, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0,
                                   0x3B};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

class PageBuilder {
public:
    PageBuilder(Site& site, std::size_t k)
        : site_(site), k_(k), path_(site.pages[k]), folder_(FolderOf(path_)),
          rng_(StreamFor(site.seed, 1, k)), plant_(StreamFor(site.seed, 2, k)) {}

    std::string Build() {
        Head();
        BodyStart();
        PlantedParagraph();
        while (out_.size() + 420 < site_.pageBytes) Block();
        Footer();
        return out_;
    }

private:
    void Line(const std::string& s) { out_ += s + "\r\n"; }
    std::string To(const std::string& target) const { return EscapeSpaces(Relative(folder_, target)); }
    std::string RandomPage() {
        if (site_.pageCount == 1) return site_.pages[0];
        std::size_t other = 1 + rng_.Below(site_.pageCount - 1);
        if (other == k_) other = 0;
        return site_.pages[other];
    }
    void Plant(const std::string& url, const char* kind) { site_.planted.push_back({path_, url, kind}); }

    std::string Words(std::size_t count) {
        std::string s;
        for (std::size_t i = 0; i < count; ++i) {
            if (i) s += ' ';
            s += rng_.Pick(kWords);
        }
        return s;
    }
    std::string External() {
        std::string url = rng_.Pick(kExternal);
        if (url.back() == '=') url += std::to_string(rng_.Below(1000));
        return url;
    }

    void Head() {
        if (site_.saved[k_]) {
            const std::string address = SavedAddress(k_);
            Line("<!-- saved from url=(" + Num(address.size(), 4) + ")" + address + " -->");
        }
        Line("<html>");
        Line("<head>");
        Line("<title>Harbour Kayak Club - " + std::string(rng_.Pick(kTitles)) + " " + std::to_string(k_) + "</title>");
        Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">");
        Line("<link rel=\"stylesheet\" type=\"text/css\" href=\"" + To(site_.styles[k_ % site_.styles.size()]) + "\">");
        Line("<script type=\"text/javascript\" src=\"" + To(site_.scripts[k_ % site_.scripts.size()]) +
             "\"></script>");
        Line("<style type=\"text/css\">");
        Line("body { margin: 0; background: #fff url(" + To(site_.backgrounds[rng_.Below(8)]) + ") repeat-x; }");
        Line(".note { color: #336; font-size: 90%; }");
        Line("</style>");
        // Script text: the first address is a link, the ones in comments are not.
        const std::string home = External(), booking = "http://booking.harbourclub.example/slot.asp?day=";
        Line("<script type=\"text/javascript\">");
        Line("<!--");
        Line("var homePage = \"" + home + "\";   // old host: http://old.harbourclub.example/");
        Line("function book(n) { window.location = \"" + booking + "\" + n; }");
        Line("/* counter switched off: http://counter.example.net/count.cgi */");
        Line("//-->");
        Line("</script>");
        Line("</head>");
        site_.planted.push_back({path_, home, "external"});
        site_.planted.push_back({path_, booking, "external"});
    }

    void BodyStart() {
        Line("<body background=\"" + To(site_.backgrounds[rng_.Below(8)]) + "\" onload=\"init()\">");
        Line("<table width=\"100%\" border=\"0\" cellpadding=\"4\" cellspacing=\"0\">");
        Line("<tr><td width=\"120\" background=\"" + To(site_.backgrounds[rng_.Below(8)]) + "\"><a href=\"" +
             To("index.htm") + "\"><img src=\"" + To(site_.pictures[rng_.Below(site_.pictures.size())]) +
             "\" width=\"1\" height=\"1\" border=\"0\" alt=\"Home\"></a></td>");
        out_ += "<td><div class=\"nav\">";
        for (int i = 0; i < 4; ++i)
            out_ += "<a href=\"" + To(RandomPage()) + "\">" + Words(1) + "</a> | ";
        const std::string status = External();
        out_ += "<a href=\"#top\" onmouseover=\"window.status='" + status + "';return true\">Top</a>";
        Line("</div></td></tr>");
        Line("</table>");
        site_.planted.push_back({path_, status, "external"});
        Line("<div class=\"content\">");
        Line("<h1>" + std::string(rng_.Pick(kTitles)) + "</h1>");
    }

    // The broken links of this page; drawn from a stream of their own so that they do not depend on the size.
    void PlantedParagraph() {
        std::string p = "<p class=\"note\">" + Words(6);
        if (plant_.Percent(6)) {
            const std::string& pic = site_.pictures[plant_.Below(site_.pictures.size())];
            const std::string url = To("img/" + pic.substr(pic.rfind('/') + 1));
            p += " <img src=\"" + url + "\" alt=\"moved picture\">";
            Plant(url, "moved");
        }
        if (plant_.Percent(4) && !site_.plainPages.empty()) {
            const std::string& page = site_.pages[site_.plainPages[plant_.Below(site_.plainPages.size())]];
            const std::string url = To("old/" + page.substr(page.rfind('/') + 1));
            p += " <a href=\"" + url + "\">moved page</a>";
            Plant(url, "moved");
        }
        if (plant_.Percent(4)) {
            const std::string url = To("old/removed" + Num(k_, 5) + ".htm");
            p += " <a href=\"" + url + "\">removed page</a>";
            Plant(url, "missing");
        }
        if (plant_.Percent(3)) {
            const std::string url = To(FolderOf(site_.pictures[plant_.Below(site_.pictures.size())]) + "/lost" +
                                       Num(k_, 5) + ".gif");
            p += " <img src=\"" + url + "\" alt=\"lost picture\">";
            Plant(url, "missing");
        }
        if (plant_.Percent(3) && !site_.spacedPages.empty()) {
            const std::size_t target = site_.spacedPages[plant_.Below(site_.spacedPages.size())];
            const std::string url = Relative(folder_, site_.pages[target]);
            p += " <a href=\"" + url + "\">news</a>";
            Plant(url, "space");
        }
        if (plant_.Percent(3)) {
            const std::string url = "www.partner" + Num(plant_.Below(50), 2) + ".example/rentals/";
            p += " <a href=\"" + url + "\">partner</a>";
            Plant(url, "www");
        }
        if (plant_.Percent(3) && !site_.savedPages.empty()) {
            const std::size_t target = site_.savedPages[plant_.Below(site_.savedPages.size())];
            const std::string url = SavedAddress(target);
            p += " <a href=\"" + url + "\">archived copy</a>";
            Plant(url, "saved-from");
        }
        Line(p + ".</p>");
    }

    void Paragraph() {
        std::string p = "<p>";
        const std::size_t sentences = 2 + rng_.Below(3);
        for (std::size_t s = 0; s < sentences; ++s) {
            p += Words(5 + rng_.Below(8));
            if (rng_.Percent(40)) {
                const std::size_t target = 1 + rng_.Below(site_.pageCount > 1 ? site_.pageCount - 1 : 1);
                p += " <a href=\"" + To(site_.pages[target % site_.pageCount]) + "\">" + Words(2) + "</a>";
            }
            if (rng_.Percent(10)) p += " (see http://www.harbourclub.example/ for more)";
            p += ". ";
        }
        Line(p + "</p>");
    }

    // A table inside a cell of another, as the page builders of the time wrote them.
    void NestedTable() {
        Line("<table border=\"0\" cellpadding=\"2\" background=\"" + To(site_.backgrounds[rng_.Below(8)]) + "\">");
        Line("<tr><td background=\"" + To(site_.backgrounds[rng_.Below(8)]) + "\">");
        Line("<table border=\"1\" cellspacing=\"0\">");
        const std::size_t rows = 1 + rng_.Below(3);
        for (std::size_t r = 0; r < rows; ++r) {
            Line("<tr>");
            Line("<td background=\"" + To(site_.backgrounds[rng_.Below(8)]) + "\"><img src=\"" +
                 To(site_.pictures[rng_.Below(site_.pictures.size())]) + "\" width=\"1\" height=\"1\" alt=\"" +
                 Words(1) + "\"></td>");
            Line("<td><div class=\"cell\"><a href=\"" + To(RandomPage()) + "\">" + Words(3) + "</a><br>" + Words(6) +
                 "</div></td>");
            Line("</tr>");
        }
        Line("</table>");
        Line("</td></tr></table>");
    }

    void LinkList() {
        Line("<div class=\"list\"><ul>");
        const std::size_t items = 2 + rng_.Below(4);
        for (std::size_t i = 0; i < items; ++i) {
            if (site_.spacedPages.empty() || !rng_.Percent(15))
                Line("<li><a href=\"" + To(RandomPage()) + "\">" + Words(3) + "</a></li>");
            else  // a page with a space in its name, linked the right way
                Line("<li><a href=\"" + To(site_.pages[site_.spacedPages[rng_.Below(site_.spacedPages.size())]]) +
                     "#latest\">" + Words(2) + "</a></li>");
        }
        Line("</ul></div>");
    }

    void Figure() {
        Line("<div class=\"figure\"><a href=\"javascript:book(" + std::to_string(rng_.Below(50)) + ")\"><img src=\"" +
             To(site_.pictures[rng_.Below(site_.pictures.size())]) + "\" alt=\"" + Words(2) + "\"></a>");
        const std::string url = External();
        Line("<br><a href=\"#\" onclick=\"location='" + url + "'; return false\">" + Words(2) + "</a></div>");
        site_.planted.push_back({path_, url, "external"});
    }

    void Block() {
        const std::size_t r = rng_.Below(100);
        if (r < 55)
            Paragraph();
        else if (r < 72)
            NestedTable();
        else if (r < 90)
            LinkList();
        else
            Figure();
    }

    void Footer() {
        Line("</div>");
        const std::string url = External();
        Line("<p class=\"foot\"><a href=\"" + url + "\">Our main site</a> | <a href=\"mailto:info@harbourclub.example\">"
             "Write to us</a> | <a href=\"" + To("index.htm") + "#top\">Home</a></p>");
        Line("<form action=\"http://search.example.net/find.asp\"><input type=\"text\" name=\"q\"> "
             "<input type=\"image\" src=\"" + To("images/icons/go.gif") + "\" alt=\"Search\"></form>");
        Line("</body>");
        Line("</html>");
        site_.planted.push_back({path_, url, "external"});
    }

    Site& site_;
    std::size_t k_;
    std::string path_, folder_;
    Rng rng_, plant_;
    std::string out_;
};

std::string StyleSheet(Site& site, std::size_t i) {
    Rng rng = StreamFor(site.seed, 3, i);
    const std::string& path = site.styles[i];
    const std::string folder = FolderOf(path);
    std::string s = "/* Harbour Kayak Club - style sheet " + std::to_string(i) + " */\r\n";
    s += "body { font-family: Verdana, Arial, sans-serif; background: #fff url(" +
         Relative(folder, site.backgrounds[rng.Below(8)]) + ") repeat-x; }\r\n";
    s += ".nav td { background-image: url(" + Relative(folder, site.backgrounds[rng.Below(8)]) + "); }\r\n";
    s += "h1 { color: #036; font-size: 140%; }\r\n";
    s += ".figure { float: right; margin: 4px; border: 1px solid #ccc; }\r\n";
    s += "ul li { list-style-image: url(" + Relative(folder, "images/icons/bullet.gif") + "); }\r\n";
    if (rng.Percent(30)) {
        const std::string url = Relative(folder, "pics/" + site.backgrounds[rng.Below(8)].substr(10));
        s += ".banner { background: url(" + url + ") no-repeat; }\r\n";
        site.planted.push_back({path, url, "moved"});
    }
    if (rng.Percent(30)) {
        const std::string url = Relative(folder, "images/bg/shade" + Num(i, 2) + ".gif");
        s += ".shadow { background: url(" + url + "); }\r\n";
        site.planted.push_back({path, url, "missing"});
    }
    return s;
}

std::string Script(Site& site, std::size_t i) {
    Rng rng = StreamFor(site.seed, 4, i);
    const std::string& path = site.scripts[i];
    std::string url = kExternal[rng.Below(sizeof kExternal / sizeof kExternal[0])];
    if (url.back() == '=') url += std::to_string(i);
    std::string s = "// Harbour Kayak Club - menu script " + std::to_string(i) + "\r\n";
    s += "var menuHome = \"" + url + "\";\r\n";
    s += "// mirror: http://mirror.harbourclub.example/\r\n";
    s += "function init() {\r\n  var m = document.getElementById('menu');\r\n  if (m) m.className = 'ready';\r\n}\r\n";
    s += "function openMenu(id) {\r\n  var e = document.getElementById(id);\r\n"
         "  if (e) e.style.display = (e.style.display == 'none') ? 'block' : 'none';\r\n}\r\n";
    s += "/* old menu: http://old.harbourclub.example/menu.asp */\r\n";
    site.planted.push_back({path, url, "external"});
    return s;
}

bool WriteFile(Site& site, const fs::path& root, const std::string& rel, const std::string& data) {
    const fs::path full = root / fs::path(rel);
    std::error_code ec;
    fs::create_directories(full.parent_path(), ec);
    if (ec) {
        std::cerr << "generate-site: cannot create " << full.parent_path().string() << ": " << ec.message() << "\n";
        return false;
    }
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
        std::cerr << "generate-site: cannot write " << full.string() << "\n";
        return false;
    }
    site.bytesWritten += data.size();
    return true;
}

bool WriteManifest(const Site& site, const fs::path& path) {
    std::map<std::string, std::size_t> counts;
    for (const Planted& p : site.planted) ++counts[p.kind];
    std::string m;
    m += "# Links of a generated site that a search queues a change for (default options, Internet check off).\n";
    m += "# seed " + std::to_string(site.seed) + ", pages " + std::to_string(site.pageCount) + ", page-bytes " +
         std::to_string(site.pageBytes) + "\n";
    m += "# kinds: moved = the file exists under another folder (replaced by it); missing = no such file anywhere\n";
    m += "#   (deleted); space = a space in the URL of an existing file (canonicalised); www = no protocol name\n";
    m += "#   (http:// added, second pass); saved-from = the address of a page saved from the Internet (replaced by\n";
    m += "#   the page); external = an Internet URL that no file is named after (deleted when not checked on line).\n";
    m += "# file\turl\tkind\n";
    for (const auto& c : counts) m += "# count " + c.first + " " + std::to_string(c.second) + "\n";
    m += "# count total " + std::to_string(site.planted.size()) + "\n";
    for (const Planted& p : site.planted) m += p.file + "\t" + p.url + "\t" + p.kind + "\n";

    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(m.data(), static_cast<std::streamsize>(m.size()));
    out.close();
    if (!out) {
        std::cerr << "generate-site: cannot write the manifest " << path.string() << "\n";
        return false;
    }
    return true;
}

int Usage(const char* problem) {
    if (problem) std::cerr << "generate-site: " << problem << "\n";
    (problem ? std::cerr : std::cout)
        << "usage: generate-site OUTDIR --pages N [--page-bytes 8192] [--seed S] [--manifest PATH]\n"
           "Writes N pages with style sheets, scripts and pictures into OUTDIR (which must be new or empty)\n"
           "and lists the planted broken links in OUTDIR/../NAME.planted.txt (or PATH).\n";
    return problem ? 2 : 0;
}

bool ParseCount(const char* text, std::uint64_t& out) {
    if (!text || !*text || *text == '-') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir, manifest;
    std::uint64_t pages = 0, pageBytes = 8192, seed = 1;
    bool havePages = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--help" || a == "-h") return Usage(nullptr);
        if (a == "--pages") {
            if (!ParseCount(value, pages)) return Usage("--pages needs a whole number");
            havePages = true;
            ++i;
        } else if (a == "--page-bytes") {
            if (!ParseCount(value, pageBytes)) return Usage("--page-bytes needs a whole number");
            ++i;
        } else if (a == "--seed") {
            if (!ParseCount(value, seed)) return Usage("--seed needs a whole number");
            ++i;
        } else if (a == "--manifest") {
            if (!value || !*value) return Usage("--manifest needs a path");
            manifest = value;
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else if (outDir.empty()) {
            outDir = a;
        } else {
            return Usage("only one OUTDIR may be given");
        }
    }
    if (outDir.empty()) return Usage("OUTDIR is missing");
    if (!havePages) return Usage("--pages is missing");
    if (pages < 1 || pages > 1000000) return Usage("--pages must be between 1 and 1000000");
    if (pageBytes > (64u << 20)) return Usage("--page-bytes must be at most 64 MiB");

    std::error_code ec;
    const fs::path root = fs::absolute(fs::path(outDir), ec).lexically_normal();
    if (ec || (root.filename().empty() && root.parent_path() == root)) return Usage("OUTDIR cannot be used");
    // A trailing slash leaves an empty last element; the site's name is the folder's own name.
    const fs::path rootDir = root.filename().empty() ? root.parent_path() : root;
    if (fs::exists(rootDir, ec)) {
        if (!fs::is_directory(rootDir, ec)) return Usage("OUTDIR exists and is not a folder");
        if (!fs::is_empty(rootDir, ec)) return Usage("OUTDIR is not empty; give a new or empty folder");
    }
    const fs::path manifestPath =
        manifest.empty() ? rootDir.parent_path() / (rootDir.filename().string() + ".planted.txt") : fs::path(manifest);

    Site site;
    site.seed = seed;
    site.pageCount = static_cast<std::size_t>(pages);
    site.pageBytes = static_cast<std::size_t>(pageBytes);
    Layout(site);

    for (std::size_t k = 0; k < site.pageCount; ++k)
        if (!WriteFile(site, rootDir, site.pages[k], PageBuilder(site, k).Build())) return 1;
    for (std::size_t i = 0; i < site.styles.size(); ++i)
        if (!WriteFile(site, rootDir, site.styles[i], StyleSheet(site, i))) return 1;
    for (std::size_t i = 0; i < site.scripts.size(); ++i)
        if (!WriteFile(site, rootDir, site.scripts[i], Script(site, i))) return 1;
    std::size_t gifs = 0;
    for (const auto* list : {&site.pictures, &site.backgrounds})
        for (const std::string& p : *list)
            if (!WriteFile(site, rootDir, p, TinyGif(gifs++))) return 1;
    for (const char* icon : {"images/icons/go.gif", "images/icons/bullet.gif"})
        if (!WriteFile(site, rootDir, icon, TinyGif(gifs++))) return 1;
    if (!WriteManifest(site, manifestPath)) return 1;

    const std::size_t files = site.pageCount + site.styles.size() + site.scripts.size() + gifs;
    std::cout << "generate-site: " << site.pageCount << " pages, " << site.styles.size() << " style sheets, "
              << site.scripts.size() << " scripts, " << gifs << " pictures (" << files << " files, "
              << site.bytesWritten << " bytes) in " << rootDir.string() << "\n"
              << "generate-site: " << site.planted.size() << " links listed in " << manifestPath.string() << "\n";
    if (files > 131072)
        std::cerr << "generate-site: note: " << files << " files is more than one search takes (131072)\n";
    return 0;
}
