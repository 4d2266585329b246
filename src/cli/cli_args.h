// The command line of corvane-cli: a command, the options of the wizard's steps, and the site's paths.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace corvane {

// The options are the wizard's (their switches are in the option table); lastRootFolder is unused.
struct CliArgs : Settings {
    std::string command;  // search, review, fix, restore, delete-backups
    bool json = false;
    bool subfolders = true;
    std::string backupExtension = "bak";
    std::vector<std::pair<char, std::string>> drives;  // --drive C=DIR
    std::vector<std::string> paths;
};

// Parses argv[1..]. On bad usage returns false and sets `error` to a one-line message.
bool ParseCliArgs(const std::vector<std::string>& args, CliArgs& out, std::string& error);

// The usage text printed by --help.
std::string CliUsage();

}  // namespace corvane
