// The options of the review step (6) and of the link deletion step (7) that the rewrite reads.
#pragma once

#include <string>

namespace corvane {

// Step 6 "Hide items:" boxes, sort method and the two options of the rewrite.
struct ReviewOptions {
    bool hideDelete = false;        // 1028 "&DELETE"
    bool hideReplace = false;       // 1029 "&REPLACE"
    bool hideTarget = false;        // 1031 "&TARGET"
    bool hideOrphan = false;        // 1030 "&ORPHAN"
    int sortMethod = 0;             // 1089: 0 "Unsorted", 1 "By URL", 2 "By action"
    bool allowLinkDeletion = false; // 1032 "Allow link deletion" (unchecked when the page is made)
    bool makeBackups = true;        // 1056 "Make back&ups before processing", enabled and checked
};

// Step 7: how deleted links are rendered.
struct DeletionOptions {
    bool textConvertToText = true;       // 1041 "&Convert to text"; false: 1042 "&Make empty"
    bool imageReplace = false;           // 1045 "Re&place with URL:"; false: 1044 "M&ake empty"
    std::string imageUrl;                // 1091
    bool imageMakeRelative = true;       // 1076 "&Make relative / Use base URL"
    bool backgroundReplace = false;      // 1048 "Rep&lace with URL:"; false: 1047 "Ma&ke empty"
    std::string backgroundUrl;           // 1071
    bool backgroundMakeRelative = true;  // 1095 "&Make relative / Use base URL"
};

}  // namespace corvane
