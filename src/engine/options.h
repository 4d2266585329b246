// The options of the search (step 3) and of the URL processing (step 4), with their first-run defaults.
#pragma once

#include <string>

namespace corvane {

// Step 3: where links are looked for and how replacements are found.
struct SearchOptions {
    bool checkInternetUrls = true;        // 1082 "&Check Internet URL's (requires Internet connection)"
    bool searchFileNames = true;          // 1032 "Search using file names"
    bool searchSavedFromUrl = true;       // 1030 "Search &using Internet Explorer's "saved from url" comment"
    bool searchBaseUrl = false;           // 1085 "Search using &base URL"
    std::string baseUrl;                  // 1091 "Base URL:"
    bool searchEventsByProtocol = true;   // 1083 "&Search inside event definitions by protocol names"
    bool searchScriptsByProtocol = true;  // 1029 "Search inside scripts by protocol names"
    bool searchScriptsByTagNames = false; // 1028 "Search inside scripts by tag names (not recommended)"
};

enum TargetMode : int { kTargetAllExternal = 0, kTargetImageLinks = 1, kTargetCustomMask = 2 };

// Step 4: how every URL is rewritten, and the link target adder.
struct ProcessingOptions {
    bool makeRelative = true;             // 1040 "Make URL's relative"; false: 1041 "Make URL's absolute"
    bool useBaseUrlFromStep3 = true;      // 1032 "Use the base URL from the step 3"
    bool addForgottenProtocols = true;    // 1029 "&Add forgotten protocol names"
    bool addForgottenSlashes = true;      // 1030 "Add forgotten "//" after a protocol name"
    bool canonicalize = true;             // 1031 "&Canonicalize URL's"
    bool deleteScripts = false;           // 1028 "De&lete scripts inside links (use with care)"
    bool deleteUnknownProtocols = false;  // 1033 "De&lete URL's with unknown protocols (use with care)"
    bool targetAdderEnabled = false;      // 1094 "&Enable" (never stored)
    int targetMode = kTargetAllExternal;  // 1089 "Mode:"
    std::string urlMask = "*.jpg";        // 1091 "URL mask:"
    std::string target = "_blank";        // 1093 "Target:"
    bool modifyExistingTargets = true;    // 1092 "Modify existing targets"
    // No control of step 4: corvane-cli's --match-case, for sites served where letter case counts.
    // A local link that finds its file only by ignoring case is rewritten with the name on disk.
    bool matchCase = false;

    bool makeAbsolute() const { return !makeRelative; }
};

}  // namespace corvane
