// Writes the queued changes into the site's files, keeping backups, without ever losing a file's content.
#pragma once

#include <cstdint>
#include <string>

#include "apply/markup_rewriter.h"
#include "platform/file_system.h"
#include "platform/operation_host.h"

namespace corvane {

// Results of ApplyAllChanges besides the count of changes.
constexpr std::int32_t kApplyStopped = -1;        // the user stopped the walk
constexpr std::int32_t kApplyDiskWriteError = -2;  // a file could not be written: emergency exit

// The message of the emergency exit that kApplyDiskWriteError asks the shell for.
constexpr char kDiskWritingErrorText[] = "Step8: Disk writing error!";
constexpr char kCancelApplyQuestion[] =
    "There are still some files to be processed, are you sure you want to cancel?";

struct ApplyContext {
    RewriteContext rewrite;  // the link table, the file list and the options of the rewrite
    FileSystem& fileSystem;
    OperationHost& host;     // log, progress, ESC and the question it asks
};

// Rewrites every page, style sheet and script of the file list, in list order. With
// review.makeBackups the old content of each file is kept as "<path>.bak", an older backup
// being replaced. Returns the number of records of the files written, kApplyStopped when the
// user stopped, or kApplyDiskWriteError when a file could not be written (the walk ends there;
// the file concerned still holds its old content, or its backup does).
std::int32_t ApplyAllChanges(const ApplyContext& context);

enum ApplyStatusMode : int { kApplyStatusRunning = 0, kApplyStatusDone = 1, kApplyStatusStopped = 2 };

// The status line of the apply step: "Press ESC to stop", the Done line, or "Stopped".
std::string ApplyStatusText(int mode, std::int32_t count, std::int32_t processableFileCount);
void ShowApplyStatus(OperationHost& host, int mode, std::int32_t count, std::int32_t processableFileCount);

}  // namespace corvane
