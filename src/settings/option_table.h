// The rows of settings/option_table.def as the portable code sees them: registry value, field, limit, switch.
#pragma once

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "settings/settings.h"

namespace corvane {

// A field of Settings by its type: a check box or radio pair, a chosen index, or a text.
using OptionField = std::variant<bool*, int*, std::string*>;

struct OptionRow {
    const char* value;  // registry value; "" when not stored
    const char* field;  // as written in the table, e.g. "search.baseUrl"
    OptionField (*at)(Settings&);
    std::size_t limit;    // a text's bytes with its NUL
    const char* cli;      // corvane-cli's switch, "" when none
    const char* turnsOn;  // the field a value on the command line turns on, "" when none
    const char* help;

    bool stored() const { return *value != '\0'; }
};

// Every row, in the table's order.
const std::vector<OptionRow>& OptionRows();

}  // namespace corvane
