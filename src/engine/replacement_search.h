// Proposing a file of the site for a broken link: saved-from-url table, search by file name, queuing.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/text_search.h"

namespace corvane {

struct EngineContext;
class FileList;

// Addresses from pages' "saved from url" comments, one entry per page at most.
class SavedFromTable {
public:
    void Add(const std::string& decodedUrl, std::uint32_t row);
    void Clear();
    std::int32_t savedFromCount() const { return static_cast<std::int32_t>(urls_.size()); }
    const std::string& url(std::int32_t i) const { return urls_[static_cast<std::size_t>(i)]; }
    std::uint32_t row(std::int32_t i) const { return rows_[static_cast<std::size_t>(i)]; }
    // Row of the first entry whose address equals url ignoring case; -1 when none.
    std::int32_t FindSavedFromUrl(const std::string& url) const;
    // Whether an address of the table is on this host (ignoring case); never for an empty host.
    bool NamesHost(const std::string& host) const;

private:
    std::vector<std::string> urls_;
    std::unordered_set<std::string> hosts_;  // in lower case: asked for every Internet URL of the site
    std::vector<std::uint32_t> rows_;
};

// The row most likely meant by a missing target (an Internet URL or a local path), among
// rows with the same file name from firstRow on; marks it referenced. -1 when none.
std::int32_t FindByFileName(FileList& files, const std::string& target, std::int32_t firstRow);

// The address of file `row` of the site as replacements are written: relative to `from` (a page, or
// a folder with its closing backslash), under the base URL, or as a file:/// URL, as step 4 says.
std::string SiteAddress(const EngineContext& ctx, const std::string& from, std::int32_t row,
                        const std::string& fragment);

// Fills the pending record with url + fragment and a replacement built from `candidate`
// (-1: a deletion) and commits it when it differs from the URL. Returns 1 when committed.
int QueueReplacement(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos,
                     std::int32_t valuePos, std::int32_t candidate, const std::string& url,
                     const std::string& fragment, bool isAttributeValue);

}  // namespace corvane
