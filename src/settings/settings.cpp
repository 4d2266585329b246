// Loading and saving the wizard's settings in table order, with their defaults and failure texts.
#include "settings/settings.h"

namespace corvane {
namespace {

// One entry per value, in the order they are read and written; `number` or `text` is set.
struct ValueEntry {
    const char* name;
    std::uint32_t Settings::*number;
    std::string Settings::*text;
    std::size_t maxBytes;
};

const ValueEntry kValues[] = {
    {"stStep3Chk1", &Settings::stStep3Chk1, nullptr, 0},
    {"stStep3Chk2", &Settings::stStep3Chk2, nullptr, 0},
    {"stStep3Chk3", &Settings::stStep3Chk3, nullptr, 0},
    {"stStep3Chk5", &Settings::stStep3Chk5, nullptr, 0},
    {"stStep3Chk9", &Settings::stStep3Chk9, nullptr, 0},
    {"stStep3Chk10", &Settings::stStep3Chk10, nullptr, 0},
    {"stStep3Chk12", &Settings::stStep3Chk12, nullptr, 0},
    {"stStep3Edit1", nullptr, &Settings::stStep3Edit1, kOptionTextBytes},
    {"stStep4Chk1", &Settings::stStep4Chk1, nullptr, 0},
    {"stStep4Chk2", &Settings::stStep4Chk2, nullptr, 0},
    {"stStep4Chk3", &Settings::stStep4Chk3, nullptr, 0},
    {"stStep4Chk4", &Settings::stStep4Chk4, nullptr, 0},
    {"stStep4Chk5", &Settings::stStep4Chk5, nullptr, 0},
    {"stStep4Chk6", &Settings::stStep4Chk6, nullptr, 0},
    {"stStep4Chk8", &Settings::stStep4Chk8, nullptr, 0},
    {"stStep4Rad1", &Settings::stStep4Rad1, nullptr, 0},
    {"stStep4Edit1", nullptr, &Settings::stStep4Edit1, kOptionTextBytes},
    {"stStep4Combo1", &Settings::stStep4Combo1, nullptr, 0},
    {"stStep4Combo2", nullptr, &Settings::stStep4Combo2, kOptionTextBytes},
    {"stStep6Combo1", &Settings::stStep6Combo1, nullptr, 0},
    {"stStep7Chk1", &Settings::stStep7Chk1, nullptr, 0},
    {"stStep7Chk2", &Settings::stStep7Chk2, nullptr, 0},
    {"stStep7Edit1", nullptr, &Settings::stStep7Edit1, kOptionTextBytes},
    {"stStep7Edit2", nullptr, &Settings::stStep7Edit2, kOptionTextBytes},
    {"lastRootFolder", nullptr, &Settings::lastRootFolder, kLastRootFolderBytes},
};
constexpr std::size_t kStep3ValueCount = 8;  // stStep3Chk1 .. stStep3Edit1

}  // namespace

const char* SettingsFailureText(int result) {
    switch (result) {
        case kSettingsCannotOpen: return "Main - Unable to open the registry key!";
        case kSettingsCannotSetStep3: return "Main - Unable to set the registry value!";
        case kSettingsCannotSetOther: return "Main - Unable to set the needed registry value!";
        default: return "";
    }
}

int LoadSettings(SettingsStore& store, Settings* settings) {
    if (!store.Open()) return kSettingsCannotOpen;
    const Settings defaults;
    for (const ValueEntry& v : kValues) {
        if (v.number != nullptr) {
            std::uint32_t value = 0;
            settings->*v.number = store.ReadNumber(v.name, &value) ? value : defaults.*v.number;
        } else {
            std::string value;
            settings->*v.text = store.ReadText(v.name, v.maxBytes, &value) ? value : defaults.*v.text;
        }
    }
    store.Close();
    return kSettingsDone;
}

int SaveSettings(SettingsStore& store, const Settings& settings) {
    if (!store.Open()) return kSettingsCannotOpen;
    for (std::size_t i = 0; i < sizeof kValues / sizeof kValues[0]; ++i) {
        const ValueEntry& v = kValues[i];
        bool written = v.number != nullptr ? store.WriteNumber(v.name, settings.*v.number)
                                           : store.WriteText(v.name, settings.*v.text);
        if (!written) {
            store.Close();
            return i < kStep3ValueCount ? kSettingsCannotSetStep3 : kSettingsCannotSetOther;
        }
    }
    store.Close();
    return kSettingsDone;
}

int AdvanceTipOfTheDay(SettingsStore& store, int* index) {
    if (!store.Open()) return kSettingsCannotOpen;
    std::uint32_t stored = 0;
    int next = 0;
    if (store.ReadNumber("tod_curTip", &stored) && stored < static_cast<std::uint32_t>(kTipCount - 1))
        next = static_cast<int>(stored) + 1;
    bool written = store.WriteNumber("tod_curTip", static_cast<std::uint32_t>(next));
    store.Close();
    *index = next;
    return written ? kSettingsDone : kSettingsCannotSetStep3;
}

}  // namespace corvane
