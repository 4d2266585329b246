// Writes the queued changes into the site's files, keeping backups, without ever losing a file's content.
#include "apply/apply_driver.h"

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

// Puts `data` in place of the file at `path`, moving the old file to `backup` when one is
// given. The new text is written whole under a temporary name first, so at every moment
// the old content is under `path` or under `backup`:
// - the temporary file cannot be created: nothing was touched;
// - the temporary file cannot be written once created: nothing else was touched (a disk error);
// - the old file cannot be moved to the backup name: the temporary file is removed, the
//   file and any older backup are as they were;
// - the new file cannot take the old name: the backup is moved back (if that fails too,
//   the old content stays in the backup: a disk error), the temporary file is removed;
// - without a backup the old file is replaced in one step or not at all.
// Whenever the file is left untouched, `reason` says why.
WriteOutcome ReplaceFile(FileSystem& fs, const std::string& path, const std::vector<unsigned char>& data,
                         const std::string* backup, std::string* reason) {
    std::string temp;
    if (!ChooseTempName(fs, path, &temp)) {
        *reason = "no free name for its new text beside it";
        return WriteOutcome::kUntouched;
    }
    WriteFailure failure;
    if (!fs.WriteNewFile(temp, data.data(), data.size(), &failure)) {
        if (!failure.notCreated) return WriteOutcome::kDiskError;
        *reason = "its new text cannot be created beside it (" + failure.reason + ")";
        return WriteOutcome::kUntouched;
    }
    if (backup == nullptr) {
        if (fs.MoveFile(temp, path, true)) return WriteOutcome::kWritten;
        fs.DeleteFile(temp);
        *reason = "its new text cannot take its name (is it in use?)";
        return WriteOutcome::kUntouched;
    }
    if (!fs.MoveFile(path, *backup, true)) {
        fs.DeleteFile(temp);
        *reason = "it cannot be moved to its backup (is it in use?)";
        return WriteOutcome::kUntouched;
    }
    if (fs.MoveFile(temp, path, false)) return WriteOutcome::kWritten;
    const bool restored = fs.MoveFile(*backup, path, false);
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

}  // namespace

std::int32_t ApplyAllChanges(const ApplyContext& context) {
    const RewriteContext& rewrite = context.rewrite;
    FileSystem& fs = context.fileSystem;
    OperationHost& host = context.host;
    const std::int32_t fileCount = rewrite.files.size();
    std::int32_t total = 0;
    // A file listed twice is written once: a second time would put the first new text into
    // its backup and apply changes measured on the old text to the new one.
    std::unordered_set<std::string> seen;
    // Files written and backups made in this run, by identity, whatever name reaches them.
    std::set<FileIdentity> written, backups;
    std::int32_t uncounted = 0;
    std::int32_t& passedOver = context.passedOver != nullptr ? *context.passedOver : uncounted;
    passedOver = 0;
    const std::vector<std::vector<std::int32_t>> byFile = RecordsByFile(rewrite.links, fileCount);

    for (std::int32_t i = 0; i < fileCount; ++i) {
        const std::string path = rewrite.files.path(i);
        std::vector<unsigned char> text;
        FileInfo info;
        bool known = false, readable = false;
        if (IsProcessable(path) && seen.insert(FoldCase(path)).second) {
            known = fs.GetFileInfo(path, info);
            readable = fs.ReadWholeFile(path, text) && !text.empty();
        }
        if (readable) {
            host.AddLogLine("Processing \"" + path + "\" (" + std::to_string(text.size()) + " bytes) ... ", false);
            const std::string backup = path + ".bak";
            std::string why = ReasonToPassOver(context, i, known, info, text, written, backups, backup);
            if (why.empty()) {
                // Big-endian files are rewritten as little-endian text and turned back in memory,
                // so each file is written once, whole, in its own byte order.
                const bool bigEndian = rewrite.links.fileEncoding(static_cast<std::uint32_t>(i)) == kEncodingUtf16BE;
                if (bigEndian) SwapUnits(text);
                std::vector<unsigned char> output;
                const std::int32_t changes =
                    RewriteFile(rewrite, text.data(), static_cast<std::int32_t>(text.size()), i, output,
                                &byFile[static_cast<std::size_t>(i)]);
                std::vector<unsigned char>().swap(text);
                if (bigEndian) SwapUnits(output);

                std::string reason;
                const WriteOutcome outcome =
                    ReplaceFile(fs, path, output, rewrite.review.makeBackups ? &backup : nullptr, &reason);
                if (outcome == WriteOutcome::kDiskError) return kApplyDiskWriteError;
                // A file left as it was is said so, never "done".
                if (outcome == WriteOutcome::kUntouched) why = "not written: " + reason;
                if (outcome == WriteOutcome::kWritten) {
                    total += changes;
                    // The old file (now the backup, or gone) and the new one both count as
                    // written: another name may reach either.
                    if (known) written.insert(info.identity);
                    if (known && rewrite.review.makeBackups) backups.insert(info.identity);
                    FileInfo now;
                    if (fs.GetFileInfo(path, now)) written.insert(now.identity);
                }
            }
            if (!why.empty()) ++passedOver;
            host.AddLogLine(why.empty() ? "done" : why, true);
        }
        host.SetOverallProgress(i, fileCount);
        if (host.PumpMessages() == kPollStop && host.AskYesNo(kCancelApplyQuestion)) return kApplyStopped;
    }
    return total;
}

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
