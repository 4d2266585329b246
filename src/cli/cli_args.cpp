// Parsing corvane-cli's command line: one switch for every control of the wizard's option steps.
#include "cli/cli_args.h"

#include <cctype>
#include <cstring>

namespace corvane {
namespace {

struct Switch {
    const char* name;  // --name sets, --no-name clears
    bool* (*field)(CliArgs&);
    const char* help;
};

#define FIELD(expr) [](CliArgs& a) -> bool* { return &a.expr; }

const Switch kSwitches[] = {
    // Step 3: replacement and URL search.
    {"check-internet-urls", FIELD(search.checkInternetUrls), "Check Internet URL's on line"},
    {"search-file-names", FIELD(search.searchFileNames), "Search using file names"},
    {"saved-from-url", FIELD(search.searchSavedFromUrl), "Search using the \"saved from url\" comment"},
    {"search-base-url", FIELD(search.searchBaseUrl), "Search using base URL (see --base-url)"},
    {"search-events", FIELD(search.searchEventsByProtocol), "Search inside event definitions by protocol names"},
    {"search-scripts-by-protocol", FIELD(search.searchScriptsByProtocol), "Search inside scripts by protocol names"},
    {"search-scripts-by-tag-names", FIELD(search.searchScriptsByTagNames), "Search inside scripts by tag names"},
    // Step 4: URL processing and the link target adder.
    {"use-base-url", FIELD(processing.useBaseUrlFromStep3), "Use the base URL from the step 3 (with --make-absolute)"},
    {"add-forgotten-protocols", FIELD(processing.addForgottenProtocols), "Add forgotten protocol names"},
    {"add-forgotten-slashes", FIELD(processing.addForgottenSlashes), "Add forgotten \"//\" after a protocol name"},
    {"canonicalize", FIELD(processing.canonicalize), "Canonicalize URL's"},
    {"delete-scripts", FIELD(processing.deleteScripts), "Delete scripts inside links"},
    {"delete-unknown-protocols", FIELD(processing.deleteUnknownProtocols), "Delete URL's with unknown protocols"},
    {"target-adder", FIELD(processing.targetAdderEnabled), "Enable the link target adder"},
    {"modify-existing-targets", FIELD(processing.modifyExistingTargets), "Modify existing targets"},
    {"match-case", FIELD(processing.matchCase), "Write local links in the letter case of their files"},
    // Step 6: review.
    {"hide-delete", FIELD(review.hideDelete), "Hide DELETE items"},
    {"hide-replace", FIELD(review.hideReplace), "Hide REPLACE items"},
    {"hide-target", FIELD(review.hideTarget), "Hide TARGET items"},
    {"hide-orphan", FIELD(review.hideOrphan), "Hide ORPHAN items"},
    {"allow-link-deletion", FIELD(review.allowLinkDeletion), "Allow link deletion"},
    {"backups", FIELD(review.makeBackups), "Make backups before processing"},
    // Step 7: link deletion.
    {"image-make-relative", FIELD(deletion.imageMakeRelative), "Make the image replacement URL relative"},
    {"background-make-relative", FIELD(deletion.backgroundMakeRelative), "Make the background replacement URL relative"},
    // Where the site is.
    {"subfolders", FIELD(subfolders), "Add folders with their subfolders"},
    {"json", FIELD(json), "Print one JSON document instead of the log"},
};
#undef FIELD

const char* const kCommands[] = {"search", "review", "fix", "restore", "delete-backups"};

bool Choose(const std::string& value, const std::vector<const char*>& names, int& out) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (value == names[i]) {
            out = static_cast<int>(i);
            return true;
        }
    return false;
}

}  // namespace

bool ParseCliArgs(const std::vector<std::string>& args, CliArgs& out, std::string& error) {
    out = CliArgs();
    if (args.empty()) {
        error = "no command given (try --help)";
        return false;
    }
    bool known = false;
    for (const char* c : kCommands) known = known || args[0] == c;
    if (!known) {
        error = "unknown command '" + args[0] + "' (try --help)";
        return false;
    }
    out.command = args[0];

    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            out.paths.push_back(a);
            continue;
        }
        std::string name = a.substr(2), value;
        const std::size_t eq = name.find('=');
        const bool hasValue = eq != std::string::npos;
        if (hasValue) {
            value = name.substr(eq + 1);
            name.erase(eq);
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) {
                error = "option --" + name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };

        bool matched = false;
        for (const Switch& s : kSwitches) {
            const bool negated = name.compare(0, 3, "no-") == 0 && name.substr(3) == s.name;
            if (name == s.name || negated) {
                if (hasValue) {
                    error = "option --" + name + " takes no value";
                    return false;
                }
                *s.field(out) = !negated;
                matched = true;
                break;
            }
        }
        if (matched) continue;

        if (name == "make-relative" || name == "make-absolute") {
            out.processing.makeRelative = name == "make-relative";
        } else if (name == "base-url") {
            if (!takeValue()) return false;
            out.search.baseUrl = value;
            out.search.searchBaseUrl = true;
        } else if (name == "mode") {
            if (!takeValue()) return false;
            if (!Choose(value, {"all-external", "image-links", "custom-mask"}, out.processing.targetMode)) {
                error = "--mode takes all-external, image-links or custom-mask";
                return false;
            }
        } else if (name == "url-mask") {
            if (!takeValue()) return false;
            out.processing.urlMask = value;
        } else if (name == "target") {
            if (!takeValue()) return false;
            out.processing.target = value;
        } else if (name == "sort") {
            if (!takeValue()) return false;
            if (!Choose(value, {"unsorted", "by-url", "by-action"}, out.review.sortMethod)) {
                error = "--sort takes unsorted, by-url or by-action";
                return false;
            }
        } else if (name == "text-links") {
            if (!takeValue()) return false;
            int choice = 0;
            if (!Choose(value, {"convert-to-text", "make-empty"}, choice)) {
                error = "--text-links takes convert-to-text or make-empty";
                return false;
            }
            out.deletion.textConvertToText = choice == 0;
        } else if (name == "image-url") {
            if (!takeValue()) return false;
            out.deletion.imageUrl = value;
            out.deletion.imageReplace = true;
        } else if (name == "background-url") {
            if (!takeValue()) return false;
            out.deletion.backgroundUrl = value;
            out.deletion.backgroundReplace = true;
        } else if (name == "ext") {
            if (!takeValue()) return false;
            out.backupExtension = value;
        } else if (name == "drive") {
            if (!takeValue()) return false;
            if (value.size() < 3 || value[1] != '=' || !std::isalpha(static_cast<unsigned char>(value[0]))) {
                error = "--drive takes LETTER=FOLDER, as in C=/srv/site";
                return false;
            }
            out.drives.emplace_back(static_cast<char>(std::toupper(static_cast<unsigned char>(value[0]))), value.substr(2));
        } else {
            error = "unknown option --" + name + " (try --help)";
            return false;
        }
    }
    if (out.paths.empty()) {
        error = "no folder or file given";
        return false;
    }
    return true;
}

std::string CliUsage() {
    std::string u =
        "usage: corvane-cli COMMAND [options] PATH...\n"
        "\n"
        "commands:\n"
        "  search           find every link that needs a change and print the log\n"
        "  review           search, then print the review list\n"
        "  fix              search, then apply every queued change (with .bak backups)\n"
        "  restore          put every backup back over its file\n"
        "  delete-backups   delete every backup\n"
        "\n"
        "PATH is a folder (added with its subfolders) or a file of the site.\n"
        "\n"
        "switches (--NAME turns on, --no-NAME turns off):\n";
    for (const Switch& s : kSwitches) {
        std::string line = "  --" + std::string(s.name);
        line.resize(32, ' ');
        u += line + s.help + "\n";
    }
    u +=
        "\noptions with a value:\n"
        "  --make-relative / --make-absolute\n"
        "  --base-url URL               the site's base URL (turns on --search-base-url)\n"
        "  --mode all-external|image-links|custom-mask   link target adder mode\n"
        "  --url-mask MASK              mask of the custom mode (default *.jpg)\n"
        "  --target TARGET              target to set (default _blank)\n"
        "  --sort unsorted|by-url|by-action\n"
        "  --text-links convert-to-text|make-empty\n"
        "  --image-url URL              replace deleted image URLs with URL\n"
        "  --background-url URL         replace deleted background URLs with URL\n"
        "  --ext EXT                    backup extension for restore/delete-backups (default bak)\n"
        "  --drive C=DIR                address DIR as drive C: (paths are shown in Windows form)\n";
    return u;
}

}  // namespace corvane
