// Reading and scanning ahead of the broken-links pass.
#include "engine/scan_ahead.h"

#include <exception>
#include <utility>

#include "engine/early_reads.h"
#include "engine/markup_scanner.h"

namespace corvane {
namespace {

// Files held at once beyond the one being played: a few per worker, and never more than this
// many bytes unless a single file is larger.
constexpr std::size_t kFilesPerJob = 4;
constexpr std::size_t kMaxBytesAhead = 64u << 20;

}  // namespace

ScanAhead::ScanAhead(EngineContext& ctx, FileSystem& fs, const FileScanners& scanners, int jobs, bool copyKept)
    : ScanAhead(ctx, fs, jobs, [](const std::string& path) { return ProcessableKind(path) != kNotProcessable; },
                [scanners](EngineContext& scanCtx, File& file, std::uint32_t row, const std::string& path) {
                    const FileKind kind = ProcessableKind(path);
                    const FileScanner scan = kind == kPageFile     ? scanners.page
                                             : kind == kScriptFile ? scanners.script
                                                                   : scanners.styleSheet;
                    if (scan == nullptr) return;
                    scan(scanCtx, file.bytes.data(), static_cast<std::int32_t>(file.bytes.size()), path, row);
                    file.scanned = true;
                }) {
    copyKept_ = copyKept;
}

ScanAhead::ScanAhead(EngineContext& ctx, FileSystem& fs, int jobs, const std::function<bool(const std::string&)>& takes,
                     Scan scan, bool detectEncodings, std::function<bool(const std::string&)> whole)
    : ctx_(ctx), fs_(fs), scan_(std::move(scan)), detect_(detectEncodings), whole_(std::move(whole)) {
    for (std::int32_t i = 0; i < ctx.files.size(); ++i) {
        if (!takes(ctx.files.path(i))) continue;
        rows_.push_back(i);
        paths_.push_back(ctx.files.path(i));
        encodings_.push_back(ctx.links.fileEncoding(static_cast<std::uint32_t>(i)));
    }
    // More threads than that only wait on the disk and on the pass. None: the pass reads each file itself.
    const std::size_t workers = static_cast<std::size_t>(jobs < 1 ? 0 : jobs > 64 ? 64 : jobs);
    ring_.resize(workers * kFilesPerJob + 1);
    run_ = ring_.size() > 1 ? ring_.size() / 2 : 1;
    for (auto& file : ring_) file = std::make_unique<File>();
    try {
        for (std::size_t i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
    } catch (const std::exception&) {
        // Fewer workers, or none: TakeNext then reads the file itself.
    }
}

ScanAhead::~ScanAhead() {
    {
        std::lock_guard<SyncLock> lock(lock_);
        stopping_ = true;
    }
    room_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

bool ScanAhead::MayStart(std::size_t position) const {
    // The file the pass waits for always; the others while the ring and the byte budget allow.
    return position == wanted_ || (position < wanted_ + ring_.size() && bytesAhead_ < kMaxBytesAhead);
}

// The file waited for is ready, and so is a run after it, or no more can be started now.
bool ScanAhead::PassMayGo() const {
    if (ring_[wanted_ % ring_.size()]->position != wanted_) return false;
    if (next_ >= rows_.size() || !MayStart(next_)) return true;
    std::size_t ready = 1;
    while (ready < run_ && ring_[(wanted_ + ready) % ring_.size()]->position == wanted_ + ready) ++ready;
    return ready == run_;
}

bool ScanAhead::RoomForRun() const {
    return next_ >= rows_.size() || next_ == wanted_ || (next_ + run_ <= wanted_ + ring_.size() && bytesAhead_ < kMaxBytesAhead);
}

void ScanAhead::Work() {
    LinkTable scratch;  // gives the scanners the file's encoding; nothing is queued in it
    FileList noRows;
    ScanScratch lists;
    std::unique_lock<SyncLock> lock(lock_);
    for (;;) {
        if (!stopping_ && next_ < rows_.size() && !MayStart(next_)) {
            if (passWaiting_ && PassMayGo()) ready_.notify_one();
            ++workersWaiting_;
            room_.wait(lock, [this] { return stopping_ || next_ >= rows_.size() || MayStart(next_); });
            --workersWaiting_;
        }
        if (stopping_ || next_ >= rows_.size()) {
            if (passWaiting_) ready_.notify_one();
            return;
        }
        const std::size_t position = next_++;
        File& file = *ring_[position % ring_.size()];
        lock.unlock();
        Fill(file, position, scratch, noRows, lists);
        lock.lock();
        file.position = position;
        file.counted = file.bytes.size();
        bytesAhead_ += file.counted;
        if (passWaiting_ && PassMayGo()) ready_.notify_one();
    }
}

void ScanAhead::Fill(File& file, std::size_t position, LinkTable& scratch, FileList& noRows, ScanScratch& lists) {
    file.scanned = false;
    file.record.Clear();
    file.info = FileInfo();
    file.marked = -1;
    const std::int32_t row = rows_[position];
    std::uint8_t encoding = encodings_[position];
    EarlyReads* early = ctx_.earlyReads;
    if (detect_ && early != nullptr && early->full() && !(whole_ && whole_(paths_[position]))) {
        file.read = false;
        file.bytes.clear();
        file.marked = fs_.ReadFirstBytes(paths_[position], file.mark, 2);
        return;
    }
    const bool kept = !detect_ && early != nullptr &&
                      (copyKept_ ? early->Copy(row, &file.bytes, file.info, file.hash)
                                 : early->Take(row, file.bytes, file.info, file.hash));
    if (!kept) {
        file.read = fs_.ReadWholeFileAndInfo(paths_[position], file.bytes, file.info);
        if (!file.read) {
            file.bytes.clear();
            return;
        }
        file.hash = ContentHash(file.bytes.data(), file.bytes.size());
    }
    file.read = true;
    if (detect_) encoding = EncodingOfFirstBytes(file.bytes.data(), file.bytes.size());
    if (encoding == kEncodingUtf16BE && !kept) SwapByteOrder(file.bytes.data(), file.bytes.size());
    file.encoding = encoding;
    if (file.bytes.empty()) return;
    scratch.setFileEncoding(static_cast<std::uint32_t>(row), encoding);
    NotingHost host(file.record);
    EngineContext scanCtx(scratch, noRows, ctx_.savedFrom, ctx_.search, ctx_.processing, host, ctx_.rootPath);
    scanCtx.recording = &file.record;
    lists.LetGoOfLarge();
    scanCtx.scratch = &lists;
    scan_(scanCtx, file, static_cast<std::uint32_t>(row), paths_[position]);
}

ScanAhead::File& ScanAhead::TakeNext() {
    std::unique_lock<SyncLock> lock(lock_);
    if (started_) {
        // The file played before is let go: its place in the ring may be filled again.
        File& played = *ring_[wanted_ % ring_.size()];
        bytesAhead_ -= played.counted;
        played.counted = 0;
        ++wanted_;
    }
    started_ = true;
    const std::size_t position = wanted_;
    File& file = *ring_[position % ring_.size()];
    if (position >= rows_.size()) {
        // More asked for than there are processable rows: nothing to read.
        file = File();
        return file;
    }
    if (threads_.empty()) {
        // No worker was asked for or could be started: read and scan it now.
        lock.unlock();
        if (!ownScratch_) ownScratch_ = std::make_unique<LinkTable>();
        if (!ownLists_) ownLists_ = std::make_unique<ScanScratch>();
        Fill(file, position, *ownScratch_, ownNoRows_, *ownLists_);
        file.position = position;
        return file;
    }
    if (workersWaiting_ > 0 && RoomForRun()) room_.notify_all();
    if (file.position == position) return file;
    // About to wait: every idle worker that can start a file is wanted now, whatever the run.
    if (workersWaiting_ > 0 && next_ < rows_.size() && MayStart(next_)) room_.notify_all();
    passWaiting_ = true;
    ready_.wait(lock, [this, &file, position] { return file.position == position && PassMayGo(); });
    passWaiting_ = false;
    return file;
}

}  // namespace corvane
