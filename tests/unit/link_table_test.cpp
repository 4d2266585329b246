// The link table: the pending-slot protocol, capacity, swapping, clearing and the replacement encoding.
#include "engine/link_table.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

void AddRecord(LinkTable& t, const std::string& url, const std::string& repl, std::int32_t pos = 0) {
    LinkRecord& r = t.Pending();
    r.linkUrl = url;
    r.linkReplacement = repl;
    r.linkFile = 0;
    r.linkTagPos = pos;
    r.linkValuePos = pos + 5;
    r.linkValueLen = 3;
    r.linkQuoteLen = 1;
    t.Commit();
}

TEST(LinkTable, PendingSlotIsCommittedOnlyByCommit) {
    LinkTable t;
    t.Pending().linkUrl = "dropped";
    t.DiscardPending();
    EXPECT_EQ(t.linkCount(), 0);
    EXPECT_TRUE(t.Pending().linkUrl.empty());
    AddRecord(t, "a.htm", "b.htm");
    EXPECT_EQ(t.linkCount(), 1);
    EXPECT_EQ(t[0].linkUrl, "a.htm");
    EXPECT_EQ(t[0].linkListRow, -1);
}

TEST(LinkTable, StopsAddingAtCapacityAndSaysSo) {
    LinkTable t;
    for (std::int32_t i = 0; i < LinkTable::kCapacity; ++i) AddRecord(t, "u", "r");
    EXPECT_FALSE(t.full());
    t.Pending().linkUrl = "one too many";
    EXPECT_FALSE(t.Commit());
    EXPECT_TRUE(t.full());
    EXPECT_EQ(t.linkCount(), LinkTable::kCapacity);
    t.ClearLinkTable();
    EXPECT_EQ(t.linkCount(), 0);
    EXPECT_FALSE(t.full());
}

TEST(LinkTable, SwapKeepsListRowsInPlace) {
    LinkTable t;
    AddRecord(t, "a", "x", 10);
    AddRecord(t, "b", "longer replacement", 20);
    t[0].linkListRow = 7;
    t[1].linkListRow = 3;
    t.SwapRecords(0, 1);
    EXPECT_EQ(t[0].linkUrl, "b");
    EXPECT_EQ(t[0].linkReplacement, "longer replacement");
    EXPECT_EQ(t[0].linkTagPos, 20);
    EXPECT_EQ(t[1].linkUrl, "a");
    EXPECT_EQ(t[0].linkListRow, 7);
    EXPECT_EQ(t[1].linkListRow, 3);
}

TEST(LinkTable, ClearEmptiesRecordsAndSecondPassButKeepsEncodings) {
    LinkTable t;
    t.setFileEncoding(3, kEncodingUtf16BE);
    AddRecord(t, "www.x.com", "http://www.x.com");
    t.AddSecondPassLink(0);
    EXPECT_EQ(t.secondPassCount(), 1);
    t.ClearLinkTable();
    EXPECT_EQ(t.linkCount(), 0);
    EXPECT_EQ(t.secondPassCount(), 0);
    EXPECT_EQ(t.fileEncoding(3), kEncodingUtf16BE);
    EXPECT_EQ(t.fileEncoding(LinkTable::kFileCapacity + 5), kEncoding8Bit);
}

struct UnwrapCase {
    const char* stored;
    bool keepMarker;
    const char* text;
    int quoted;
};

TEST(UnwrapReplacement, DecodesEveryStoredForm) {
    const UnwrapCase cases[] = {
        {"\"\"", false, "", 1},
        {":::\"_top\"", false, "_top", 1},
        {":::\"_top\"", true, ":::_top", 1},
        {"|||", false, "", 0},
        {"|||", true, "|||", 0},
        {"|||file:///C|/a.htm", false, "file:///C|/a.htm", 0},
        {"|||file:///C|/a.htm", true, "|||file:///C|/a.htm", 0},
        {"\"my page.htm\"", false, "my page.htm", 1},
        {"plain.htm", true, "plain.htm", 0},
        {"", false, "", 0},
        {"\"", false, "\"", 0},
        {":::\"", false, "\"", 0},
        {":::\"\"", false, "", 1},
        {"ab", false, "ab", 0},
    };
    for (const auto& c : cases) {
        std::string out = "garbage";
        EXPECT_EQ(UnwrapReplacement(c.stored, &out, c.keepMarker), c.quoted) << c.stored;
        EXPECT_EQ(out, c.text) << c.stored;
        EXPECT_EQ(UnwrapReplacement(c.stored, nullptr, c.keepMarker), c.quoted) << c.stored;
    }
}

}  // namespace
}  // namespace corvane
