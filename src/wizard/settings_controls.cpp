// Which control of which page shows each persisted setting: filled when a page is made, read back at close.
#include "corvane_ids.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

enum BindingKind { kCheckBox, kComboIndex, kText };

struct Binding {
    int step;
    int control;
    BindingKind kind;
    std::uint32_t Settings::*number;
    std::string Settings::*text;
};

const Binding kBindings[] = {
    {2, IDC_SEARCH_OPT_SCRIPT_TAGS, kCheckBox, &Settings::stStep3Chk1, nullptr},
    {2, IDC_SEARCH_OPT_SCRIPT_PROTOCOLS, kCheckBox, &Settings::stStep3Chk2, nullptr},
    {2, IDC_SEARCH_OPT_SAVED_FROM, kCheckBox, &Settings::stStep3Chk3, nullptr},
    {2, IDC_SEARCH_OPT_FILE_NAMES, kCheckBox, &Settings::stStep3Chk5, nullptr},
    {2, IDC_SEARCH_OPT_CHECK_INTERNET, kCheckBox, &Settings::stStep3Chk9, nullptr},
    {2, IDC_SEARCH_OPT_EVENTS, kCheckBox, &Settings::stStep3Chk10, nullptr},
    {2, IDC_SEARCH_OPT_USE_BASE_URL, kCheckBox, &Settings::stStep3Chk12, nullptr},
    {2, IDC_SEARCH_OPT_BASE_URL, kText, nullptr, &Settings::stStep3Edit1},
    {3, IDC_PROC_DELETE_SCRIPTS, kCheckBox, &Settings::stStep4Chk1, nullptr},
    {3, IDC_PROC_ADD_PROTOCOLS, kCheckBox, &Settings::stStep4Chk2, nullptr},
    {3, IDC_PROC_ADD_SLASHES, kCheckBox, &Settings::stStep4Chk3, nullptr},
    {3, IDC_PROC_CANONICALIZE, kCheckBox, &Settings::stStep4Chk4, nullptr},
    {3, IDC_PROC_USE_BASE_URL, kCheckBox, &Settings::stStep4Chk5, nullptr},
    {3, IDC_PROC_MODIFY_TARGETS, kCheckBox, &Settings::stStep4Chk6, nullptr},
    {3, IDC_PROC_DELETE_UNKNOWN, kCheckBox, &Settings::stStep4Chk8, nullptr},
    {3, IDC_PROC_RELATIVE, kCheckBox, &Settings::stStep4Rad1, nullptr},
    {3, IDC_PROC_URL_MASK, kText, nullptr, &Settings::stStep4Edit1},
    {3, IDC_PROC_TARGET_MODE, kComboIndex, &Settings::stStep4Combo1, nullptr},
    {3, IDC_PROC_TARGET, kText, nullptr, &Settings::stStep4Combo2},
    {5, IDC_REVIEW_SORT, kComboIndex, &Settings::stStep6Combo1, nullptr},
    {6, IDC_DEL_IMAGE_RELATIVE, kCheckBox, &Settings::stStep7Chk1, nullptr},
    {6, IDC_DEL_BACKGROUND_RELATIVE, kCheckBox, &Settings::stStep7Chk2, nullptr},
    {6, IDC_DEL_IMAGE_URL, kText, nullptr, &Settings::stStep7Edit1},
    {6, IDC_DEL_BACKGROUND_URL, kText, nullptr, &Settings::stStep7Edit2},
};

}  // namespace

void FillPageFromSettings(HWND page, int step, const Settings& settings) {
    for (const Binding& b : kBindings) {
        if (b.step != step) continue;
        HWND control = GetDlgItem(page, b.control);
        switch (b.kind) {
            case kCheckBox:
                SendMessageA(control, BM_SETCHECK, settings.*b.number != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
                break;
            case kComboIndex:
                SendMessageA(control, CB_SETCURSEL, settings.*b.number, 0);
                break;
            case kText:
                SetWindowTextA(control, (settings.*b.text).c_str());
                break;
        }
    }
}

void ReadPagesIntoSettings(Settings* settings) {
    for (const Binding& b : kBindings) {
        HWND control = PageControl(b.step, b.control);
        switch (b.kind) {
            case kCheckBox:
                settings->*b.number = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
                break;
            case kComboIndex: {
                LRESULT selected = SendMessageA(control, CB_GETCURSEL, 0, 0);
                settings->*b.number = static_cast<std::uint32_t>(selected);
                break;
            }
            case kText:
                settings->*b.text = ControlText(control).substr(0, kOptionTextBytes - 1);
                break;
        }
    }
}

}  // namespace corvane
