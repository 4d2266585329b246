// Learning a search's Internet URLs ahead of it, so that their checks run while it walks the pages.
#pragma once

#include "engine/engine_context.h"
#include "engine/search_driver.h"
#include "platform/file_system.h"

namespace corvane {

// Scans every processable row with the given scanners into a scratch table and hands each
// Internet URL they ask about to ctx.internet->Prefetch, in the order met. Shows nothing and
// changes nothing the search keeps. 0 when done, -1 when the user pressed ESC.
int PrefetchInternetUrls(EngineContext& ctx, FileSystem& fs, const FileScanners& scanners);

}  // namespace corvane
