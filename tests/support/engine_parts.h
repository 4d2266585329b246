// The tables, options and host an engine pass runs on, joined in one context, for tests.
#pragma once

#include <string>

#include "engine/engine_context.h"

namespace corvane {
namespace testing_support {

// Everything starts empty or at its default; the context has no root path yet and takes
// Internet URLs as unchecked. Host is the OperationHost the test wants to watch (or not).
template <typename Host>
struct EngineParts {
    LinkTable links;
    FileList files;
    SavedFromTable savedFrom;
    SearchOptions search;
    ProcessingOptions processing;
    Host host;
    EngineContext ctx{links, files, savedFrom, search, processing, host, std::string(), true, nullptr};
};

}  // namespace testing_support
}  // namespace corvane
