// The options of the review step (6) and of the link deletion step (7) that the rewrite reads.
#pragma once

#include <string>

namespace corvane {

// Step 6 "Hide items:" boxes, sort method and the two options of the rewrite.
struct ReviewOptions {
    bool hideDelete = false;        // "&DELETE"
    bool hideReplace = false;       // "&REPLACE"
    bool hideTarget = false;        // "&TARGET"
    bool hideOrphan = false;        // "&ORPHAN"
    int sortMethod = 0;             // 0 "Unsorted", 1 "By URL", 2 "By action"
    bool allowLinkDeletion = false; // "Allow link deletion" (unchecked when the page is made)
    bool makeBackups = true;        // "Make back&ups before processing", enabled and checked
};

// Step 7: how deleted links are rendered.
struct DeletionOptions {
    bool textConvertToText = true;       // "&Convert to text"; false: "&Make empty"
    bool imageReplace = false;           // "Re&place with URL:"; false: "M&ake empty"
    std::string imageUrl;                // the image replacement URL
    bool imageMakeRelative = true;       // "&Make relative / Use base URL"
    bool backgroundReplace = false;      // "Rep&lace with URL:"; false: "Ma&ke empty"
    std::string backgroundUrl;           // the background replacement URL
    bool backgroundMakeRelative = true;  // "&Make relative / Use base URL"
};

}  // namespace corvane
