// The review step's model: rows grouped from the link table, their labels, sorting and editing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "apply/apply_options.h"
#include "engine/link_table.h"
#include "filelist/file_list.h"
#include "platform/operation_host.h"

namespace corvane {

// First row of the list while link deletion is not allowed.
extern const char kDeletionProhibitedLine[];
// Longest text the replacement edit hands over.
constexpr std::size_t kMaxReplacementEdit = 65534;

struct ReviewRow {
    std::string text;
    std::int32_t item = -1;  // row number of the records it shows; -1 for ORPHAN rows and the prohibition line
};

struct ReviewList {
    std::vector<ReviewRow> rows;
    std::int32_t linkRows = 0;    // rows that show records (ORPHAN rows and the prohibition line not counted)
    std::string status;           // "URL's in the list: %i"
    bool editingEnabled = false;  // Browse, Copy Old, the edit, Apply and Make relative (Delete keeps its state)
};

// Rebuilds the rows and reassigns linkListRow of every record: records with the same URL and the
// same marked replacement (both ignoring case) share the row of the first of them; hidden
// records get -1. Pumps the host once per link row, ignoring ESC. Status texts go to the host too.
ReviewList RefreshReviewList(LinkTable& links, const FileList& files, const ReviewOptions& options,
                             OperationHost& host);

// The label of a row that shows `count` records, made from one of them.
std::string ReviewRowText(const LinkRecord& record, std::int32_t count);

enum SortMethod : int { kSortUnsorted = 0, kSortByUrl = 1, kSortByAction = 2 };

// Reorders the records by URL (ignoring case): relative URLs, then drive paths, then URLs with
// "://"; by URL also moves deletions behind the rest. Unsorted (or an unknown method) leaves the
// order as it is. Returns 0, or -1 when ESC stopped it (the table is then partly sorted).
int SortLinkTable(LinkTable& links, int sortMethod, OperationHost& host);

// What the editing controls show for the selected row.
struct ReviewSelection {
    bool editEnabled = false;     // the edit and Apply
    bool actionsEnabled = false;  // Browse, Copy Old, Make relative and Delete
    bool loadEdit = false;        // a record of the row exists: editText and makeRelative are to be shown
    std::string editText;         // plain value of the row's first record
    bool makeRelative = false;    // its replacement carries the relative marker
};

// `item` and `rowText` of the selected row; a negative item means no editable row is selected.
ReviewSelection UpdateReviewSelection(const LinkTable& links, std::int32_t item, const std::string& rowText);

struct ReplacementEditResult {
    bool applied = false;      // some record showed on the row
    std::int32_t count = 0;    // records updated
    std::string rowText;       // the row's new text (same index, same item value)
    std::string editText;      // plain value of the new replacement, for the edit
    bool makeRelative = false; // state of "Make relative / Use base URL" afterwards
};

// Writes the edit text (normalised; marked relative when asked and it is a file:/// URL) into every
// record of `row`, keeping each record's quotes and target marker. An empty text is a deletion.
ReplacementEditResult ApplyReplacementEdit(LinkTable& links, std::int32_t row, const std::string& editText,
                                           bool makeRelative, bool canonicalize);

// The URL of the row's first record ("Copy Old"); false when the row has no record.
bool CopyOldUrl(const LinkTable& links, std::int32_t row, std::string* url);

// A typed replacement in URL form: a drive path gets "file:///", separators become URL ones, and
// unsafe characters are escaped when `canonicalize`.
std::string NormaliseReplacementUrl(const std::string& text, bool canonicalize);

}  // namespace corvane
