// Parsing corvane-cli's command line: the option table's switches, and the tool's own.
#include "cli/cli_args.h"

#include <cctype>

#include "engine/search_driver.h"
#include "settings/option_table.h"

namespace corvane {
namespace {

// An option row's switch, as its cli column writes it.
struct OptionSwitch {
    const OptionRow* row = nullptr;
    std::string name;                  // --name
    std::string offName;               // "name|offName": --offName sets false; else --no-name does
    std::string meta;                  // "name META": the switch takes a value
    std::vector<std::string> choices;  // META as "a|b|c": the value is the index of a choice

    bool takesValue() const { return !meta.empty(); }
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

const std::vector<OptionSwitch>& OptionSwitches() {
    static const std::vector<OptionSwitch> switches = [] {
        std::vector<OptionSwitch> all;
        for (const OptionRow& row : OptionRows()) {
            const std::string cli = row.cli;
            if (cli.empty()) continue;
            OptionSwitch s;
            s.row = &row;
            const std::size_t blank = cli.find(' ');
            if (blank != std::string::npos) {
                s.name = cli.substr(0, blank);
                s.meta = cli.substr(blank + 1);
                if (s.meta.find('|') != std::string::npos) s.choices = Split(s.meta, '|');
            } else {
                const std::vector<std::string> names = Split(cli, '|');
                s.name = names[0];
                if (names.size() > 1) s.offName = names[1];
            }
            all.push_back(s);
        }
        return all;
    }();
    return switches;
}

bool* FlagNamed(CliArgs& args, const std::string& field) {
    for (const OptionRow& row : OptionRows())
        if (field == row.field) return std::get<bool*>(row.at(args));
    return nullptr;
}

// The tool's own switches, which no page has.
struct OwnSwitch {
    const char* name;
    bool CliArgs::*field;
    const char* help;
};
const OwnSwitch kOwnSwitches[] = {
    {"subfolders", &CliArgs::subfolders, "Add folders with their subfolders"},
    {"json", &CliArgs::json, "Print one JSON document instead of the log"},
};

const char* const kCommands[] = {"search", "review", "fix", "restore", "delete-backups"};

// "a, b or c"
std::string Alternatives(const std::vector<std::string>& choices) {
    std::string text;
    for (std::size_t i = 0; i < choices.size(); ++i)
        text += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
    return text;
}

// Sets the option from the switch's value; false with `error` when the value is not one of its choices.
bool SetFromValue(const OptionSwitch& s, const std::string& value, CliArgs& out, std::string& error) {
    const OptionField field = s.row->at(out);
    if (std::string* const* text = std::get_if<std::string*>(&field)) {
        **text = value;
    } else if (s.choices.empty()) {
        // A number: a count or a time, at least 1.
        int number = 0;
        bool digits = !value.empty() && value.size() <= 6;
        for (char c : value) {
            digits = digits && std::isdigit(static_cast<unsigned char>(c));
            if (digits) number = number * 10 + (c - '0');
        }
        if (!digits || number < 1) {
            error = "--" + s.name + " takes a number from 1 to 999999";
            return false;
        }
        *std::get<int*>(field) = number;
    } else {
        int chosen = -1;
        for (std::size_t i = 0; i < s.choices.size(); ++i)
            if (value == s.choices[i]) chosen = static_cast<int>(i);
        if (chosen < 0) {
            error = "--" + s.name + " takes " + Alternatives(s.choices);
            return false;
        }
        if (bool* const* flag = std::get_if<bool*>(&field))
            **flag = chosen == 0;
        else
            *std::get<int*>(field) = chosen;
    }
    if (*s.row->turnsOn != '\0') *FlagNamed(out, s.row->turnsOn) = true;
    return true;
}

// "  --name META", with its help in the column the switches' help starts in.
std::string UsageLine(const std::string& left, const std::string& help) {
    if (help.empty()) return left + "\n";
    std::string line = left;
    if (line.size() < 31)
        line.resize(31, ' ');
    else
        line += "   ";
    return line + help + "\n";
}

}  // namespace

bool ParseCliArgs(const std::vector<std::string>& args, CliArgs& out, std::string& error) {
    out = CliArgs();
    out.search.jobs = DefaultScanJobs();
    out.search.keepBytes = DefaultKeptBytes();
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
        auto setFlag = [&](bool* flag, bool on) -> bool {
            if (hasValue) {
                error = "option --" + name + " takes no value";
                return false;
            }
            *flag = on;
            return true;
        };

        const bool negated = name.compare(0, 3, "no-") == 0;
        const std::string positive = negated ? name.substr(3) : name;
        bool matched = false;
        for (const OptionSwitch& s : OptionSwitches()) {
            if (s.takesValue()) {
                if (name != s.name) continue;
                if (!takeValue() || !SetFromValue(s, value, out, error)) return false;
            } else if (name == s.name || (s.offName.empty() ? negated && positive == s.name : name == s.offName)) {
                if (!setFlag(std::get<bool*>(s.row->at(out)), name == s.name)) return false;
            } else {
                continue;
            }
            matched = true;
            break;
        }
        for (const OwnSwitch& s : kOwnSwitches) {
            if (matched || positive != s.name) continue;
            if (!setFlag(&(out.*s.field), !negated)) return false;
            matched = true;
        }
        if (matched) continue;

        if (name == "ext") {
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
    auto switchLine = [&u](const std::string& name, const char* help) {
        std::string line = "  --" + name;
        line.resize(32, ' ');
        u += line + help + "\n";
    };
    for (const OptionSwitch& s : OptionSwitches())
        if (!s.takesValue() && s.offName.empty()) switchLine(s.name, s.row->help);
    for (const OwnSwitch& s : kOwnSwitches) switchLine(s.name, s.help);
    u += "\noptions with a value:\n";
    for (const OptionSwitch& s : OptionSwitches()) {
        if (!s.offName.empty())
            u += UsageLine("  --" + s.name + " / --" + s.offName, s.row->help);
        else if (s.takesValue())
            u += UsageLine("  --" + s.name + " " + s.meta, s.row->help);
    }
    u += UsageLine("  --ext EXT", "backup extension for restore/delete-backups (default bak)");
    u += UsageLine("  --drive C=DIR", "address DIR as drive C: (paths are shown in Windows form)");
    return u;
}

}  // namespace corvane
