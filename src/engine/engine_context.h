// Everything the URL processor, the scanners and the replacement search work on during one search.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/link_table.h"
#include "engine/options.h"
#include "engine/replacement_search.h"
#include "filelist/file_list.h"
#include "platform/operation_host.h"

namespace corvane {

// Answers whether an Internet URL works: 0 it answers, positive broken, negative stopped.
class EarlyReads;
class FragmentCheck;
struct ScanRecord;
struct ScanScratch;

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

enum PageBaseKind : int { kBaseNone = 0, kBaseFolder, kBaseInternet };

// The <base href> of the page being scanned.
struct PageBase {
    int kind = kBaseNone;
    std::string folder;  // kBaseFolder: the folder relative URLs start from, with its closing backslash
    std::string url;     // kBaseInternet: the address relative URLs are added to, ending with '/'
};

struct EngineContext {
    // A constructor rather than an aggregate, so that a member added later needs no change where one is made.
    EngineContext(LinkTable& links_, FileList& files_, SavedFromTable& savedFrom_, const SearchOptions& search_,
                  const ProcessingOptions& processing_, OperationHost& host_, std::string rootPath_ = std::string(),
                  bool skipInternetCheck_ = true, InternetUrlChecker* internet_ = nullptr)
        : links(links_), files(files_), savedFrom(savedFrom_), search(search_), processing(processing_), host(host_),
          rootPath(std::move(rootPath_)), skipInternetCheck(skipInternetCheck_), internet(internet_) {}

    LinkTable& links;
    FileList& files;
    SavedFromTable& savedFrom;
    const SearchOptions& search;
    const ProcessingOptions& processing;
    OperationHost& host;
    std::string rootPath;                       // the site's root folder, found by the search
    bool skipInternetCheck = true;              // true: Internet URLs are taken as unchecked
    InternetUrlChecker* internet = nullptr;     // consulted unless skipInternetCheck
    PageBase pageBase;                          // set while a page with a <base href> is scanned
    FragmentCheck* fragments = nullptr;         // set by the broken-links pass when #fragments are checked
    ScanRecord* recording = nullptr;            // set while a file is scanned ahead: URLs are noted, not processed
    EarlyReads* earlyReads = nullptr;           // set by the search while the Unicode pass's findings are kept
    ScanScratch* scratch = nullptr;             // lent by whoever scans file after file
    // The texts of the URL at hand, kept from one URL to the next for their buffers.
    std::string urlRaw;
    std::string urlDecoded;
    std::string urlLocal;
    // The folder the local URLs of the page at hand start from, converted once for all of them when it
    // converts apart (ConvertsApart); made from urlHeadFrom: the page's path (kind 1) or the root folder (2).
    int urlHeadKind = 0;
    bool urlHeadApart = false;
    std::string urlHeadFrom;
    std::string urlHead;
};

}  // namespace corvane
