// The search of step 5: the preliminary passes over the file list, then every page, style sheet and script scanned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "engine/link_table.h"
#include "platform/file_system.h"

namespace corvane {

// What a row of the file list is to the search, by the extension of its path.
enum FileKind : int { kNotProcessable = 0, kPageFile = 1, kScriptFile = 2, kStyleSheetFile = 3 };

// The extension is the text after the last '.' that follows the last '\' or '/', compared
// without regard to case: "htm", "html", "shtml" are pages, "js" scripts, "css" style sheets.
FileKind ProcessableKind(const std::string& path);
inline bool IsProcessable(const std::string& path) { return ProcessableKind(path) != kNotProcessable; }
inline bool IsPage(const std::string& path) { return ProcessableKind(path) == kPageFile; }

// Swaps the two bytes of every 16-bit unit (a trailing odd byte stays), turning big-endian
// UTF-16 into the little-endian order the scanners read.
void SwapByteOrder(unsigned char* data, std::size_t size);

// The encoding a file's first bytes give it: FF FE little-endian UTF-16, FE FF big-endian, else 8-bit.
std::uint8_t EncodingOfFirstBytes(const unsigned char* data, std::size_t size);

// What one search leaves for the next: the preliminary passes run only while rootPath is empty,
// so a search started again without the options step in between repeats only the scan of the
// files. (The per-file encodings stay in the LinkTable, the saved-from addresses in their table.)
struct SearchState {
    std::string rootPath;  // the site's root folder, ending with '\' once found
    std::int32_t processableFileCount = 0;
    std::vector<FileStamp> stamps;  // by row, as the last broken-links pass read each file

    // The options step was shown: the next search runs every pass again.
    void Reset() {
        rootPath.clear();
        processableFileCount = 0;
    }
};

// The scanner of each kind of file; a negative result means the user stopped.
using FileScanner = int (*)(EngineContext& ctx, const unsigned char* buffer, std::int32_t size,
                            const std::string& path, std::uint32_t file);
struct FileScanners {
    FileScanner page;
    FileScanner script;
    FileScanner styleSheet;
    // The scanners note what they find when the context asks them to (EngineContext::recording),
    // so that files may be scanned on several threads and played in order (PlayScan).
    bool scanAhead = false;
};
// ScanPage, ScanScriptFile and ScanStyleSheet.
const FileScanners& MarkupScanners();

// Files read and scanned at once when nobody says otherwise: one per processor core.
int DefaultScanJobs();

// A search accepts at most this many rows (one encoding byte per row).
constexpr std::int32_t kMaxSearchFiles = LinkTable::kFileCapacity;

enum SearchResult : int {
    kSearchTooManyFiles = -2,  // nothing searched; show kTooManyFilesMessage as an error
    kSearchStopped = -1,       // ESC: the status reads "Stopped"
    kSearchNoChanges = 0,      // finished, nothing to apply
    kSearchChanges = 1,        // finished with changes; ">> Done." was logged
};

extern const char kTooManyFilesMessage[];
// Shown when the link table is full: the search stops rather than leave the rest of the site unchecked.
extern const char kTooManyChangesMessage[];

// Empties the link table, sets both bars to 0..2, refuses a list of more than kMaxSearchFiles
// rows, runs the preliminary passes while state.rootPath is empty (the saved-from pass only
// when the options ask for it), then the broken-links pass; ends with the summary as status.
int RunSearch(EngineContext& ctx, FileSystem& fs, SearchState& state,
              const FileScanners& scanners = MarkupScanners());

// The passes; each returns 0 when done and -1 when the user stopped (the broken-links pass: the
// number of changes queued, or -1, also when the link table filled up).
int RootPathPass(EngineContext& ctx, SearchState& state);
int CountingPass(EngineContext& ctx, SearchState& state);
int UnicodePass(EngineContext& ctx, FileSystem& fs);
// With `stamps`, each processable row's stamp is taken as its bytes are read (rows it cannot read
// keep an untaken stamp).
int BrokenLinksPass(EngineContext& ctx, FileSystem& fs, const SearchState& state, const FileScanners& scanners,
                    std::vector<FileStamp>* stamps = nullptr);

// "Done: N change(s) to apply in M file(s)", shown as the status by ShowSearchSummary.
std::string SearchSummaryText(std::int32_t linkCount, std::int32_t processableFileCount);
void ShowSearchSummary(EngineContext& ctx, const SearchState& state);

}  // namespace corvane
