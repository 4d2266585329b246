// Writes the queued changes into the site's files, keeping backups, without ever losing a file's content.
#include "apply/apply_driver.h"

#include <algorithm>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/url_text.h"
#include "platform/utf8.h"

namespace corvane {
namespace {

bool IsProcessable(const std::string& path) {
    std::string extension;
    SplitPath(path, nullptr, nullptr, nullptr, &extension);
    for (const char* known : {"htm", "html", "shtml", "css", "js"})
        if (EqualsNoCase(extension, known)) return true;
    return false;
}

// Exchanges the bytes of every whole 16-bit unit; a stray last byte stays where it is.
void SwapUnits(std::vector<unsigned char>& bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
}

// Paths are limited to 259 characters (the system's 260 with the terminator).
constexpr std::size_t kMaxPathChars = 259;

// The n-th name beside `path` where the new text is written before it takes the file's
// place: "<path>.~cv", "<path>.~cv1", ...; when that would pass the path limit, "~cv",
// "~cv1", ... in the same folder, so that a long path is not taken for a disk error.
std::string TempCandidate(const std::string& path, int n) {
    const std::string number = n > 0 ? std::to_string(n) : std::string();
    std::string beside = path + ".~cv" + number;
    if (Utf16Length(beside) <= kMaxPathChars) return beside;
    std::string folder;
    SplitPath(path, &folder, nullptr, nullptr, nullptr);
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + "~cv" + number;
}

bool ChooseTempName(FileSystem& fs, const std::string& path, std::string* temp) {
    for (int n = 0; n < 100; ++n) {
        std::string candidate = TempCandidate(path, n);
        if (!fs.FileExists(candidate)) {
            *temp = std::move(candidate);
            return true;
        }
    }
    return false;
}

enum class WriteOutcome { kWritten, kUntouched, kDiskError };

// Puts the new text waiting (flushed) under `temp` in place of the file at `path`, moving the
// old file to `backup` when one is given, so that at every moment the old content is under
// `path` or under `backup`:
// - the old file cannot be moved to the backup name: the temporary file is removed, the
//   file and any older backup are as they were;
// - the new file cannot take the old name: the backup is moved back (if that fails too,
//   the old content stays in the backup: a disk error), the temporary file is removed;
// - without a backup the old file is replaced in one step or not at all.
// The moves are made durable by the caller's flush of their folders; `moved` receives their
// names. Whenever the file is left untouched, `reason` says why.
WriteOutcome PutInPlace(FileSystem& fs, const std::string& temp, const std::string& path, const std::string* backup,
                        std::string* reason, std::vector<std::string>* moved) {
    if (backup == nullptr) {
        if (fs.MoveFileUnflushed(temp, path, true)) {
            moved->push_back(path);
            return WriteOutcome::kWritten;
        }
        fs.DeleteFile(temp);
        *reason = "its new text cannot take its name (is it in use?)";
        return WriteOutcome::kUntouched;
    }
    if (!fs.MoveFileUnflushed(path, *backup, true)) {
        fs.DeleteFile(temp);
        *reason = "it cannot be moved to its backup (is it in use?)";
        return WriteOutcome::kUntouched;
    }
    moved->push_back(*backup);
    moved->push_back(path);
    if (fs.MoveFileUnflushed(temp, path, false)) return WriteOutcome::kWritten;
    const bool restored = fs.MoveFileUnflushed(*backup, path, false);
    fs.DeleteFile(temp);
    *reason = "its new text cannot take its name (is it in use?)";
    return restored ? WriteOutcome::kUntouched : WriteOutcome::kDiskError;
}

// Why a file about to be rewritten must be left as it is; empty when it may be written.
std::string ReasonToPassOver(const ApplyContext& context, std::int32_t row, bool known, const FileInfo& info,
                             const std::vector<unsigned char>& text, const std::set<FileIdentity>& written,
                             const std::set<FileIdentity>& backups, const std::string& backup) {
    // The same file reached again through a folder link or another name: its text changed with
    // the first write, and its backup must keep the original.
    if (known && written.count(info.identity)) return "already written under another name: not written";
    if (context.stamps != nullptr) {
        const std::vector<FileStamp>& stamps = *context.stamps;
        const FileStamp seen = static_cast<std::size_t>(row) < stamps.size() ? stamps[static_cast<std::size_t>(row)]
                                                                             : FileStamp();
        // The positions of its changes were measured on the text the search read.
        if (!seen.taken || seen.size != static_cast<std::int64_t>(text.size()) ||
            seen.lastWrite != (known ? info.lastWrite : -1) || seen.hash != ContentHash(text.data(), text.size()))
            return "changed since the search: not written";
    }
    FileInfo old;
    if (context.rewrite.review.makeBackups && !backups.empty() && context.fileSystem.GetFileInfo(backup, old) &&
        backups.count(old.identity))
        return "its backup was made earlier in this run: not written";
    return std::string();
}

// The files of a batch: written under temporary names, flushed together, then moved into
// place in list order. Many files share one wait for the disk instead of three waits each.
constexpr std::size_t kBatchFiles = 256;
constexpr std::size_t kBatchBytes = 32u << 20;

constexpr std::int32_t kGoOn = 0;
constexpr std::int32_t kEndBatch = 1;  // the row's write failed: the batch ends with it

// One row of the file list on its way through a batch.
struct StagedRow {
    std::int32_t row = 0;
    std::string path;
    bool logs = false;        // the file was read: it gets a log line
    bool headShown = false;   // the start of its log line is shown already
    std::string head;         // the start of its log line
    std::string why;          // why it is passed over; empty when it is to be written
    std::string temp;         // where its new text waits; empty when nothing is to be moved
    bool unchanged = false;   // its new text is its old one and no backup is made: nothing to move
    bool failedWrite = false; // its new text could not be written or flushed: a disk error
    std::int32_t changes = 0;
    bool known = false;  // its identity was read
    FileIdentity identity;
    // What its rewrite changed in the link table, to be given back when the row is dropped.
    bool rewritten = false;
    std::vector<std::pair<std::int32_t, std::int32_t>> valuePositions;
};

// The walk over the file list. What the host sees (log lines, progress, polls, the question)
// comes row by row as each batch is put in place, exactly as a walk writing one file at a
// time would show it; a stop or a disk error drops the rest of the batch as if never reached.
class ApplyWalk {
public:
    explicit ApplyWalk(const ApplyContext& context)
        : context_(context),
          rewrite_(context.rewrite),
          fs_(context.fileSystem),
          host_(context.host),
          fileCount_(rewrite_.files.size()),
          passedOver_(context.passedOver != nullptr ? *context.passedOver : uncounted_),
          byFile_(RecordsByFile(rewrite_.links, fileCount_)),
          secondPassAtStart_(rewrite_.links.secondPassLinks()) {
        passedOver_ = 0;
    }

    std::int32_t Run() {
        for (std::int32_t i = 0; i < fileCount_; ++i) {
            StagedRow staged;
            staged.row = i;
            staged.path = rewrite_.files.path(i);
            std::int32_t result = kGoOn;
            // A file listed twice is written once: a second time would put the first new text into
            // its backup and apply changes measured on the old text to the new one.
            if (IsProcessable(staged.path) && seen_.insert(FoldCase(staged.path)).second) result = Stage(staged);
            if (result < 0) return result;
            batch_.push_back(std::move(staged));
            if (result == kEndBatch || batch_.size() >= kBatchFiles || batchBytes_ >= kBatchBytes) {
                result = Commit();
                if (result != kGoOn) return result;
            }
        }
        const std::int32_t result = Commit();
        if (result != kGoOn) return result;
        FlushMoves();
        return total_;
    }

private:
    // Reads the row's file and, unless it is passed over, writes its new text under a temporary name.
    std::int32_t Stage(StagedRow& staged) {
        FileInfo info;
        staged.known = fs_.GetFileInfo(staged.path, info);
        std::vector<unsigned char> text;
        // A name that reaches a file of this batch must find it written, as it would one file at a
        // time; a file whose identity cannot be told might be one of them.
        const bool alias = staged.known ? pending_.count(info.identity) != 0 : !pending_.empty();
        if (!staged.known && !fs_.ReadWholeFile(staged.path, text)) return kGoOn;
        if (alias) {
            const std::int32_t result = Commit();
            if (result != kGoOn) return result;
            staged.known = fs_.GetFileInfo(staged.path, info);
        }
        staged.identity = info.identity;
        if ((staged.known || alias) && !fs_.ReadWholeFile(staged.path, text)) return kGoOn;
        if (text.empty()) return kGoOn;
        staged.logs = true;
        staged.head = "Processing \"" + staged.path + "\" (" + std::to_string(text.size()) + " bytes) ... ";
        staged.why = ReasonToPassOver(context_, staged.row, staged.known, info, text, written_, backups_,
                                      staged.path + ".bak");
        if (!staged.why.empty()) return kGoOn;

        // Big-endian files are rewritten as little-endian text and turned back in memory,
        // so each file is written once, whole, in its own byte order.
        const std::int32_t row = staged.row;
        const bool bigEndian = rewrite_.links.fileEncoding(static_cast<std::uint32_t>(row)) == kEncodingUtf16BE;
        if (bigEndian) SwapUnits(text);
        const std::vector<std::int32_t>& records = byFile_[static_cast<std::size_t>(row)];
        for (std::int32_t record : records)
            if (record >= 0 && record < rewrite_.links.linkCount())
                staged.valuePositions.emplace_back(record, rewrite_.links[record].linkValuePos);
        staged.rewritten = true;
        std::vector<unsigned char> output;
        staged.changes = RewriteFile(rewrite_, text.data(), static_cast<std::int32_t>(text.size()), row, output,
                                     &records);
        // Without a backup to make, a file whose new text is its old one already holds what writing
        // would leave: it counts as written, and the disk is spared a file (a second pass leaves
        // most pages as they are).
        const bool unchanged = !rewrite_.review.makeBackups && output == text;
        std::vector<unsigned char>().swap(text);
        if (unchanged) {
            staged.unchanged = true;
            if (staged.known) pending_.insert(staged.identity);
            return kGoOn;
        }
        if (bigEndian) SwapUnits(output);

        std::string temp;
        if (!ChooseTempName(fs_, staged.path, &temp)) {
            staged.why = "not written: no free name for its new text beside it";
            return kGoOn;
        }
        WriteFailure failure;
        if (!fs_.WriteNewFileUnflushed(temp, output.data(), output.size(), &failure)) {
            if (failure.notCreated) {
                staged.why = "not written: its new text cannot be created beside it (" + failure.reason + ")";
                return kGoOn;
            }
            staged.failedWrite = true;  // a full disk
            return kEndBatch;
        }
        staged.temp = std::move(temp);
        if (staged.known) pending_.insert(staged.identity);
        batchBytes_ += output.size();
        return kGoOn;
    }

    // Flushes the batch's new texts, puts them in place in list order and shows each row.
    std::int32_t Commit() {
        std::vector<std::string> temps;
        for (const StagedRow& staged : batch_)
            if (!staged.temp.empty()) temps.push_back(staged.temp);
        if (!temps.empty() && !fs_.FlushFiles(temps)) {
            // The new texts may not be on the disk: none takes a file's place, and the walk ends at
            // the first of them as at a failed write.
            bool first = true;
            for (StagedRow& staged : batch_) {
                if (staged.temp.empty()) continue;
                fs_.DeleteFile(staged.temp);
                staged.temp.clear();
                staged.failedWrite = first;
                first = false;
            }
        }
        // The moves of the batch before: where a flush is of the whole disk, the one just made
        // covered them, and their folders' flush has nothing left to do.
        FlushMoves();
        std::size_t reached = 0;
        std::int32_t result = kGoOn;
        while (reached < batch_.size() && result == kGoOn) {
            StagedRow& staged = batch_[reached++];
            if (staged.rewritten) reachedRewrite_ = true;
            if (staged.failedWrite) {
                host_.AddLogLine(staged.head, false);
                result = kApplyDiskWriteError;
            } else if (!staged.temp.empty() || staged.unchanged) {
                host_.AddLogLine(staged.head, false);
                staged.headShown = true;
                result = Place(staged, &moved_) ? Show(staged) : kApplyDiskWriteError;
            } else {
                result = Show(staged);
            }
        }
        // Whatever was moved is made durable on every way out; going on, with the next batch.
        if (result != kGoOn) {
            FlushMoves();
            Drop(reached);
        }
        batch_.clear();
        pending_.clear();
        batchBytes_ = 0;
        reachedRewrite_ = false;
        secondPassAtStart_ = rewrite_.links.secondPassLinks();
        return result;
    }

    void FlushMoves() {
        if (!moved_.empty()) fs_.FlushFolders(moved_);
        moved_.clear();
    }

    // Moves a staged row's new text into place; false on a disk error.
    bool Place(StagedRow& staged, std::vector<std::string>* moved) {
        const bool makeBackups = rewrite_.review.makeBackups;
        const std::string backup = staged.path + ".bak";
        std::string reason;
        const WriteOutcome outcome =
            staged.unchanged
                ? WriteOutcome::kWritten
                : PutInPlace(fs_, staged.temp, staged.path, makeBackups ? &backup : nullptr, &reason, moved);
        staged.temp.clear();
        if (outcome == WriteOutcome::kDiskError) return false;
        // A file left as it was is said so, never "done".
        if (outcome == WriteOutcome::kUntouched) staged.why = "not written: " + reason;
        if (outcome == WriteOutcome::kWritten) {
            total_ += staged.changes;
            // The old file (now the backup, or gone) and the new one both count as
            // written: another name may reach either.
            if (staged.known) written_.insert(staged.identity);
            if (staged.known && makeBackups) backups_.insert(staged.identity);
            FileInfo now;
            if (!(staged.unchanged && staged.known) && fs_.GetFileInfo(staged.path, now)) written_.insert(now.identity);
        }
        return true;
    }

    // The row's log line, progress and poll; kApplyStopped when the user stops there.
    std::int32_t Show(const StagedRow& staged) {
        if (staged.logs) {
            if (!staged.headShown) host_.AddLogLine(staged.head, false);
            if (!staged.why.empty()) ++passedOver_;
            host_.AddLogLine(staged.why.empty() ? "done" : staged.why, true);
        }
        host_.SetOverallProgress(staged.row, fileCount_);
        if (host_.PumpMessages() == kPollStop && host_.AskYesNo(kCancelApplyQuestion)) return kApplyStopped;
        return kGoOn;
    }

    // Drops the rows of the batch from `first` on: their new texts go, and the link table gets
    // back what their rewrites changed (record positions and the second-pass list).
    void Drop(std::size_t first) {
        bool undone = false;
        for (std::size_t k = first; k < batch_.size(); ++k) {
            StagedRow& staged = batch_[k];
            if (!staged.temp.empty()) fs_.DeleteFile(staged.temp);
            if (!staged.rewritten) continue;
            for (const auto& saved : staged.valuePositions) rewrite_.links[saved.first].linkValuePos = saved.second;
            undone = true;
        }
        if (!undone) return;
        // Each rewrite drops the removed records from the list: the list is as the last rewrite reached left it.
        std::vector<std::int32_t> list = secondPassAtStart_;
        if (reachedRewrite_) {
            const std::int32_t count = rewrite_.links.linkCount();
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](std::int32_t record) {
                                          return record >= 0 && record < count &&
                                                 rewrite_.links[record].linkValuePos < 0;
                                      }),
                       list.end());
        }
        rewrite_.links.secondPassLinks() = std::move(list);
    }

    const ApplyContext& context_;
    const RewriteContext& rewrite_;
    FileSystem& fs_;
    OperationHost& host_;
    const std::int32_t fileCount_;
    std::int32_t uncounted_ = 0;
    std::int32_t& passedOver_;
    const std::vector<std::vector<std::int32_t>> byFile_;
    std::int32_t total_ = 0;
    std::unordered_set<std::string> seen_;
    // Files written and backups made in this run, by identity, whatever name reaches them.
    std::set<FileIdentity> written_, backups_;
    std::vector<StagedRow> batch_;
    std::set<FileIdentity> pending_;  // the files of the batch that get a new text
    std::vector<std::string> moved_;  // names moved whose folders are not flushed yet
    std::size_t batchBytes_ = 0;
    std::vector<std::int32_t> secondPassAtStart_;  // the second-pass list when the batch began
    bool reachedRewrite_ = false;                  // a rewritten row of this batch was reached
};

}  // namespace

std::int32_t ApplyAllChanges(const ApplyContext& context) { return ApplyWalk(context).Run(); }

std::string ApplyStatusText(int mode, std::int32_t count, std::int32_t processableFileCount,
                            std::int32_t passedOver) {
    switch (mode) {
        case kApplyStatusRunning:
            return "Press ESC to stop";
        case kApplyStatusDone:
            // Short enough for the one line of the step's status.
            return "Done: " + std::to_string(count) + " change(s) in " + std::to_string(processableFileCount) +
                   (passedOver > 0 ? " file(s) applied, " + std::to_string(passedOver) + " file(s) not written"
                                   : " file(s) applied successfully");
        default:
            return "Stopped";
    }
}

void ShowApplyStatus(OperationHost& host, int mode, std::int32_t count, std::int32_t processableFileCount,
                     std::int32_t passedOver) {
    host.SetStatusText(ApplyStatusText(mode, count, processableFileCount, passedOver));
}

}  // namespace corvane
