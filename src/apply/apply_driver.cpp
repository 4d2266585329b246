// Writes the queued changes into the site's files, keeping backups, without ever losing a file's content.
#include "apply/apply_driver.h"

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
// - the temporary file cannot be written: nothing else was touched (a disk error);
// - the old file cannot be moved to the backup name: the temporary file is removed, the
//   file and any older backup are as they were;
// - the new file cannot take the old name: the backup is moved back (if that fails too,
//   the old content stays in the backup: a disk error), the temporary file is removed;
// - without a backup the old file is replaced in one step or not at all.
WriteOutcome ReplaceFile(FileSystem& fs, const std::string& path, const std::vector<unsigned char>& data,
                         const std::string* backup) {
    std::string temp;
    if (!ChooseTempName(fs, path, &temp)) return WriteOutcome::kUntouched;
    if (!fs.WriteNewFile(temp, data.data(), data.size())) return WriteOutcome::kDiskError;
    if (backup == nullptr) {
        if (fs.MoveFile(temp, path, true)) return WriteOutcome::kWritten;
        fs.DeleteFile(temp);
        return WriteOutcome::kUntouched;
    }
    if (!fs.MoveFile(path, *backup, true)) {
        fs.DeleteFile(temp);
        return WriteOutcome::kUntouched;
    }
    if (fs.MoveFile(temp, path, false)) return WriteOutcome::kWritten;
    const bool restored = fs.MoveFile(*backup, path, false);
    fs.DeleteFile(temp);
    return restored ? WriteOutcome::kUntouched : WriteOutcome::kDiskError;
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
    const std::vector<std::vector<std::int32_t>> byFile = RecordsByFile(rewrite.links, fileCount);

    for (std::int32_t i = 0; i < fileCount; ++i) {
        const std::string path = rewrite.files.path(i);
        std::vector<unsigned char> text;
        if (IsProcessable(path) && seen.insert(FoldCase(path)).second && fs.ReadWholeFile(path, text) &&
            !text.empty()) {
            host.AddLogLine("Processing \"" + path + "\" (" + std::to_string(text.size()) + " bytes) ... ", false);
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

            const std::string backup = path + ".bak";
            const WriteOutcome outcome =
                ReplaceFile(fs, path, output, rewrite.review.makeBackups ? &backup : nullptr);
            if (outcome == WriteOutcome::kDiskError) return kApplyDiskWriteError;
            if (outcome == WriteOutcome::kWritten) total += changes;
            host.AddLogLine("done", true);
        }
        host.SetOverallProgress(i, fileCount);
        if (host.PumpMessages() == kPollStop && host.AskYesNo(kCancelApplyQuestion)) return kApplyStopped;
    }
    return total;
}

std::string ApplyStatusText(int mode, std::int32_t count, std::int32_t processableFileCount) {
    switch (mode) {
        case kApplyStatusRunning:
            return "Press ESC to stop";
        case kApplyStatusDone:
            return "Done: " + std::to_string(count) + " change(s) in " + std::to_string(processableFileCount) +
                   " file(s) applied successfully";
        default:
            return "Stopped";
    }
}

void ShowApplyStatus(OperationHost& host, int mode, std::int32_t count, std::int32_t processableFileCount) {
    host.SetStatusText(ApplyStatusText(mode, count, processableFileCount));
}

}  // namespace corvane
