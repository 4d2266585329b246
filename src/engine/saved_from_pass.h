// The pass that collects the addresses named by saved pages' "saved from url" comments.
#pragma once

#include <cstdint>

#include "engine/early_reads.h"
#include "engine/engine_context.h"
#include "engine/scan_ahead.h"
#include "platform/file_system.h"

namespace corvane {

// Result of the pass when the user pressed ESC; entries collected before stay.
constexpr int kSavedFromStopped = 255;

// Reads every page of the file list and adds its first "saved from url" address to
// ctx.savedFrom, logging one line per page read. The overall bar runs over
// processableFileCount (counted here when negative). Returns 0, or kSavedFromStopped.
// Notes, into file.record, what a page's comments name and the polls made finding it (its bytes as
// the pass reads them, in the encoding scanCtx gives its row); the pass plays it back.
void NoteSavedFromUrl(EngineContext& scanCtx, ScanAhead::File& file, std::uint32_t row);
// What that note holds, as the pass plays it.
EarlyReads::SavedFrom SavedFromFinding(const ScanAhead::File& file);

int SavedFromUrlPass(EngineContext& ctx, FileSystem& fs, std::int32_t processableFileCount = -1);

}  // namespace corvane
