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
class InternetUrlChecker {
public:
    virtual ~InternetUrlChecker() = default;
    virtual int CheckInternetUrl(const std::string& url) = 0;
    // True when the checker would start checks early, given the URLs before they are asked.
    virtual bool Prefetches() const { return false; }
    // A URL the search is going to ask about; its check may start now.
    virtual void Prefetch(const std::string& url) { (void)url; }
    // The user stopped the search: every check started early is given up, nothing kept from it.
    virtual void AbandonPrefetched() {}
    // The new address of a URL that CheckInternetUrl found moved for good; empty when it was not.
    virtual std::string MovedAddress(const std::string& url) const {
        (void)url;
        return std::string();
    }
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
};

}  // namespace corvane
