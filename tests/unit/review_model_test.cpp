// The review model: row grouping and labels, hide boxes, orphans, sorting, edits and typed replacements.
#include "apply/review_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "engine/url_text.h"

namespace corvane {
namespace {

void Add(LinkTable& t, const std::string& url, const std::string& repl, std::int32_t tagPos = 0,
         std::int32_t valuePos = 5) {
    LinkRecord& r = t.Pending();
    r.linkUrl = url;
    r.linkReplacement = repl;
    r.linkFile = 0;
    r.linkTagPos = tagPos;
    r.linkValuePos = valuePos;
    r.linkValueLen = 4;
    r.linkQuoteLen = 1;
    ASSERT_TRUE(t.Commit());
}

// Answers ESC from the given pump on (0: never); counts pumps and keeps the status texts.
class ScriptedHost : public NullHost {
public:
    explicit ScriptedHost(int stopAt = 0) : stopAt_(stopAt) {}
    int PumpMessages() override {
        ++pumps;
        return stopAt_ > 0 && pumps >= stopAt_ ? kPollStop : kPollNothing;
    }
    void SetStatusText(const std::string& text) override { statuses.push_back(text); }
    int pumps = 0;
    std::vector<std::string> statuses;

private:
    int stopAt_;
};

ReviewOptions Allowing() {
    ReviewOptions o;
    o.allowLinkDeletion = true;
    return o;
}

std::vector<std::string> Texts(const ReviewList& list) {
    std::vector<std::string> out;
    for (const ReviewRow& r : list.rows) out.push_back(r.text);
    return out;
}

std::vector<std::string> Urls(const LinkTable& t) {
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < t.linkCount(); ++i) out.push_back(t[i].linkUrl);
    return out;
}

// ---- Labels -------------------------------------------------------------------------------

struct LabelCase {
    const char* url;
    const char* replacement;
    std::int32_t tagPos;
    std::int32_t valuePos;
    const char* row;
};

class ReviewLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(ReviewLabel, OneRecordRowShowsItsAction) {
    const LabelCase& c = GetParam();
    LinkTable t;
    Add(t, c.url, c.replacement, c.tagPos, c.valuePos);
    FileList files;
    ScriptedHost host;
    ReviewList list = RefreshReviewList(t, files, Allowing(), host);
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0].text, c.row);
    EXPECT_EQ(list.rows[0].item, 0);
    EXPECT_EQ(t[0].linkListRow, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReviewLabel,
    ::testing::Values(
        LabelCase{"img/logo.gif", "images/logo.gif", 0, 5, "REPLACE (1): \"img/logo.gif\" --> \"images/logo.gif\""},
        LabelCase{"a.htm", "", 0, 5, "DELETE (1): \"a.htm\""},
        LabelCase{"a.htm", "\"\"", 0, 5, "DELETE (1): \"a.htm\""},
        LabelCase{"a.htm", "|||file:///C|/site/b.htm", 0, 5,
                  "REPLACE (relative, 1): \"a.htm\" --> \"file:///C|/site/b.htm\""},
        LabelCase{"a.htm", "|||\"file:///C|/b c.htm\"", 0, 5,
                  "REPLACE (relative, 1): \"a.htm\" --> \"file:///C|/b c.htm\""},
        LabelCase{"a.htm", "|||", 0, 5, "REPLACE (relative, 1): \"a.htm\" --> \"\""},
        LabelCase{"a.htm", "|||a.htm", 0, 5, "REPLACE (copy old, 1): \"a.htm\""},
        LabelCase{"a.htm", "\"a.htm\"", 0, 5, "REPLACE (copy old, 1): \"a.htm\""},
        LabelCase{"a.htm", "A.HTM", 0, 5, "REPLACE (1): \"a.htm\" --> \"A.HTM\""},
        LabelCase{"a.htm", "\"b c.htm\"", 0, 5, "REPLACE (1): \"a.htm\" --> \"b c.htm\""},
        LabelCase{"a.htm", "ab", 0, 5, "REPLACE (1): \"a.htm\" --> \"ab\""},
        LabelCase{"x.htm", ":::_blank", 10, 10, "TARGET (add, 1): \"x.htm\" --> \"_blank\""},
        LabelCase{"x.htm", ":::_blank", 10, 30, "TARGET (modify, 1): \"x.htm\" --> \"_blank\""},
        LabelCase{"x.htm", ":::\"_top\"", 10, 30, "TARGET (modify, 1): \"x.htm\" --> \"_top\""},
        LabelCase{"x.htm", ":::", 10, 10, "TARGET (add, 1): \"x.htm\" --> \"\""}));

// ---- Grouping -----------------------------------------------------------------------------

TEST(ReviewGrouping, SameUrlAndReplacementIgnoringCaseShareTheFirstRecordsRow) {
    LinkTable t;
    Add(t, "Img/Logo.gif", "images/logo.gif");
    Add(t, "b.htm", "c.htm");
    Add(t, "img/logo.GIF", "IMAGES/LOGO.GIF");
    Add(t, "img/logo.gif", "images/other.gif");
    Add(t, "IMG/LOGO.GIF", "images/logo.gif");
    FileList files;
    ScriptedHost host;
    ReviewList list = RefreshReviewList(t, files, Allowing(), host);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{
                               "REPLACE (3): \"Img/Logo.gif\" --> \"images/logo.gif\"",
                               "REPLACE (1): \"b.htm\" --> \"c.htm\"",
                               "REPLACE (1): \"img/logo.gif\" --> \"images/other.gif\"",
                           }));
    EXPECT_EQ(list.rows[2].item, 2);
    std::vector<std::int32_t> rows;
    for (std::int32_t i = 0; i < t.linkCount(); ++i) rows.push_back(t[i].linkListRow);
    EXPECT_EQ(rows, (std::vector<std::int32_t>{0, 1, 0, 2, 0}));
    EXPECT_EQ(list.linkRows, 3);
    EXPECT_EQ(list.status, "URL's in the list: 3");
    EXPECT_EQ(host.statuses.front(), "Updating the list...");
    EXPECT_EQ(host.statuses.back(), "URL's in the list: 3");
}

TEST(ReviewGrouping, MarkerAndQuotesTakePartInTheGroupingAsMarkedText) {
    LinkTable t;
    Add(t, "a.htm", "|||file:///C|/b.htm");
    Add(t, "a.htm", "file:///C|/b.htm");
    Add(t, "a.htm", "|||\"file:///c|/B.htm\"");  // quoted: same marked text
    FileList files;
    ScriptedHost host;
    ReviewList list = RefreshReviewList(t, files, Allowing(), host);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].text, "REPLACE (relative, 2): \"a.htm\" --> \"file:///C|/b.htm\"");
    EXPECT_EQ(t[2].linkListRow, 0);
    EXPECT_EQ(t[1].linkListRow, 1);
}

TEST(ReviewGrouping, StaleRowNumbersAreReassigned) {
    LinkTable t;
    Add(t, "a.htm", "");
    Add(t, "b.htm", "c.htm");
    t[0].linkListRow = 7;
    t[1].linkListRow = 9;
    FileList files;
    ScriptedHost host;
    ReviewOptions o;  // deletion not allowed: the DELETE record is hidden
    RefreshReviewList(t, files, o, host);
    EXPECT_EQ(t[0].linkListRow, -1);
    EXPECT_EQ(t[1].linkListRow, 0);
}

TEST(ReviewGrouping, ProhibitionLineComesFirstAndHidesDeletionsWhateverTheBox) {
    LinkTable t;
    Add(t, "a.htm", "");
    Add(t, "b.htm", "\"\"");
    Add(t, "c.htm", "d.htm");
    FileList files;
    ScriptedHost host;
    ReviewOptions o;
    o.allowLinkDeletion = false;
    o.hideDelete = false;
    ReviewList list = RefreshReviewList(t, files, o, host);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].text, ">> Link deletion is prohibited. The \"DELETE\" items are hidden.");
    EXPECT_EQ(list.rows[0].item, -1);
    EXPECT_EQ(list.rows[1].text, "REPLACE (1): \"c.htm\" --> \"d.htm\"");
    EXPECT_EQ(list.rows[1].item, 0);
    EXPECT_EQ(t[0].linkListRow, -1);
    EXPECT_EQ(t[1].linkListRow, -1);
    EXPECT_EQ(list.status, "URL's in the list: 1");
}

struct HideCase {
    bool hideDelete, hideReplace, hideTarget;
    std::vector<std::string> rows;
};

class ReviewHide : public ::testing::TestWithParam<HideCase> {};

TEST_P(ReviewHide, BoxesHideTheirKinds) {
    const HideCase& c = GetParam();
    LinkTable t;
    Add(t, "del.htm", "");
    Add(t, "rep.htm", "new.htm");
    Add(t, "tgt.htm", ":::_blank", 3, 3);
    Add(t, "old.htm", "old.htm");
    Add(t, "rel.htm", "|||file:///C|/x.htm");
    FileList files;
    ScriptedHost host;
    ReviewOptions o = Allowing();
    o.hideDelete = c.hideDelete;
    o.hideReplace = c.hideReplace;
    o.hideTarget = c.hideTarget;
    ReviewList list = RefreshReviewList(t, files, o, host);
    EXPECT_EQ(Texts(list), c.rows);
    for (std::size_t r = 0; r < list.rows.size(); ++r) EXPECT_EQ(list.rows[r].item, static_cast<std::int32_t>(r));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, ReviewHide,
    ::testing::Values(
        HideCase{false, false, false,
                 {"DELETE (1): \"del.htm\"", "REPLACE (1): \"rep.htm\" --> \"new.htm\"",
                  "TARGET (add, 1): \"tgt.htm\" --> \"_blank\"", "REPLACE (copy old, 1): \"old.htm\"",
                  "REPLACE (relative, 1): \"rel.htm\" --> \"file:///C|/x.htm\""}},
        HideCase{true, false, false,
                 {"REPLACE (1): \"rep.htm\" --> \"new.htm\"", "TARGET (add, 1): \"tgt.htm\" --> \"_blank\"",
                  "REPLACE (copy old, 1): \"old.htm\"", "REPLACE (relative, 1): \"rel.htm\" --> \"file:///C|/x.htm\""}},
        // REPLACE hides every row with a replacement: TARGET and copy-old rows too.
        HideCase{false, true, false, {"DELETE (1): \"del.htm\""}},
        // TARGET hides only TARGET rows.
        HideCase{false, false, true,
                 {"DELETE (1): \"del.htm\"", "REPLACE (1): \"rep.htm\" --> \"new.htm\"",
                  "REPLACE (copy old, 1): \"old.htm\"", "REPLACE (relative, 1): \"rel.htm\" --> \"file:///C|/x.htm\""}},
        HideCase{true, true, true, {}}));

TEST(ReviewOrphans, UnreferencedFilesFollowTheLinkRowsAndAreNotCounted) {
    LinkTable t;
    Add(t, "a.htm", "b.htm");
    FileList files;
    files.Append("C:\\site\\index.htm");
    files.Append("C:\\site\\unused.gif");
    files.Append("C:\\site\\b.htm");
    files.Append("C:\\site\\old.css");
    files.SetReferenced(0);
    files.SetReferenced(2);
    ScriptedHost host;
    ReviewList list = RefreshReviewList(t, files, Allowing(), host);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"REPLACE (1): \"a.htm\" --> \"b.htm\"",
                                                     "ORPHAN: \"C:\\site\\unused.gif\"",
                                                     "ORPHAN: \"C:\\site\\old.css\""}));
    EXPECT_EQ(list.rows[1].item, -1);
    EXPECT_EQ(list.rows[2].item, -1);
    EXPECT_EQ(list.status, "URL's in the list: 1");

    ReviewOptions hide = Allowing();
    hide.hideOrphan = true;
    EXPECT_EQ(RefreshReviewList(t, files, hide, host).rows.size(), 1u);
}

TEST(ReviewOrphans, OnlyOrphansCountZeroButEnableEditingUntilASelectionSaysOtherwise) {
    LinkTable t;
    FileList files;
    files.Append("C:\\site\\lonely.htm");
    ScriptedHost host;
    ReviewList list = RefreshReviewList(t, files, Allowing(), host);
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.status, "URL's in the list: 0");
    EXPECT_TRUE(list.editingEnabled);
    ReviewSelection s = UpdateReviewSelection(t, -1, "");
    EXPECT_FALSE(s.editEnabled);
    EXPECT_FALSE(s.actionsEnabled);
    EXPECT_FALSE(s.loadEdit);
}

TEST(ReviewRefresh, EmptyListDisablesEditing) {
    LinkTable t;
    FileList files;
    ScriptedHost host;
    ReviewList list = RefreshReviewList(t, files, Allowing(), host);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_FALSE(list.editingEnabled);
    EXPECT_EQ(list.status, "URL's in the list: 0");
}

TEST(ReviewRefresh, PumpsOncePerLinkRowAndIgnoresEsc) {
    LinkTable t;
    for (int i = 0; i < 5; ++i) Add(t, "u" + std::to_string(i % 3), "r");
    FileList files;
    ScriptedHost host(1);  // ESC held from the first pump on
    ReviewList list = RefreshReviewList(t, files, Allowing(), host);
    EXPECT_EQ(list.linkRows, 3);
    EXPECT_EQ(host.pumps, 3);
}

// The grouping as a walk of every unlisted record over all later ones.
void ReferenceGrouping(LinkTable& t, const ReviewOptions& o, std::vector<std::string>* rows) {
    const bool hideDelete = o.allowLinkDeletion ? o.hideDelete : true;
    if (!o.allowLinkDeletion) rows->push_back(kDeletionProhibitedLine);
    for (std::int32_t i = 0; i < t.linkCount(); ++i) t[i].linkListRow = -1;
    std::int32_t r = 0;
    for (std::int32_t i = 0; i < t.linkCount(); ++i) {
        if (t[i].linkListRow != -1) continue;
        std::string a;
        UnwrapReplacement(t[i].linkReplacement, &a, true);
        if (hideDelete && a.empty()) continue;
        if (o.hideTarget && a.size() >= 3 && a.compare(0, 3, ":::") == 0) continue;
        if (o.hideReplace && !a.empty()) continue;
        t[i].linkListRow = r;
        std::int32_t n = 1;
        for (std::int32_t j = i + 1; j < t.linkCount(); ++j) {
            std::string b;
            UnwrapReplacement(t[j].linkReplacement, &b, true);
            if (EqualsNoCase(t[j].linkUrl, t[i].linkUrl) && EqualsNoCase(a, b)) {
                t[j].linkListRow = r;
                ++n;
            }
        }
        rows->push_back(ReviewRowText(t[i], n));
        ++r;
    }
}

std::string RandomCase(std::mt19937& rng, std::string s) {
    for (char& c : s) {
        if (rng() % 2) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return s;
}

TEST(ReviewGrouping, HashedGroupingMatchesTheQuadraticWalkOnRandomTables) {
    std::mt19937 rng(12345);
    const std::vector<std::string> urls = {"a.htm", "b.htm", "img/x.gif", "http://w.com/", "C:\\s\\a.htm", "ab", ""};
    const std::vector<std::string> repls = {"",          "\"\"",        "a.htm",       "x.htm",  "|||file:///c|/x.htm",
                                            ":::_blank", ":::\"_top\"", "\"x.htm\"",   "|||",    "|||\"file:///c|/x.htm\""};
    for (int round = 0; round < 300; ++round) {
        LinkTable mine, ref;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            const std::string url = RandomCase(rng, urls[rng() % urls.size()]);
            const std::string repl = RandomCase(rng, repls[rng() % repls.size()]);
            const std::int32_t tag = static_cast<std::int32_t>(rng() % 3), value = static_cast<std::int32_t>(rng() % 3);
            Add(mine, url, repl, tag, value);
            Add(ref, url, repl, tag, value);
        }
        ReviewOptions o;
        o.allowLinkDeletion = rng() % 2;
        o.hideDelete = rng() % 2;
        o.hideReplace = rng() % 4 == 0;
        o.hideTarget = rng() % 2;
        o.hideOrphan = true;
        FileList files;
        ScriptedHost host;
        ReviewList list = RefreshReviewList(mine, files, o, host);
        std::vector<std::string> expected;
        ReferenceGrouping(ref, o, &expected);
        ASSERT_EQ(Texts(list), expected) << "round " << round;
        for (std::int32_t i = 0; i < n; ++i) ASSERT_EQ(mine[i].linkListRow, ref[i].linkListRow) << "round " << round;
    }
}

// ---- Sorting ------------------------------------------------------------------------------

bool HasProtocol(const std::string& u) { return u.find("://") != std::string::npos; }
bool IsDrive(const std::string& u) { return u.size() >= 3 && u[1] == ':' && u[2] == '\\'; }
bool IsDeletion(const std::string& r) { return r.empty() || r == "\"\""; }

// a > b with ASCII letters compared without regard to case.
bool GreaterNoCase(const std::string& a, const std::string& b) {
    auto fold = [](char c) { return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c); };
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return fold(a[i]) > fold(b[i]);
    }
    return a.size() > b.size();
}

// The passes as exchanges, one comparison at a time.
void ReferenceSort(LinkTable& t, int method) {
    if (method == kSortUnsorted) return;
    const std::int32_t n = t.linkCount();
    for (std::int32_t p = n - 1; p >= 1; --p)
        for (std::int32_t i = 0; i < p; ++i)
            if (GreaterNoCase(t[i].linkUrl, t[p].linkUrl)) t.SwapRecords(i, p);
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::int32_t i = 0; i + 1 < n; ++i)
            if (HasProtocol(t[i].linkUrl) && !HasProtocol(t[i + 1].linkUrl)) t.SwapRecords(i, i + 1), swapped = true;
    }
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::int32_t i = 0; i + 1 < n; ++i) {
            const std::string& next = t[i + 1].linkUrl;
            if (IsDrive(t[i].linkUrl) && next.size() >= 3 && !IsDrive(next) && !HasProtocol(next))
                t.SwapRecords(i, i + 1), swapped = true;
        }
    }
    if (method != kSortByUrl) return;
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::int32_t i = 0; i + 1 < n; ++i)
            if (IsDeletion(t[i].linkReplacement) && !IsDeletion(t[i + 1].linkReplacement))
                t.SwapRecords(i, i + 1), swapped = true;
    }
}

// Records tell themselves apart by linkTagPos.
std::vector<std::int32_t> Identities(const LinkTable& t) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < t.linkCount(); ++i) out.push_back(t[i].linkTagPos);
    return out;
}

void Fill(LinkTable& t, const std::vector<std::pair<std::string, std::string>>& records) {
    std::int32_t id = 0;
    for (const auto& r : records) Add(t, r.first, r.second, id++, 0);
}

TEST(ReviewSort, UnsortedLeavesTheOrderAndDoesNothingElse) {
    LinkTable t;
    Fill(t, {{"b.htm", "x"}, {"a.htm", "y"}});
    ScriptedHost host;
    EXPECT_EQ(SortLinkTable(t, kSortUnsorted, host), 0);
    EXPECT_EQ(Urls(t), (std::vector<std::string>{"b.htm", "a.htm"}));
    EXPECT_TRUE(host.statuses.empty());
    EXPECT_EQ(SortLinkTable(t, 7, host), 0);
    EXPECT_EQ(Urls(t), (std::vector<std::string>{"b.htm", "a.htm"}));
}

TEST(ReviewSort, ByActionGroupsRelativeThenDrivePathsThenProtocols) {
    LinkTable t;
    Fill(t, {{"http://b.com/", "x"},
             {"Zeta.htm", ""},
             {"C:\\site\\b.htm", "y"},
             {"ftp://a.com/", "x"},
             {"alpha.htm", "z"},
             {"c:\\site\\A.htm", "y"},
             {"img/b.gif", "\"\""}});
    ScriptedHost host;
    EXPECT_EQ(SortLinkTable(t, kSortByAction, host), 0);
    EXPECT_EQ(Urls(t), (std::vector<std::string>{"alpha.htm", "img/b.gif", "Zeta.htm", "c:\\site\\A.htm",
                                                 "C:\\site\\b.htm", "ftp://a.com/", "http://b.com/"}));
    EXPECT_EQ(host.statuses.front(), "Sorting... Press ESC to stop");
}

TEST(ReviewSort, ByUrlMovesDeletionsLastKeepingTheirOrder) {
    LinkTable t;
    Fill(t, {{"http://b.com/", "x"},
             {"Zeta.htm", ""},
             {"C:\\site\\b.htm", "y"},
             {"alpha.htm", "z"},
             {"img/b.gif", "\"\""}});
    ScriptedHost host;
    EXPECT_EQ(SortLinkTable(t, kSortByUrl, host), 0);
    EXPECT_EQ(Urls(t), (std::vector<std::string>{"alpha.htm", "C:\\site\\b.htm", "http://b.com/", "img/b.gif",
                                                 "Zeta.htm"}));
}

TEST(ReviewSort, AShortUrlIsNotMovedInFrontOfADrivePath) {
    LinkTable t;
    Fill(t, {{"d", "x"}, {"C:\\a.htm", "x"}, {"da.htm", "x"}, {"ca.htm", "x"}});
    ScriptedHost host;
    SortLinkTable(t, kSortByAction, host);
    // "ca.htm" goes in front of the drive path; "d" does not, and the drive path stops at it.
    EXPECT_EQ(Urls(t), (std::vector<std::string>{"ca.htm", "C:\\a.htm", "d", "da.htm"}));
}

TEST(ReviewSort, TwoRecordsEndInOrderAndOneRecordStays) {
    LinkTable two;
    Fill(two, {{"b.htm", "x"}, {"a.htm", "x"}});
    ScriptedHost host;
    SortLinkTable(two, kSortByUrl, host);
    EXPECT_EQ(Urls(two), (std::vector<std::string>{"a.htm", "b.htm"}));
    LinkTable one;
    Fill(one, {{"z.htm", "x"}});
    SortLinkTable(one, kSortByUrl, host);
    EXPECT_EQ(Urls(one), (std::vector<std::string>{"z.htm"}));
}

TEST(ReviewSort, UnsortedAfterByUrlKeepsTheSortedOrder) {
    LinkTable t;
    Fill(t, {{"c", "x"}, {"a", "x"}, {"b", "x"}});
    ScriptedHost host;
    SortLinkTable(t, kSortByUrl, host);
    SortLinkTable(t, kSortUnsorted, host);
    EXPECT_EQ(Urls(t), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ReviewSort, EqualUrlsTakeTheExchangeOrderNotTheirOriginalOne) {
    // Keys b c a C A B: the exchanges leave A before a, B before b and C before c.
    LinkTable t;
    Fill(t, {{"bb", "1"}, {"cc", "2"}, {"aa", "3"}, {"CC", "4"}, {"AA", "5"}, {"BB", "6"}});
    ScriptedHost host;
    SortLinkTable(t, kSortByAction, host);
    EXPECT_EQ(Urls(t), (std::vector<std::string>{"AA", "aa", "BB", "bb", "CC", "cc"}));
    EXPECT_EQ(Identities(t), (std::vector<std::int32_t>{4, 2, 5, 0, 3, 1}));
}

void RandomTable(std::mt19937& rng, int n, LinkTable& a, LinkTable& b) {
    const std::vector<std::string> urls = {"a.htm",     "b.htm",      "img/x.gif",      "http://w.com/", "ftp://f.org/x",
                                           "C:\\s\\a.htm", "c:\\s\\b.htm", "D:\\z.gif",     "ab",            "x",
                                           "",          "mailto:a@b", "c:\\x://y",      "_under",        "[br]"};
    const std::vector<std::string> repls = {"", "\"\"", "r.htm", "|||file:///C|/r.htm", ":::_blank"};
    for (int i = 0; i < n; ++i) {
        const std::string url = RandomCase(rng, urls[rng() % urls.size()]);
        const std::string repl = repls[rng() % repls.size()];
        Add(a, url, repl, i, 0);
        Add(b, url, repl, i, 0);
    }
}

TEST(ReviewSort, MatchesThePassesExchangeByExchangeOnRandomTables) {
    std::mt19937 rng(777);
    for (int round = 0; round < 400; ++round) {
        LinkTable mine, ref;
        RandomTable(rng, static_cast<int>(rng() % 60), mine, ref);
        const int method = 1 + static_cast<int>(rng() % 2);
        ScriptedHost host;
        ASSERT_EQ(SortLinkTable(mine, method, host), 0);
        ReferenceSort(ref, method);
        ASSERT_EQ(Identities(mine), Identities(ref)) << "round " << round << " method " << method;
    }
}

TEST(ReviewSort, MatchesTheExchangesOnSortedRunsOfManyEqualUrls) {
    // A sorted table followed by a sorted tail of smaller URLs, with many repeats: the shape that
    // makes the exchanges move long chains of records.
    std::mt19937 rng(99);
    for (int round = 0; round < 20; ++round) {
        LinkTable mine, ref;
        std::vector<std::string> head, tail;
        const int n = 100 + static_cast<int>(rng() % 200);
        for (int i = 0; i < n; ++i) head.push_back(std::string(1, static_cast<char>('m' + rng() % 10)));
        for (int i = 0; i < n; ++i) tail.push_back(std::string(1, static_cast<char>('a' + rng() % 14)));
        std::sort(head.begin(), head.end());
        std::sort(tail.begin(), tail.end());
        std::int32_t id = 0;
        for (const auto* part : {&head, &tail})
            for (const std::string& u : *part) {
                const std::string url = RandomCase(rng, u + "x.htm");
                Add(mine, url, "r", id, 0);
                Add(ref, url, "r", id, 0);
                ++id;
            }
        ScriptedHost host;
        SortLinkTable(mine, kSortByAction, host);
        ReferenceSort(ref, kSortByAction);
        ASSERT_EQ(Identities(mine), Identities(ref)) << "round " << round;
    }
}

TEST(ReviewSort, LargeTableSortsQuickly) {
    LinkTable t;
    const std::int32_t n = 100000;
    for (std::int32_t i = 0; i < n; ++i) {
        // Two sorted halves, the second one below the first: quadratic for the exchanges.
        const std::int32_t key = i < n / 2 ? n / 2 + i : i - n / 2;
        Add(t, "p" + std::to_string(1000000 + key / 4) + ".htm", "r", i, 0);
    }
    ScriptedHost host;
    EXPECT_EQ(SortLinkTable(t, kSortByUrl, host), 0);
    for (std::int32_t i = 1; i < n; ++i) ASSERT_LE(FoldCase(t[i - 1].linkUrl), FoldCase(t[i].linkUrl));
}

TEST(ReviewSort, EscStopsAtOnceLeavingEveryRecordInTheTable) {
    std::mt19937 rng(4242);
    for (int stopAt = 1; stopAt <= 40; ++stopAt) {
        LinkTable mine, sorted;
        RandomTable(rng, 30, mine, sorted);
        std::vector<std::int32_t> before = Identities(mine);
        ScriptedHost host(stopAt);
        const int result = SortLinkTable(mine, kSortByUrl, host);
        ReferenceSort(sorted, kSortByUrl);
        std::vector<std::int32_t> after = Identities(mine);
        if (result < 0) {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(host.pumps, stopAt);  // nothing more after the ESC
        } else {
            EXPECT_EQ(after, Identities(sorted));
        }
        std::sort(after.begin(), after.end());
        std::sort(before.begin(), before.end());
        EXPECT_EQ(after, before);
    }
}

TEST(ReviewSort, EscOnASortedTableIsNeverAsked) {
    LinkTable t;
    Fill(t, {{"a", "x"}, {"b", "x"}, {"http://c/", "x"}});
    ScriptedHost host(1);
    EXPECT_EQ(SortLinkTable(t, kSortByUrl, host), 0);
    EXPECT_EQ(host.pumps, 0);
}

TEST(ReviewSort, EscLeavesAPartlySortedTable) {
    LinkTable t;
    Fill(t, {{"d", "x"}, {"c", "x"}, {"b", "x"}, {"a", "x"}});
    ScriptedHost host(1);
    EXPECT_EQ(SortLinkTable(t, kSortByUrl, host), -1);
    EXPECT_NE(Urls(t), (std::vector<std::string>{"d", "c", "b", "a"}));
    EXPECT_NE(Urls(t), (std::vector<std::string>{"a", "b", "c", "d"}));
}

// ---- Editing ------------------------------------------------------------------------------

// Groups the table as the page shows it, deletions allowed, nothing hidden.
void Group(LinkTable& t) {
    FileList files;
    ScriptedHost host;
    RefreshReviewList(t, files, Allowing(), host);
}

TEST(ReviewEdit, NewTextReachesEveryRecordOfTheRowKeepingQuotes) {
    LinkTable t;
    Add(t, "a.htm", "b.htm");
    Add(t, "other.htm", "x.htm");
    Add(t, "A.HTM", "\"B.HTM\"");
    Group(t);
    ASSERT_EQ(t[2].linkListRow, 0);
    ReplacementEditResult r = ApplyReplacementEdit(t, 0, "new page.htm", false, true);
    EXPECT_TRUE(r.applied);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(t[0].linkReplacement, "new%20page.htm");
    EXPECT_EQ(t[2].linkReplacement, "\"new%20page.htm\"");
    EXPECT_EQ(t[1].linkReplacement, "x.htm");
    EXPECT_EQ(r.rowText, "REPLACE (2): \"A.HTM\" --> \"new%20page.htm\"");
    EXPECT_EQ(r.editText, "new%20page.htm");
    EXPECT_FALSE(r.makeRelative);
}

struct EditCase {
    const char* url;
    const char* stored;
    std::int32_t valuePos;  // the tag is at 4
    const char* typed;
    bool makeRelative;
    bool canonicalize;
    const char* newStored;
    const char* row;
    bool relativeAfter;
};

class ReviewEditOne : public ::testing::TestWithParam<EditCase> {};

TEST_P(ReviewEditOne, StoredFormRowAndControls) {
    const EditCase& c = GetParam();
    LinkTable t;
    Add(t, c.url, c.stored, 4, c.valuePos);
    Group(t);
    ReplacementEditResult r = ApplyReplacementEdit(t, 0, c.typed, c.makeRelative, c.canonicalize);
    EXPECT_TRUE(r.applied);
    EXPECT_EQ(t[0].linkReplacement, c.newStored);
    EXPECT_EQ(r.rowText, c.row);
    EXPECT_EQ(r.makeRelative, c.relativeAfter);
    std::string plain;
    UnwrapReplacement(c.newStored, &plain, false);
    EXPECT_EQ(r.editText, plain);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReviewEditOne,
    ::testing::Values(
        // Drive paths become file URLs and take the relative marker when asked.
        EditCase{"a.htm", "b.htm", 9, "C|/site/a.htm", true, true, "|||file:///C|/site/a.htm",
                 "REPLACE (relative, 1): \"a.htm\" --> \"file:///C|/site/a.htm\"", true},
        EditCase{"a.htm", "b.htm", 9, "FILE:///d|/x.htm", true, false, "|||FILE:///d|/x.htm",
                 "REPLACE (relative, 1): \"a.htm\" --> \"FILE:///d|/x.htm\"", true},
        EditCase{"a.htm", "b.htm", 9, "http://www.x.com/a.htm", true, true, "http://www.x.com/a.htm",
                 "REPLACE (1): \"a.htm\" --> \"http://www.x.com/a.htm\"", false},
        // The marker goes in front of the quotes, where the rewrite looks for it.
        EditCase{"a.htm", "\"b.htm\"", 9, "C:\\site\\b.htm", true, true, "|||\"file:///C|/site/b.htm\"",
                 "REPLACE (relative, 1): \"a.htm\" --> \"file:///C|/site/b.htm\"", true},
        // Target markers and quotes survive; an empty text keeps them.
        EditCase{"x.htm", ":::_blank", 4, "", false, true, ":::", "TARGET (add, 1): \"x.htm\" --> \"\"", false},
        EditCase{"x.htm", ":::\"_top\"", 9, "_self", false, true, ":::\"_self\"",
                 "TARGET (modify, 1): \"x.htm\" --> \"_self\"", false},
        EditCase{"a.htm", "\"b.htm\"", 9, "", false, true, "\"\"", "DELETE (1): \"a.htm\"", false},
        // Delete, and the old URL typed back.
        EditCase{"a b.htm", "c.htm", 9, "", false, true, "", "DELETE (1): \"a b.htm\"", false},
        EditCase{"a b.htm", "c.htm", 9, "a b.htm", false, false, "a b.htm", "REPLACE (copy old, 1): \"a b.htm\"", false},
        EditCase{"a b.htm", "c.htm", 9, "a b.htm", false, true, "a%20b.htm",
                 "REPLACE (1): \"a b.htm\" --> \"a%20b.htm\"", false}));

TEST(ReviewEdit, CopyOldTakesTheFirstRecordsUrl) {
    LinkTable t;
    Add(t, "Old.htm", "c.htm");
    Add(t, "old.htm", "C.htm");
    Group(t);
    std::string old;
    ASSERT_TRUE(CopyOldUrl(t, 0, &old));
    EXPECT_EQ(old, "Old.htm");
    EXPECT_FALSE(CopyOldUrl(t, 5, &old));
    EXPECT_FALSE(CopyOldUrl(t, -1, &old));
}

TEST(ReviewEdit, SelectionAfterARelativeEditShowsTheMarkerChecked) {
    LinkTable t;
    Add(t, "a.htm", "b.htm");
    Group(t);
    ReplacementEditResult r = ApplyReplacementEdit(t, 0, "C:\\site\\a.htm", true, true);
    ReviewSelection s = UpdateReviewSelection(t, 0, r.rowText);
    EXPECT_TRUE(s.actionsEnabled);
    EXPECT_TRUE(s.makeRelative);
    EXPECT_EQ(s.editText, "file:///C|/site/a.htm");
}

TEST(ReviewEdit, RowWithoutRecordsOrWithoutNumberChangesNothing) {
    LinkTable t;
    Add(t, "a.htm", "");     // hidden: row -1
    Add(t, "b.htm", "c.htm");
    FileList files;
    ScriptedHost host;
    RefreshReviewList(t, files, ReviewOptions{}, host);
    ASSERT_EQ(t[0].linkListRow, -1);
    ReplacementEditResult r = ApplyReplacementEdit(t, -1, "z.htm", false, true);
    EXPECT_FALSE(r.applied);
    EXPECT_EQ(t[0].linkReplacement, "");
    r = ApplyReplacementEdit(t, 3, "z.htm", false, true);
    EXPECT_FALSE(r.applied);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(t[1].linkReplacement, "c.htm");
}

TEST(ReviewEdit, OverlongTextIsCutToTheEditsLimit) {
    LinkTable t;
    Add(t, "a.htm", "b.htm");
    Group(t);
    ApplyReplacementEdit(t, 0, std::string(70000, 'x'), false, true);
    EXPECT_EQ(t[0].linkReplacement.size(), kMaxReplacementEdit);
}

TEST(ReviewEdit, RowStaysWhereItWasUntilTheNextRefresh) {
    LinkTable t;
    Add(t, "a.htm", "b.htm");
    Add(t, "c.htm", "d.htm");
    FileList files;
    ScriptedHost host;
    ReviewOptions o = Allowing();
    o.hideDelete = true;
    RefreshReviewList(t, files, o, host);
    ReplacementEditResult r = ApplyReplacementEdit(t, 0, "", false, true);
    EXPECT_EQ(r.rowText, "DELETE (1): \"a.htm\"");
    EXPECT_EQ(t[0].linkListRow, 0);
    ReviewList list = RefreshReviewList(t, files, o, host);
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0].text, "REPLACE (1): \"c.htm\" --> \"d.htm\"");
}

// ---- Selection ----------------------------------------------------------------------------

TEST(ReviewSelectionUpdate, TargetRowsAllowOnlyTheEdit) {
    LinkTable t;
    Add(t, "x.htm", ":::\"_blank\"", 2, 2);
    Group(t);
    ReviewSelection s = UpdateReviewSelection(t, 0, "TARGET (add, 1): \"x.htm\" --> \"_blank\"");
    EXPECT_TRUE(s.editEnabled);
    EXPECT_FALSE(s.actionsEnabled);
    EXPECT_TRUE(s.loadEdit);
    EXPECT_EQ(s.editText, "_blank");
    EXPECT_FALSE(s.makeRelative);
}

TEST(ReviewSelectionUpdate, OtherRowsAllowEverything) {
    LinkTable t;
    Add(t, "a.htm", "\"b c.htm\"");
    Group(t);
    ReviewSelection s = UpdateReviewSelection(t, 0, "REPLACE (1): \"a.htm\" --> \"b c.htm\"");
    EXPECT_TRUE(s.editEnabled);
    EXPECT_TRUE(s.actionsEnabled);
    EXPECT_EQ(s.editText, "b c.htm");
    EXPECT_FALSE(s.makeRelative);
}

TEST(ReviewSelectionUpdate, VanishedRowLeavesTheEditAlone) {
    LinkTable t;
    ReviewSelection s = UpdateReviewSelection(t, 4, "REPLACE (1): \"a\" --> \"b\"");
    EXPECT_TRUE(s.editEnabled);
    EXPECT_FALSE(s.loadEdit);
}

// ---- Typed replacements -------------------------------------------------------------------

struct NormaliseCase {
    const char* typed;
    bool canonicalize;
    const char* url;
};

class ReviewNormalise : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(ReviewNormalise, TypedTextBecomesAUrl) {
    EXPECT_EQ(NormaliseReplacementUrl(GetParam().typed, GetParam().canonicalize), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReviewNormalise,
    ::testing::Values(NormaliseCase{"C:\\pics\\blank.gif", true, "file:///C|/pics/blank.gif"},
                      NormaliseCase{"C:\\pics\\blank.gif", false, "file:///C|/pics/blank.gif"},
                      NormaliseCase{"C|/site/a.htm", true, "file:///C|/site/a.htm"},
                      NormaliseCase{"file:///C:\\site\\a.htm", true, "file:///C|/site/a.htm"},
                      NormaliseCase{"C:/site/a.htm", true, "C|/site/a.htm"},
                      NormaliseCase{"d:\\my pics\\a.gif", true, "file:///d|/my%20pics/a.gif"},
                      NormaliseCase{"d:\\my pics\\a.gif", false, "file:///d|/my pics/a.gif"},
                      NormaliseCase{"images\\a.gif", true, "images/a.gif"},
                      NormaliseCase{"http://www.x.com/a b.htm", true, "http://www.x.com/a%20b.htm"},
                      NormaliseCase{"http://www.x.com/a b.htm", false, "http://www.x.com/a b.htm"},
                      NormaliseCase{"http://www.x.com:8080/a.htm", true, "http://www.x.com:8080/a.htm"},
                      NormaliseCase{"mailto:me@x.com", true, "mailto:me@x.com"},
                      NormaliseCase{"a%20b.htm", true, "a%20b.htm"},
                      NormaliseCase{"ab", true, "ab"},
                      NormaliseCase{"", true, ""}));

}  // namespace
}  // namespace corvane
