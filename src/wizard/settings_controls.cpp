// The option table's page and control columns: a page's controls filled from the settings when it is
// made, and read back into them when the frame closes or an operation starts.
#include <windows.h>

#include <algorithm>

#include "corvane_ids.h"
#include "settings/option_table.h"
#include "platform/utf8.h"
#include "wizard/options_from_pages.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

enum class ControlKind { NoControl, CheckBox, Radio, ComboIndex, Text, ComboText };

struct OptionControl {
    Step page;
    int control;
    ControlKind kind;
    int second;  // a radio pair's button for false
};

#define OPTION(value, field, limit, page, control, kind, second, ...) {Step::page, control, ControlKind::kind, second},
const OptionControl kControls[] = {
#include "settings/option_table.def"
};
#undef OPTION

bool Checked(HWND control) { return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A saved text is chosen from the list only when it equals an item exactly, letter case too
// (CB_FINDSTRINGEXACT ignores case).
void SelectExactItem(HWND combo, const std::string& text) {
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0 || static_cast<std::size_t>(length) != text.size()) continue;
        std::string item(static_cast<std::size_t>(length) + 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0]));
        item.resize(static_cast<std::size_t>(length));
        if (item == text) {
            SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
}

void Fill(HWND page, const OptionControl& c, const OptionField& field, std::size_t limit) {
    HWND control = GetDlgItem(page, c.control);
    switch (c.kind) {
        case ControlKind::NoControl:
            break;
        case ControlKind::CheckBox:
            SendMessageA(control, BM_SETCHECK, *std::get<bool*>(field) ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ControlKind::Radio:
            CheckRadioButton(page, (std::min)(c.control, c.second), (std::max)(c.control, c.second),
                             *std::get<bool*>(field) ? c.control : c.second);
            break;
        case ControlKind::ComboIndex:
            SendMessageA(control, CB_SETCURSEL, static_cast<std::uint32_t>(*std::get<int*>(field)), 0);
            break;
        case ControlKind::Text:
            SendMessageA(control, EM_SETLIMITTEXT, limit - 1, 0);
            SetWindowTextA(control, std::get<std::string*>(field)->c_str());
            break;
        case ControlKind::ComboText:
            SendMessageA(control, CB_LIMITTEXT, limit - 1, 0);
            SetWindowTextA(control, std::get<std::string*>(field)->c_str());
            SelectExactItem(control, *std::get<std::string*>(field));
            break;
    }
}

void Read(const OptionControl& c, const OptionField& field) {
    HWND control = PageControl(c.page, c.control);
    switch (c.kind) {
        case ControlKind::NoControl:
            break;
        case ControlKind::CheckBox:
        case ControlKind::Radio:
            *std::get<bool*>(field) = Checked(control);
            break;
        case ControlKind::ComboIndex:
            *std::get<int*>(field) = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
            break;
        case ControlKind::Text:
        case ControlKind::ComboText:
            *std::get<std::string*>(field) = ControlText(control);
            break;
    }
}

}  // namespace

void FillPageFromSettings(HWND page, Step step, const Settings& settings) {
    Settings source = settings;  // the rows reach fields through a writable record
    const std::vector<OptionRow>& rows = OptionRows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (kControls[i].page == step) Fill(page, kControls[i], rows[i].at(source), rows[i].limit);
}

void ReadPageIntoSettings(Step step, Settings* settings) {
    const std::vector<OptionRow>& rows = OptionRows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (kControls[i].page == step) Read(kControls[i], rows[i].at(*settings));
}

void ReadPagesIntoSettings(Settings* settings) {
    const std::vector<OptionRow>& rows = OptionRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (kControls[i].kind == ControlKind::NoControl) continue;
        const OptionField field = rows[i].at(*settings);
        Read(kControls[i], field);
        // Cut to what the registry gives back whole.
        if (std::string* const* text = std::get_if<std::string*>(&field))
            if ((*text)->size() >= rows[i].limit) (*text)->resize(Utf8Cut(**text, rows[i].limit - 1));
    }
}

}  // namespace corvane
