// Turns the queued changes of one site file into the file's new text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "apply/apply_options.h"
#include "engine/link_table.h"
#include "engine/options.h"
#include "filelist/file_list.h"
#include "platform/ansi_code_page.h"

namespace corvane {

// Everything a rewrite reads, taken from the pages when the apply step starts.
struct RewriteContext {
    LinkTable& links;                       // records are read; removed ones get linkValuePos -1
    const FileList& files;                  // the row of a file gives its full path
    const ReviewOptions& review;            // allowLinkDeletion
    const DeletionOptions& deletion;        // how deleted links are rendered
    const SearchOptions& search;            // searchBaseUrl, baseUrl
    const ProcessingOptions& processing;    // useBaseUrlFromStep3
    std::string rootPath;                   // the site's root folder, ending with a backslash
    const AnsiCodePage& codePage;           // values written into UTF-16 files
};

// Writes into `output` (replacing its content) the new text of file `fileIndex`, whose old
// text is `text` (UTF-16 files in little-endian order). Returns the number of records of the
// file, whether or not each change could be written. Nothing outside `text` is read: a
// record whose span or tag does not lie within the text is passed over. A file without
// records comes out byte for byte as it went in.
// fileRecords, when given, lists the file's records in table order, so that a walk over many
// files does not look through the whole table for each one.
std::int32_t RewriteFile(const RewriteContext& context, const unsigned char* text, std::int32_t textLength,
                         std::int32_t fileIndex, std::vector<unsigned char>& output,
                         const std::vector<std::int32_t>* fileRecords = nullptr);

// The records of every file, in table order, indexed by file number (rows 0 to fileCount - 1).
std::vector<std::vector<std::int32_t>> RecordsByFile(const LinkTable& links, std::int32_t fileCount);

}  // namespace corvane
