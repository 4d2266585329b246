// The search of step 5: root path, counting, Unicode and saved-from passes, then the scan of every file.
#include "engine/search_driver.h"

#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "engine/early_reads.h"
#include "engine/internet_prefetch.h"
#include "engine/markup_scanner.h"
#include "engine/scan_ahead.h"
#include "engine/fragment_check.h"
#include "engine/saved_from_pass.h"
#include "platform/utf8.h"

namespace corvane {

const char kTooManyFilesMessage[] =
    "The number of files added for processing exceeds the maximum allowed!\n"
    "Please remove some files from the list and try again.";
const char kTooManyChangesMessage[] =
    "The number of changes found exceeds the maximum allowed!\n"
    "Please remove some files from the list and try again.";

namespace {

bool EqualsNoCase(const std::string& text, std::size_t from, const char* word) {
    std::size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        if (from + i >= text.size()) return false;
        char c = text[from + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return from + i == text.size();
}

}  // namespace

FileKind ProcessableKind(const std::string& path) {
    std::size_t separator = path.find_last_of("\\/");
    std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return kNotProcessable;
    std::size_t ext = dot + 1;
    if (EqualsNoCase(path, ext, "htm") || EqualsNoCase(path, ext, "html") || EqualsNoCase(path, ext, "shtml"))
        return kPageFile;
    if (EqualsNoCase(path, ext, "js")) return kScriptFile;
    if (EqualsNoCase(path, ext, "css")) return kStyleSheetFile;
    return kNotProcessable;
}

void SwapByteOrder(unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size; i += 2) std::swap(data[i], data[i + 1]);
}

std::uint8_t EncodingOfFirstBytes(const unsigned char* data, std::size_t size) {
    if (size < 2) return kEncoding8Bit;
    if (data[0] == 0xFF && data[1] == 0xFE) return kEncodingUtf16LE;
    if (data[0] == 0xFE && data[1] == 0xFF) return kEncodingUtf16BE;
    return kEncoding8Bit;
}

int RootPathPass(EngineContext& ctx, SearchState& state) {
    ctx.host.AddLogLine(">> Finding the root path ... ", false);
    // The row whose last backslash comes first; the earliest of equal rows wins.
    std::size_t best = std::string::npos;
    std::int32_t chosen = -1;
    for (std::int32_t i = 0; i < ctx.files.size(); ++i) {
        std::size_t slash = ctx.files.path(i).find_last_of('\\');
        if (slash != std::string::npos && slash < best) {
            best = slash;
            chosen = i;
        }
        if (ctx.host.PumpMessages() == kPollStop) return -1;
    }
    // Without a row that has a folder, the folder part is empty and the root is that of the
    // current drive: "\" (never empty, so the passes are not run again for nothing).
    std::string root = chosen >= 0 ? ctx.files.path(chosen).substr(0, best) : std::string();
    if (!root.empty() && root.back() == ':') root += '\\';
    if (root.empty() || root.back() != '\\') root += '\\';
    state.rootPath = root;
    ctx.rootPath = root;
    ctx.host.AddLogLine("done", true);
    return 0;
}

int CountingPass(EngineContext& ctx, SearchState& state) {
    ctx.host.AddLogLine(">> Counting processable files ... ", false);
    state.processableFileCount = 0;
    for (std::int32_t i = 0; i < ctx.files.size(); ++i) {
        if (IsProcessable(ctx.files.path(i))) ++state.processableFileCount;
        if (ctx.host.PumpMessages() == kPollStop) return -1;
    }
    ctx.host.AddLogLine(std::to_string(state.processableFileCount) + " file(s) found", true);
    return 0;
}

int UnicodePass(EngineContext& ctx, FileSystem& fs) {
    ctx.host.AddLogLine(">> Finding Unicode files ... ", false);
    // Files read whole (on worker threads with several jobs) and kept, up to a budget, for the
    // broken-links pass; pages searched for their "saved from url" comment on the way, so that the
    // saved-from pass opens none of them again.
    std::unique_ptr<ScanAhead> ahead;
    EarlyReads* early = ctx.earlyReads;
    const bool savedFrom = early != nullptr && ctx.search.searchSavedFromUrl;
    if (early != nullptr) {
        // One job: the pass reads them itself, which still spares the later passes their openings.
        const auto searched = [savedFrom](const std::string& path) { return savedFrom && IsPage(path); };
        ahead = std::make_unique<ScanAhead>(
            ctx, fs, ctx.search.jobs > 1 ? ctx.search.jobs : 0, IsProcessable,
            [searched](EngineContext& scanCtx, ScanAhead::File& file, std::uint32_t row, const std::string& path) {
                if (searched(path)) NoteSavedFromUrl(scanCtx, file, row);
            },
            true, searched);
    }
    std::int32_t found = 0;
    for (std::int32_t i = 0; i < ctx.files.size(); ++i) {
        const std::string& path = ctx.files.path(i);
        if (IsProcessable(path)) {
            std::uint8_t encoding = kEncoding8Bit;
            ScanAhead::File* read = ahead ? &ahead->TakeNext() : nullptr;
            const bool searched = savedFrom && IsPage(path);
            if (read != nullptr && read->read) {
                encoding = read->encoding;
                if (searched) early->NoteSavedFrom(i, SavedFromFinding(*read));
                early->Keep(i, read->bytes, read->info, read->hash);
            } else {
                // Not read whole: its first two bytes, as the reader noted them or as the sequential pass reads them.
                unsigned char own[2] = {0, 0};
                const bool noted = read != nullptr && read->marked >= 0;
                const int marked = noted ? read->marked : fs.ReadFirstBytes(path, own, 2);
                if (marked == 2) encoding = EncodingOfFirstBytes(noted ? read->mark : own, 2);
                if (searched) early->NoteSavedFrom(i, EarlyReads::SavedFrom());
            }
            ctx.links.setFileEncoding(static_cast<std::uint32_t>(i), encoding);
            if (encoding != kEncoding8Bit) ++found;
        }
        if (ctx.host.PumpMessages() == kPollStop) return -1;
    }
    if (savedFrom) early->savedFromComplete = true;
    ctx.host.AddLogLine(std::to_string(found) + " file(s) found", true);
    // A name that is no UTF-8 (possible outside Windows) is matched as its Windows-1252 reading and written
    // byte for byte.
    for (std::int32_t i = 0; i < ctx.files.size(); ++i)
        if (!IsValidUtf8(ctx.files.path(i)))
            ctx.host.AddLogLine("Could not decode the name \"" + ctx.files.path(i) + "\": taken byte for byte", false);
    return 0;
}

namespace {

// The link table filled up: links past the limit were not queued, and going on would show a
// half-checked site as done.
int StopWhenFull(EngineContext& ctx) {
    const std::string limit = std::to_string(ctx.links.capacity());
    ctx.host.AddLogLine(">> Stopped: more than " + limit + " changes found", false);
    ctx.host.ShowError(kTooManyChangesMessage);
    return -1;
}

// The fragment check of one pass, known to the URL processor only while the pass runs.
struct FragmentPass {
    EngineContext& ctx;
    std::unique_ptr<FragmentCheck> check;
    explicit FragmentPass(EngineContext& c) : ctx(c) {
        if (ctx.search.checkFragments) check = std::make_unique<FragmentCheck>();
        ctx.fragments = check.get();
    }
    ~FragmentPass() { ctx.fragments = nullptr; }
    FragmentPass(const FragmentPass&) = delete;
    FragmentPass& operator=(const FragmentPass&) = delete;
};

}  // namespace

int BrokenLinksPass(EngineContext& ctx, FileSystem& fs, const SearchState& state, const FileScanners& scanners,
                    std::vector<FileStamp>* stamps) {
    ctx.host.AddLogLine(">> Searching for broken links ...", false);
    FragmentPass fragments(ctx);
    // Several files read and scanned at once, each played here in the list's order: what the
    // user sees is what one file after another gives.
    std::unique_ptr<ScanAhead> ahead;
    if (ctx.search.jobs > 1 && scanners.scanAhead) ahead = std::make_unique<ScanAhead>(ctx, fs, scanners, ctx.search.jobs);
    int total = 0;
    std::int32_t done = 0;
    const std::int32_t rows = ctx.files.size();
    std::vector<unsigned char> buffer;
    // The scanners' lists, kept from one file to the next (the scanners run here with one job).
    ScanScratch lists;
    struct Lending {
        EngineContext& ctx;
        ScanScratch* before;
        ~Lending() { ctx.scratch = before; }
    } lending{ctx, ctx.scratch};
    ctx.scratch = &lists;
    for (std::int32_t i = 0; i < rows; ++i) {
        const std::string path = ctx.files.path(i);
        const FileKind kind = ProcessableKind(path);
        if (kind == kNotProcessable) continue;
        // The bar moves for every processable row, also for one that turns out to be unreadable.
        ctx.host.SetOverallProgress(done, state.processableFileCount);
        ++done;
        const std::uint32_t file = static_cast<std::uint32_t>(i);
        FileInfo info;
        std::uint64_t hash = 0;
        ScanAhead::File* scanned = ahead ? &ahead->TakeNext() : nullptr;
        if (scanned != nullptr) {
            if (!scanned->read) continue;
            buffer.swap(scanned->bytes);
            info = scanned->info;
            hash = scanned->hash;
        } else if (ctx.earlyReads == nullptr || !ctx.earlyReads->Take(i, buffer, info, hash)) {
            if (!(stamps != nullptr ? fs.ReadWholeFileAndInfo(path, buffer, info) : fs.ReadWholeFile(path, buffer)))
                continue;
            hash = ContentHash(buffer.data(), buffer.size());
            if (ctx.links.fileEncoding(file) == kEncodingUtf16BE) SwapByteOrder(buffer.data(), buffer.size());
        }
        if (stamps != nullptr && static_cast<std::size_t>(i) < stamps->size())
            (*stamps)[static_cast<std::size_t>(i)] =
                FileStamp{true, static_cast<std::int64_t>(buffer.size()), info.lastWrite, hash};
        if (fragments.check && kind == kPageFile)
            fragments.check->anchors().CollectAnchors(
                file, MakeText(buffer.data(), static_cast<std::int32_t>(buffer.size()), ctx.links.fileEncoding(file)));
        if (buffer.empty()) continue;
        FileScanner scan = kind == kPageFile ? scanners.page : kind == kScriptFile ? scanners.script : scanners.styleSheet;
        if (scan == nullptr) continue;
        lists.LetGoOfLarge();
        const auto size = static_cast<std::int32_t>(buffer.size());
        const int changes = scanned != nullptr ? PlayScan(ctx, buffer.data(), size, file, scanned->record)
                                               : scan(ctx, buffer.data(), size, path, file);
        if (changes < 0) return -1;
        if (ctx.links.full()) return StopWhenFull(ctx);
        total += changes;
    }
    if (fragments.check) {
        // A page may be linked before it is read: its links' fragments are judged now, in the order found.
        ctx.host.AddLogLine(">> Checking #fragments of local links ... ", false);
        const int repairs = fragments.check->QueueRepairs(ctx);
        if (ctx.links.full()) return StopWhenFull(ctx);
        if (repairs < 0) return -1;
        ctx.host.AddLogLine(std::to_string(repairs) + " change(s) to apply", true);
        total += repairs;
    }
    return total;
}

int DefaultScanJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores > 64 ? 64 : static_cast<int>(cores);
}

std::string SearchSummaryText(std::int32_t linkCount, std::int32_t processableFileCount) {
    return "Done: " + std::to_string(linkCount) + " change(s) to apply in " + std::to_string(processableFileCount) +
           " file(s)";
}

void ShowSearchSummary(EngineContext& ctx, const SearchState& state) {
    ctx.host.SetStatusText(SearchSummaryText(ctx.links.linkCount(), state.processableFileCount));
}

int RunSearch(EngineContext& ctx, FileSystem& fs, SearchState& state, const FileScanners& scanners) {
    ctx.links.ClearLinkTable();
    ctx.host.SetStatusText("Press ESC to stop");
    ctx.host.SetOverallProgress(0, 2);
    ctx.host.SetFileProgress(0, 2);
    if (ctx.files.size() > kMaxSearchFiles) return kSearchTooManyFiles;

    bool stopped = false;
    // The Unicode pass reads the files whole ahead, keeps them up to a budget for the broken-links pass
    // and finds the pages' saved-from comments on the way (files are read ahead only when they can be
    // scanned ahead).
    std::unique_ptr<EarlyReads> early;
    if (state.rootPath.empty() && scanners.scanAhead && (ctx.search.searchSavedFromUrl || ctx.search.keepBytes > 0))
        early = std::make_unique<EarlyReads>(ctx.files.size(), ctx.search.keepBytes);
    struct Keeping {
        EngineContext& ctx;
        ~Keeping() { ctx.earlyReads = nullptr; }
    } keeping{ctx};
    ctx.earlyReads = early.get();
    if (state.rootPath.empty()) {
        // Addresses are collected afresh with the passes (the options step empties them too).
        ctx.savedFrom.Clear();
        stopped = RootPathPass(ctx, state) != 0 || CountingPass(ctx, state) != 0 || UnicodePass(ctx, fs) != 0 ||
                  (ctx.search.searchSavedFromUrl && SavedFromUrlPass(ctx, fs, state.processableFileCount) != 0);
        // Passes cut short leave counts and encodings half made: the next search runs them again.
        if (stopped) state.rootPath.clear();
    }
    int total = 0;
    if (!stopped) {
        ctx.rootPath = state.rootPath;
        state.stamps.assign(static_cast<std::size_t>(ctx.files.size()), FileStamp());
        // The Internet checks start ahead of the pass that waits for their answers.
        stopped = PrefetchInternetUrls(ctx, fs, scanners) != 0;
        if (!stopped) total = BrokenLinksPass(ctx, fs, state, scanners, &state.stamps);
        stopped = stopped || total < 0;
    }
    if (stopped) {
        if (ctx.internet != nullptr) ctx.internet->AbandonPrefetched();
        ctx.host.SetStatusText("Stopped");
        return kSearchStopped;
    }
    if (total > 0) ctx.host.AddLogLine(">> Done.", false);
    ShowSearchSummary(ctx, state);
    return total > 0 ? kSearchChanges : kSearchNoChanges;
}

}  // namespace corvane
