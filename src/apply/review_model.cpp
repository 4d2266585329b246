// The review step's model: grouping records into rows, labelling, sorting and editing replacements.
#include "apply/review_model.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "engine/url_text.h"
#include "platform/utf8.h"

namespace corvane {

const char kDeletionProhibitedLine[] = ">> Link deletion is prohibited. The \"DELETE\" items are hidden.";

namespace {

bool BeginsWith(const std::string& text, const char* marker) {
    return text.size() >= 3 && text.compare(0, 3, marker) == 0;
}

bool HasMarker(const std::string& text) { return BeginsWith(text, "|||") || BeginsWith(text, ":::"); }

bool IsHidden(const std::string& marked, bool hideDelete, bool hideReplace, bool hideTarget) {
    if (hideDelete && marked.empty()) return true;
    if (hideTarget && BeginsWith(marked, ":::")) return true;
    return hideReplace && !marked.empty();
}

// URL and marked replacement, case folded, joined so that no two different pairs meet.
std::string GroupKey(const std::string& url, const std::string& marked) {
    std::string key = std::to_string(url.size());
    key += ':';
    key += FoldCase(url);
    key += FoldCase(marked);
    return key;
}

bool HasProtocol(const std::string& url) { return url.find("://") != std::string::npos; }

bool IsDrivePath(const std::string& url) { return url.size() >= 3 && url[1] == ':' && url[2] == '\\'; }

// Counts marked positions below a bound.
class PositionCounter {
public:
    explicit PositionCounter(std::size_t n) : tree_(n + 1, 0) {}
    void Mark(std::size_t pos) {
        for (std::size_t i = pos + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
    }
    // Marked positions in [0, bound).
    std::int32_t Below(std::size_t bound) const {
        std::int32_t sum = 0;
        for (std::size_t i = bound; i > 0; i -= i & (~i + 1)) sum += tree_[i];
        return sum;
    }

private:
    std::vector<std::int32_t> tree_;
};

// A sequence that takes appends at its back and rotations (front elements moved to the back) in
// logarithmic time: a treap keyed by position in the sequence.
class RotatingQueue {
public:
    void Clear() {
        nodes_.clear();
        root_ = kNone;
    }
    std::size_t size() const { return SizeOf(root_); }
    void PushBack(std::int32_t value) {
        nodes_.push_back(Node{value, kNone, kNone, NextPriority(), 1});
        root_ = Merge(root_, static_cast<std::int32_t>(nodes_.size() - 1));
    }
    void RotateLeft(std::size_t count) {
        const std::size_t n = size();
        if (n == 0 || count % n == 0) return;
        std::int32_t front, back;
        Split(root_, count % n, front, back);
        root_ = Merge(back, front);
    }
    void CopyTo(std::vector<std::int32_t>& out) const {
        out.clear();
        std::vector<std::int32_t> stack;
        std::int32_t t = root_;
        while (t != kNone || !stack.empty()) {
            while (t != kNone) {
                stack.push_back(t);
                t = nodes_[static_cast<std::size_t>(t)].left;
            }
            t = stack.back();
            stack.pop_back();
            out.push_back(nodes_[static_cast<std::size_t>(t)].value);
            t = nodes_[static_cast<std::size_t>(t)].right;
        }
    }

private:
    static constexpr std::int32_t kNone = -1;
    struct Node {
        std::int32_t value;
        std::int32_t left;
        std::int32_t right;
        std::uint32_t priority;
        std::size_t size;
    };

    std::uint32_t NextPriority() {
        seed_ ^= seed_ << 13;
        seed_ ^= seed_ >> 17;
        seed_ ^= seed_ << 5;
        return seed_;
    }
    std::size_t SizeOf(std::int32_t t) const { return t == kNone ? 0 : nodes_[static_cast<std::size_t>(t)].size; }
    Node& At(std::int32_t t) { return nodes_[static_cast<std::size_t>(t)]; }
    void Update(std::int32_t t) { At(t).size = 1 + SizeOf(At(t).left) + SizeOf(At(t).right); }

    std::int32_t Merge(std::int32_t a, std::int32_t b) {
        if (a == kNone) return b;
        if (b == kNone) return a;
        if (At(a).priority > At(b).priority) {
            At(a).right = Merge(At(a).right, b);
            Update(a);
            return a;
        }
        At(b).left = Merge(a, At(b).left);
        Update(b);
        return b;
    }
    // The first `count` elements of t into front, the rest into back.
    void Split(std::int32_t t, std::size_t count, std::int32_t& front, std::int32_t& back) {
        if (t == kNone) {
            front = back = kNone;
            return;
        }
        const std::size_t leftSize = SizeOf(At(t).left);
        if (count <= leftSize) {
            std::int32_t leftBack;
            Split(At(t).left, count, front, leftBack);
            At(t).left = leftBack;
            Update(t);
            back = t;
        } else {
            std::int32_t rightFront;
            Split(At(t).right, count - leftSize - 1, rightFront, back);
            At(t).right = rightFront;
            Update(t);
            front = t;
        }
    }

    std::vector<Node> nodes_;
    std::int32_t root_ = kNone;
    std::uint32_t seed_ = 2463534242u;
};

// The order that the URL exchange sort leaves: for p from n-1 down to 1 and i from 0 to p-1, the
// records at i and p are exchanged when i's key is greater. That sort shuffles records with equal
// keys in its own way and the list keeps that order, so it is computed here exactly, without the
// quadratic cost of the exchanges.
//
// The exchanges are a fixed network of compare-exchange steps, so for one key K the records with a
// smaller key, those with K and those with a greater key behave as three classes L < E < G whose
// movement depends only on the classes. With G the count of greater keys, round p (p >= n-G) moves
// the first E to the first G when p holds an L and an E comes before every G, and moves the E at p
// to the first G. Those E sit, in position order, in a queue: an L round rotates it, an E round
// appends its record, and every E passed by the advancing first G is appended behind. The rounds
// below n-G then fill the positions of K from the top: an E or G position keeps the queue's last
// record, an L position takes its first.
std::vector<std::int32_t> ExchangeSortOrder(const std::vector<std::string>& keys) {
    const std::size_t n = keys.size();
    std::vector<std::int32_t> order(n);
    if (n == 0) return order;

    std::vector<std::int32_t> byKey(n);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(),
              [&](std::int32_t a, std::int32_t b) { return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)]; });
    std::vector<std::int32_t> rank(n);
    std::int32_t ranks = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && keys[static_cast<std::size_t>(byKey[k])] != keys[static_cast<std::size_t>(byKey[k - 1])]) ++ranks;
        rank[static_cast<std::size_t>(byKey[k])] = ranks;
    }
    ++ranks;

    // Positions of each key, ascending.
    std::vector<std::size_t> first(static_cast<std::size_t>(ranks) + 1, 0);
    for (std::size_t p = 0; p < n; ++p) ++first[static_cast<std::size_t>(rank[p]) + 1];
    for (std::size_t k = 1; k < first.size(); ++k) first[k] += first[k - 1];
    std::vector<std::int32_t> members(n);
    {
        std::vector<std::size_t> fill(first.begin(), first.end() - 1);
        for (std::size_t p = 0; p < n; ++p) members[fill[static_cast<std::size_t>(rank[p])]++] = static_cast<std::int32_t>(p);
    }

    PositionCounter greaterKeys(n);  // positions of the keys above the one being placed
    std::int32_t greater = 0;
    RotatingQueue queue;
    std::vector<std::pair<std::int32_t, std::int32_t>> rounds, passed;  // (round, record)
    std::vector<std::int32_t> sequence;
    const std::int32_t total = static_cast<std::int32_t>(n);

    for (std::int32_t key = ranks - 1; key >= 0; --key) {
        const std::int32_t* e = members.data() + first[static_cast<std::size_t>(key)];
        const std::int32_t m = static_cast<std::int32_t>(first[static_cast<std::size_t>(key) + 1] - first[static_cast<std::size_t>(key)]);
        const std::int32_t topG = total - greater;  // the greater keys end in [topG, n)
        const std::int32_t topE = topG - m;         // this key ends in [topE, topG)
        if (m == 1) {
            order[static_cast<std::size_t>(topE)] = e[0];
        } else {
            rounds.clear();
            passed.clear();
            for (std::int32_t k = m - 1; k >= 0 && e[k] >= topG; --k) {
                // The rounds that matter are counted among those that do not hold a greater key.
                const std::int32_t notGreater = (total - e[k]) - (greater - greaterKeys.Below(static_cast<std::size_t>(e[k])));
                rounds.emplace_back(notGreater, e[k]);
            }
            for (std::int32_t k = 0; k < m && e[k] < topG; ++k)
                passed.emplace_back(greaterKeys.Below(static_cast<std::size_t>(e[k])), e[k]);
            const std::int32_t lastRound = greaterKeys.Below(static_cast<std::size_t>(topG));

            queue.Clear();
            std::size_t ri = 0, pi = 0;
            while (pi < passed.size() && passed[pi].first == 0) queue.PushBack(passed[pi++].second);
            std::int32_t done = 0;
            while (ri < rounds.size() || pi < passed.size()) {
                std::int32_t round = lastRound + 1;
                if (ri < rounds.size()) round = rounds[ri].first;
                if (pi < passed.size()) round = std::min(round, passed[pi].first);
                queue.RotateLeft(static_cast<std::size_t>(round - 1 - done));
                if (ri < rounds.size() && rounds[ri].first == round)
                    queue.PushBack(rounds[ri++].second);
                else
                    queue.RotateLeft(1);
                while (pi < passed.size() && passed[pi].first == round) queue.PushBack(passed[pi++].second);
                done = round;
            }
            queue.RotateLeft(static_cast<std::size_t>(lastRound - done));

            queue.CopyTo(sequence);
            std::size_t front = 0, back = sequence.size();
            for (std::int32_t p = topG - 1; p >= topE; --p)
                order[static_cast<std::size_t>(p)] = rank[static_cast<std::size_t>(p)] >= key ? sequence[--back] : sequence[front++];
        }
        for (std::int32_t k = 0; k < m; ++k) greaterKeys.Mark(static_cast<std::size_t>(e[k]));
        greater += m;
    }
    return order;
}

// Records whose test holds keep their order and go behind the others, which keep theirs too.
template <typename Test>
std::vector<std::int32_t> StablePartitionOrder(const LinkTable& links, Test behind) {
    std::vector<std::int32_t> order, back;
    for (std::int32_t i = 0; i < links.linkCount(); ++i) (behind(links[i]) ? back : order).push_back(i);
    order.insert(order.end(), back.begin(), back.end());
    return order;
}

// Brings the table into `order` (order[k]: the record now at order[k] goes to k) by exchanges,
// pumping after each; -1 when ESC stopped it halfway.
int ApplyOrder(LinkTable& links, const std::vector<std::int32_t>& order, OperationHost& host) {
    const std::size_t n = order.size();
    std::vector<std::int32_t> at(n), where(n);
    std::iota(at.begin(), at.end(), 0);
    std::iota(where.begin(), where.end(), 0);
    for (std::size_t k = 0; k < n; ++k) {
        const std::int32_t wanted = order[k];
        const std::int32_t from = where[static_cast<std::size_t>(wanted)];
        if (static_cast<std::size_t>(from) == k) continue;
        links.SwapRecords(static_cast<std::int32_t>(k), from);
        const std::int32_t displaced = at[k];
        at[k] = wanted;
        where[static_cast<std::size_t>(wanted)] = static_cast<std::int32_t>(k);
        at[static_cast<std::size_t>(from)] = displaced;
        where[static_cast<std::size_t>(displaced)] = from;
        if (host.PumpMessages() == kPollStop) return -1;
    }
    return 0;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A colon right after the drive letter that opens a path ("C:/x"), a file URL's path
// ("file:///C:/x") or a path without a protocol.
bool IsDriveColon(const std::string& text, std::size_t colon) {
    std::size_t pathStart = 0;
    const std::size_t protocol = text.find("://");
    if (protocol != std::string::npos) {
        if (!StartsWithNoCase(text, "file://")) return false;
        pathStart = protocol + 3;
        if (pathStart < text.size() && text[pathStart] == '/') ++pathStart;
    }
    return colon == pathStart + 1 && IsAsciiLetter(text[pathStart]);
}

bool IsDeletion(const std::string& replacement) { return replacement.empty() || replacement == "\"\""; }

}  // namespace

std::string ReviewRowText(const LinkRecord& record, std::int32_t count) {
    std::string plain, marked;
    UnwrapReplacement(record.linkReplacement, &plain, false);
    UnwrapReplacement(record.linkReplacement, &marked, true);
    const char* prefix;
    bool showValue = true;
    if (record.linkUrl == plain) {
        prefix = "REPLACE (copy old, ";
        showValue = false;
    } else if (marked.empty()) {
        prefix = "DELETE (";
        showValue = false;
    } else if (!HasMarker(marked)) {
        prefix = "REPLACE (";
    } else if (BeginsWith(marked, "|||")) {
        prefix = "REPLACE (relative, ";
    } else if (record.linkValuePos == record.linkTagPos) {
        prefix = "TARGET (add, ";
    } else {
        prefix = "TARGET (modify, ";
    }
    std::string text = prefix;
    text += std::to_string(count);
    text += "): \"";
    text += record.linkUrl;
    text += '"';
    if (showValue) {
        text += " --> \"";
        text += plain;
        text += '"';
    }
    return text;
}

ReviewList RefreshReviewList(LinkTable& links, const FileList& files, const ReviewOptions& options,
                             OperationHost& host) {
    ReviewList list;
    host.SetStatusText("Updating the list...");

    bool hideDelete = options.hideDelete;
    if (!options.allowLinkDeletion) {
        list.rows.push_back(ReviewRow{kDeletionProhibitedLine, -1});
        hideDelete = true;
    }

    const std::int32_t n = links.linkCount();
    std::unordered_map<std::string, std::int32_t> rowOfKey;
    rowOfKey.reserve(static_cast<std::size_t>(n));
    std::vector<std::int32_t> firstRecord, count;
    std::string marked;
    for (std::int32_t i = 0; i < n; ++i) {
        LinkRecord& record = links[i];
        record.linkListRow = -1;
        UnwrapReplacement(record.linkReplacement, &marked, true);
        if (IsHidden(marked, hideDelete, options.hideReplace, options.hideTarget)) continue;
        const auto found = rowOfKey.emplace(GroupKey(record.linkUrl, marked), static_cast<std::int32_t>(firstRecord.size()));
        if (found.second) {
            firstRecord.push_back(i);
            count.push_back(0);
        }
        record.linkListRow = found.first->second;
        ++count[static_cast<std::size_t>(record.linkListRow)];
    }

    for (std::size_t r = 0; r < firstRecord.size(); ++r) {
        list.rows.push_back(ReviewRow{ReviewRowText(links[firstRecord[r]], count[r]), static_cast<std::int32_t>(r)});
        host.PumpMessages();  // a refresh is not stopped by ESC
    }

    if (!options.hideOrphan) {
        for (std::int32_t row = 0; row < files.size(); ++row) {
            if (!files.referenced(row)) list.rows.push_back(ReviewRow{"ORPHAN: \"" + files.path(row) + "\"", -1});
        }
    }

    list.linkRows = static_cast<std::int32_t>(firstRecord.size());
    list.status = "URL's in the list: " + std::to_string(list.linkRows);
    list.editingEnabled = !list.rows.empty();
    host.SetStatusText(list.status);
    return list;
}

int SortLinkTable(LinkTable& links, int sortMethod, OperationHost& host) {
    if (sortMethod != kSortByUrl && sortMethod != kSortByAction) return 0;
    host.SetStatusText("Sorting... Press ESC to stop");

    std::vector<std::string> keys(static_cast<std::size_t>(links.linkCount()));
    for (std::int32_t i = 0; i < links.linkCount(); ++i) keys[static_cast<std::size_t>(i)] = FoldCase(links[i].linkUrl);
    if (ApplyOrder(links, ExchangeSortOrder(keys), host) < 0) return -1;

    // URLs with a protocol go last.
    if (ApplyOrder(links, StablePartitionOrder(links, [](const LinkRecord& r) { return HasProtocol(r.linkUrl); }), host) < 0)
        return -1;

    // Drive paths go behind the relative URLs around them; a URL of fewer than three characters,
    // or one with a protocol, stays where it is and nothing passes it.
    {
        std::vector<std::int32_t> order;
        std::vector<std::int32_t> drives;
        for (std::int32_t i = 0; i < links.linkCount(); ++i) {
            const std::string& url = links[i].linkUrl;
            if (IsDrivePath(url)) {
                drives.push_back(i);
                continue;
            }
            const bool relative = url.size() >= 3 && !HasProtocol(url);
            if (!relative) {
                order.insert(order.end(), drives.begin(), drives.end());
                drives.clear();
            }
            order.push_back(i);
        }
        order.insert(order.end(), drives.begin(), drives.end());
        if (ApplyOrder(links, order, host) < 0) return -1;
    }

    if (sortMethod == kSortByUrl) {
        // Deletions (an empty replacement or two double quotes) go last, keeping their order.
        if (ApplyOrder(links, StablePartitionOrder(links, [](const LinkRecord& r) { return IsDeletion(r.linkReplacement); }), host) < 0)
            return -1;
    }
    return 0;
}

ReviewSelection UpdateReviewSelection(const LinkTable& links, std::int32_t item, const std::string& rowText) {
    ReviewSelection selection;
    if (item < 0) return selection;
    selection.editEnabled = true;
    selection.actionsEnabled = rowText.compare(0, 6, "TARGET") != 0;
    for (std::int32_t i = 0; i < links.linkCount(); ++i) {
        if (links[i].linkListRow != item) continue;
        selection.loadEdit = true;
        UnwrapReplacement(links[i].linkReplacement, &selection.editText, false);
        selection.makeRelative = BeginsWith(links[i].linkReplacement, "|||");
        break;
    }
    return selection;
}

ReplacementEditResult ApplyReplacementEdit(LinkTable& links, std::int32_t row, const std::string& editText,
                                           bool makeRelative, bool canonicalize) {
    ReplacementEditResult result;
    const std::string text =
        NormaliseReplacementUrl(editText.substr(0, Utf8Cut(editText, kMaxReplacementEdit)), canonicalize);
    result.makeRelative = makeRelative && text.size() >= 8 && StartsWithNoCase(text, "file:///");
    // Rows without an item number (orphans, the prohibition line) never stand for records.
    if (row < 0) return result;

    std::int32_t last = -1;
    for (std::int32_t i = 0; i < links.linkCount(); ++i) {
        LinkRecord& record = links[i];
        if (record.linkListRow != row) continue;
        const bool quoted = UnwrapReplacement(record.linkReplacement, nullptr, false) == 1;
        // The marker stays in front of the quotes, where it is looked for.
        std::string stored = BeginsWith(record.linkReplacement, ":::") ? ":::" : result.makeRelative ? "|||" : "";
        if (quoted) stored += '"';
        stored += text;
        if (quoted) stored += '"';
        record.linkReplacement = std::move(stored);
        last = i;
        ++result.count;
    }
    if (last < 0) return result;

    result.applied = true;
    result.rowText = ReviewRowText(links[last], result.count);
    UnwrapReplacement(links[last].linkReplacement, &result.editText, false);
    return result;
}

bool CopyOldUrl(const LinkTable& links, std::int32_t row, std::string* url) {
    if (row < 0) return false;
    for (std::int32_t i = 0; i < links.linkCount(); ++i) {
        if (links[i].linkListRow != row) continue;
        if (url) *url = links[i].linkUrl;
        return true;
    }
    return false;
}

std::string NormaliseReplacementUrl(const std::string& text, bool canonicalize) {
    std::string url = text;
    if (url.size() >= 3 && ((url[1] == ':' && url[2] == '\\') || (url[1] == '|' && url[2] == '/'))) url.insert(0, "file:///");
    const std::string typed = url;
    ConvertSeparators(url, true);
    // Only a drive colon takes the URL form: the colon of a port ("http://host:8080/") or of a
    // scheme without "//" ("mailto:") must stay, or the typed address would be broken.
    for (std::size_t i = 0; i < url.size() && i < typed.size(); ++i) {
        if (typed[i] == ':' && url[i] == '|' && !IsDriveColon(typed, i)) url[i] = ':';
    }
    if (!canonicalize) return url;
    std::string canonical;
    CanonicalizeUrl(url, &canonical);
    return canonical;
}

}  // namespace corvane
