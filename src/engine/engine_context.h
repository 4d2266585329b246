// Everything the URL processor, the scanners and the replacement search work on during one search.
#pragma once

#include <cstdint>
#include <string>

#include "engine/link_table.h"
#include "engine/options.h"
#include "engine/replacement_search.h"
#include "filelist/file_list.h"
#include "platform/operation_host.h"

namespace corvane {

// Answers whether an Internet URL works: 0 it answers, positive broken, negative stopped.
class FragmentCheck;

class InternetUrlChecker {
public:
    virtual ~InternetUrlChecker() = default;
    virtual int CheckInternetUrl(const std::string& url) = 0;
};

struct EngineContext {
    LinkTable& links;
    FileList& files;
    SavedFromTable& savedFrom;
    const SearchOptions& search;
    const ProcessingOptions& processing;
    OperationHost& host;
    std::string rootPath;                       // the site's root folder, found by the search
    bool skipInternetCheck = true;              // true: Internet URLs are taken as unchecked
    InternetUrlChecker* internet = nullptr;     // consulted unless skipInternetCheck
    FragmentCheck* fragments = nullptr;         // set by the broken-links pass when #fragments are checked
};

}  // namespace corvane
