// The prefetch pass: the search's own scanners run over a scratch table, recording what they would ask on line.
#include "engine/internet_prefetch.h"

#include <memory>
#include <string>
#include <vector>

#include "engine/early_reads.h"
#include "engine/markup_scanner.h"
#include "engine/scan_ahead.h"

namespace corvane {
namespace {

// Hands each URL on to be started, and answers "working" so that nothing more is done with it.
class RecordingChecker : public InternetUrlChecker {
public:
    explicit RecordingChecker(InternetUrlChecker& real) : real_(real) {}
    int CheckInternetUrl(const std::string& url) override {
        real_.Prefetch(url);
        return 0;
    }

private:
    InternetUrlChecker& real_;
};

// Shows nothing; only ESC gets through (F10 means nothing before a URL is being waited on).
class QuietHost : public OperationHost {
public:
    explicit QuietHost(OperationHost& real) : real_(real) {}
    void AddLogLine(const std::string&, bool) override {}
    void SetOverallProgress(std::int32_t, std::int32_t) override {}
    void SetFileProgress(std::int32_t, std::int32_t) override {}
    void SetStatusText(const std::string&) override {}
    int PumpMessages() override { return real_.PumpMessages() == kPollStop ? kPollStop : kPollNothing; }

private:
    OperationHost& real_;
};

}  // namespace

int PrefetchInternetUrls(EngineContext& ctx, FileSystem& fs, const FileScanners& scanners) {
    if (ctx.skipInternetCheck || ctx.internet == nullptr || !ctx.internet->Prefetches()) return 0;
    RecordingChecker recorder(*ctx.internet);
    QuietHost quiet(ctx.host);
    LinkTable scratch;
    FileList files = ctx.files;  // the scanners mark rows referenced
    const std::int32_t rows = files.size();
    for (std::int32_t i = 0; i < rows; ++i) {
        const auto file = static_cast<std::uint32_t>(i);
        scratch.setFileEncoding(file, ctx.links.fileEncoding(file));
    }
    EngineContext scratchCtx{scratch, files, ctx.savedFrom, ctx.search, ctx.processing, quiet, ctx.rootPath,
                             false, &recorder};
    scratchCtx.earlyReads = ctx.earlyReads;  // files kept by the Unicode pass are copied, not read
    // As in the broken-links pass: files read and scanned on several threads, played here in order,
    // so that the checks are started in the order met.
    std::unique_ptr<ScanAhead> ahead;
    if (ctx.search.jobs > 1 && scanners.scanAhead)
        ahead = std::make_unique<ScanAhead>(scratchCtx, fs, scanners, ctx.search.jobs, true);
    std::vector<unsigned char> buffer;
    for (std::int32_t i = 0; i < rows; ++i) {
        const std::string& path = files.path(i);
        const FileKind kind = ProcessableKind(path);
        if (kind == kNotProcessable) continue;
        ScanAhead::File* scanned = ahead ? &ahead->TakeNext() : nullptr;
        if (scanned != nullptr) {
            if (!scanned->read) continue;
            buffer.swap(scanned->bytes);
        } else {
            FileInfo info;
            std::uint64_t hash = 0;
            const bool kept = ctx.earlyReads != nullptr && ctx.earlyReads->Copy(i, &buffer, info, hash);
            if (!kept && !fs.ReadWholeFile(path, buffer)) continue;
            if (!kept && scratch.fileEncoding(static_cast<std::uint32_t>(i)) == kEncodingUtf16BE)
                SwapByteOrder(buffer.data(), buffer.size());
        }
        if (buffer.empty()) continue;
        const auto file = static_cast<std::uint32_t>(i);
        const FileScanner scan =
            kind == kPageFile ? scanners.page : kind == kScriptFile ? scanners.script : scanners.styleSheet;
        if (scan == nullptr) continue;
        const auto size = static_cast<std::int32_t>(buffer.size());
        const int found = scanned != nullptr ? PlayScan(scratchCtx, buffer.data(), size, file, scanned->record)
                                             : scan(scratchCtx, buffer.data(), size, path, file);
        if (found < 0) return -1;
        scratch.ClearLinkTable();
    }
    return 0;
}

}  // namespace corvane
