// Loading and saving the wizard's settings in table order, with their failure texts.
#include "settings/settings.h"

#include "settings/option_table.h"

namespace corvane {
namespace {

constexpr std::size_t kStep3ValueCount = 8;  // stStep3Chk1 .. stStep3Edit1

// A check box is stored as 1 or 0 and read back as any value not 0; an index as its 32 bits.
std::uint32_t NumberOf(const OptionField& field) {
    if (bool* const* flag = std::get_if<bool*>(&field)) return **flag ? 1 : 0;
    return static_cast<std::uint32_t>(*std::get<int*>(field));
}

void SetNumber(const OptionField& field, std::uint32_t value) {
    if (bool* const* flag = std::get_if<bool*>(&field))
        **flag = value != 0;
    else
        *std::get<int*>(field) = static_cast<int>(value);
}

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
    OpenSettingsStore open(store);
    if (!open) return kSettingsCannotOpen;
    *settings = Settings();
    for (const OptionRow& row : OptionRows()) {
        if (!row.stored()) continue;
        const OptionField field = row.at(*settings);
        if (std::string* const* text = std::get_if<std::string*>(&field)) {
            std::string value;
            if (store.ReadText(row.value, row.limit, &value)) **text = value;
        } else {
            std::uint32_t value = 0;
            if (store.ReadNumber(row.value, &value)) SetNumber(field, value);
        }
    }
    return kSettingsDone;
}

int SaveSettings(SettingsStore& store, const Settings& settings) {
    OpenSettingsStore open(store);
    if (!open) return kSettingsCannotOpen;
    Settings source = settings;  // the rows reach fields through a writable record
    std::size_t written = 0;
    for (const OptionRow& row : OptionRows()) {
        if (!row.stored()) continue;
        const OptionField field = row.at(source);
        std::string* const* text = std::get_if<std::string*>(&field);
        bool ok = text != nullptr ? store.WriteText(row.value, **text) : store.WriteNumber(row.value, NumberOf(field));
        if (!ok) return written < kStep3ValueCount ? kSettingsCannotSetStep3 : kSettingsCannotSetOther;
        ++written;
    }
    return kSettingsDone;
}

int AdvanceTipOfTheDay(SettingsStore& store, int* index) {
    OpenSettingsStore open(store);
    if (!open) return kSettingsCannotOpen;
    std::uint32_t stored = 0;
    int next = 0;
    if (store.ReadNumber("tod_curTip", &stored) && stored < static_cast<std::uint32_t>(kTipCount - 1))
        next = static_cast<int>(stored) + 1;
    *index = next;
    return store.WriteNumber("tod_curTip", static_cast<std::uint32_t>(next)) ? kSettingsDone : kSettingsCannotSetStep3;
}

}  // namespace corvane
