// Writes the queued changes into the site's files, keeping backups, without ever losing a file's content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "apply/markup_rewriter.h"
#include "platform/file_system.h"
#include "platform/operation_host.h"

namespace corvane {

// Results of ApplyAllChanges besides the count of changes.
constexpr std::int32_t kApplyStopped = -1;        // the user stopped the walk
constexpr std::int32_t kApplyDiskWriteError = -2;  // a write failed once its new file existed: emergency exit

// The message of the emergency exit that kApplyDiskWriteError asks the shell for.
constexpr char kDiskWritingErrorText[] = "Step8: Disk writing error!";
constexpr char kCancelApplyQuestion[] =
    "There are still some files to be processed, are you sure you want to cancel?";

struct ApplyContext {
    RewriteContext rewrite;  // the link table, the file list and the options of the rewrite
    FileSystem& fileSystem;
    OperationHost& host;     // log, progress, ESC and the question it asks
    // What the search saw of each row; a file that differs now is passed over. Null: not compared.
    const std::vector<FileStamp>* stamps = nullptr;
    // When given, receives the number of files passed over untouched.
    std::int32_t* passedOver = nullptr;
};

// Rewrites every page, style sheet and script of the file list, in list order. With
// review.makeBackups the old content of each file is kept as "<path>.bak", an older backup
// being replaced. A file is passed over untouched, with its log line saying why, and the walk goes
// on when: it was written already in this run under another name; it changed since the search;
// its backup would replace one made earlier in this run; its new text cannot even be created
// beside it (a read-only folder). Returns the number of records of the files written,
// kApplyStopped when the user stopped, or kApplyDiskWriteError when writing a new text failed
// after it was created or it could not be flushed (a full disk: the walk ends there; the file
// concerned still holds its old content, or its backup does). New texts are written and flushed
// many files at a time, then put in place in list order; when it returns, every file written and
// every backup is on the disk, and the log, progress and stops are as one file at a time gives them.
// Without backups, a file whose new text is its old one is left as it is (it already holds what
// writing would leave), and counts as written.
std::int32_t ApplyAllChanges(const ApplyContext& context);

enum ApplyStatusMode : int { kApplyStatusRunning = 0, kApplyStatusDone = 1, kApplyStatusStopped = 2 };

// The status line of the apply step: "Press ESC to stop", the Done line, or "Stopped".
// The Done line says how many files were passed over, when there were any, instead of "successfully".
std::string ApplyStatusText(int mode, std::int32_t count, std::int32_t processableFileCount,
                            std::int32_t passedOver = 0);
void ShowApplyStatus(OperationHost& host, int mode, std::int32_t count, std::int32_t processableFileCount,
                     std::int32_t passedOver = 0);

}  // namespace corvane
