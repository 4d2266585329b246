// Reading and scanning the files of a pass on worker threads, a bounded way ahead of the pass, which
// plays each file's noted scan in the file list's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_context.h"
#include "engine/markup_scanner.h"
#include "engine/scan_record.h"
#include "engine/search_driver.h"
#include "platform/file_system.h"
#include "platform/thread_sync.h"

namespace corvane {

class ScanAhead {
public:
    struct File {
        bool read = false;  // false: it could not be read, as ReadWholeFile would say
        std::vector<unsigned char> bytes;  // UTF-16 big-endian turned round, as the scanners read it
        FileInfo info;
        std::uint64_t hash = 0;  // of the bytes as read
        bool scanned = false;    // record holds its scan
        ScanRecord record;
        std::uint8_t encoding = 0;  // the one the scan read it in
        std::size_t position = static_cast<std::size_t>(-1);  // in the order of processable rows
        std::size_t counted = 0;  // bytes it adds to what is held ahead
        // Not read whole because no more files could be kept: its first bytes (how many in marked, -1 when
        // it could not be opened), as the Unicode pass reads them.
        int marked = -1;
        unsigned char mark[2] = {0, 0};
    };

    // Notes the scan of one file: scanCtx has the file's encoding, a host that notes what it is
    // given and ctx.recording set; bytes are those of file.
    using Scan = std::function<void(EngineContext& scanCtx, File& file, std::uint32_t row, const std::string& path)>;

    // The rows whose path `takes` accepts, scanned with `scan`. ctx must not change its options,
    // rows, encodings or saved-from addresses while this lives; with jobs below 1 no thread is started
    // and TakeNext reads each file itself. With detectEncodings each file's
    // encoding comes from its first bytes, as the Unicode pass tells it, instead of from ctx; once
    // ctx.earlyReads keeps no more files, a file that `whole` does not accept is read for those bytes only.
    ScanAhead(EngineContext& ctx, FileSystem& fs, int jobs, const std::function<bool(const std::string&)>& takes,
              Scan scan, bool detectEncodings = false, std::function<bool(const std::string&)> whole = nullptr);
    // The broken-links pass: every processable file, with its kind's scanner. A file kept by
    // ctx.earlyReads is not read again: it is taken from there (copied with copyKept).
    ScanAhead(EngineContext& ctx, FileSystem& fs, const FileScanners& scanners, int jobs, bool copyKept = false);
    ~ScanAhead();
    ScanAhead(const ScanAhead&) = delete;
    ScanAhead& operator=(const ScanAhead&) = delete;

    // The next processable row's file, once read and scanned; the one taken before is let go.
    File& TakeNext();

private:
    void Work();
    void Fill(File& file, std::size_t position, LinkTable& scratch, FileList& noRows, ScanScratch& lists);
    bool MayStart(std::size_t position) const;

    EngineContext& ctx_;
    FileSystem& fs_;
    Scan scan_;
    bool detect_;
    std::function<bool(const std::string&)> whole_;
    bool copyKept_ = false;
    std::vector<std::int32_t> rows_;         // the processable rows in order
    std::vector<std::string> paths_;         // theirs, copied: the pass marks rows while workers read
    std::vector<std::uint8_t> encodings_;
    std::vector<std::unique_ptr<File>> ring_;

    // Waking a thread is costly under some systems (a round trip to a server), so the pass is woken
    // when a run of files is ready and the workers when there is room for a run.
    bool PassMayGo() const;
    bool RoomForRun() const;

    SyncLock lock_;
    SyncCondition ready_;  // the pass waits on it
    SyncCondition room_;   // idle workers wait on it
    bool passWaiting_ = false;
    std::size_t workersWaiting_ = 0;
    std::size_t run_ = 1;  // files that make a run
    std::size_t next_ = 0;   // the next position a worker takes
    std::size_t wanted_ = 0;  // the position the pass waits for or plays
    std::size_t bytesAhead_ = 0;
    bool started_ = false;  // a file was taken
    bool stopping_ = false;
    std::vector<std::thread> threads_;
    std::unique_ptr<LinkTable> ownScratch_;  // for the files the pass reads itself
    FileList ownNoRows_;
    std::unique_ptr<ScanScratch> ownLists_;
};

}  // namespace corvane
