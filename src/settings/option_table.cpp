// The option table's portable columns; the page and control columns are the wizard's.
#include "settings/option_table.h"

namespace corvane {

const std::vector<OptionRow>& OptionRows() {
#define OPTION(value, field, limit, page, control, kind, second, cli, turnsOn, help) \
    {value, #field, [](Settings& s) -> OptionField { return &s.field; }, limit, cli, turnsOn, help},
    static const std::vector<OptionRow> rows = {
#include "settings/option_table.def"
    };
#undef OPTION
    return rows;
}

}  // namespace corvane
