// The options of the search (step 3) and of the URL processing (step 4), with their first-run defaults
// (settings/option_table.def says where each is stored and shown).
#pragma once

#include <cstddef>
#include <string>

namespace corvane {

// Step 3: where links are looked for and how replacements are found.
struct SearchOptions {
    bool checkInternetUrls = true;        // "&Check Internet URL's (requires Internet connection)"
    bool searchFileNames = true;          // "Search using file names"
    bool searchSavedFromUrl = true;       // "Search &using Internet Explorer's "saved from url" comment"
    bool searchBaseUrl = false;           // "Search using &base URL"
    std::string baseUrl;                  // "Base URL:"
    bool searchEventsByProtocol = true;   // "&Search inside event definitions by protocol names"
    bool searchScriptsByProtocol = true;  // "Search inside scripts by protocol names"
    bool searchScriptsByTagNames = false; // "Search inside scripts by tag names (not recommended)"
    bool updateMoved = false;             // "Update permanently moved links"
    // No controls of step 3: how long one Internet request may take, and how many run at once.
    int timeLimitSeconds = 30;
    int maxRequests = 64;
    int maxRequestsPerHost = 8;
    int jobs = 1;  // files read and scanned at once (the programs give DefaultScanJobs())
    // Bytes of the files read by the first passes kept for the broken-links pass, which then opens them
    // no more; past it files are read again (the programs give DefaultKeptBytes()).
    std::size_t keepBytes = 0;
    bool checkFragments = false;          // "Check #&fragments of local links"
};

enum TargetMode : int { kTargetAllExternal = 0, kTargetImageLinks = 1, kTargetCustomMask = 2 };

// Step 4: how every URL is rewritten, and the link target adder.
struct ProcessingOptions {
    bool makeRelative = true;             // "Make URL's relative"; false: "Make URL's absolute"
    bool useBaseUrlFromStep3 = true;      // "Use the base URL from the step 3"
    bool addForgottenProtocols = true;    // "&Add forgotten protocol names"
    bool addForgottenSlashes = true;      // "Add forgotten "//" after a protocol name"
    bool canonicalize = true;             // "&Canonicalize URL's"
    bool deleteScripts = false;           // "De&lete scripts inside links (use with care)"
    bool deleteUnknownProtocols = false;  // "De&lete URL's with unknown protocols (use with care)"
    bool targetAdderEnabled = false;      // "&Enable"
    int targetMode = kTargetAllExternal;  // "Mode:"
    std::string urlMask = "*.jpg";        // "URL mask:"
    std::string target = "_blank";        // "Target:"
    bool modifyExistingTargets = true;    // "Modify existing targets"
    // No control of step 4: corvane-cli's --match-case, for sites served where letter case counts.
    // A local link that finds its file only by ignoring case is rewritten with the name on disk.
    bool matchCase = false;

    bool makeAbsolute() const { return !makeRelative; }
};

}  // namespace corvane
