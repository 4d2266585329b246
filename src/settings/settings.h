// The wizard's persisted choices: the engine's option structs as pages 3, 4, 6 and 7 set them, and the last folder.
#pragma once

#include <cstdint>
#include <string>

#include "apply/apply_options.h"
#include "engine/options.h"
#include "platform/settings_store.h"

namespace corvane {

constexpr const char* kCorvaneSettingsKey = "Software\\Meridel Software\\Corvane";
constexpr std::size_t kOptionTextBytes = 65535;
constexpr std::size_t kLastRootFolderBytes = 261;

// Which registry value and which control holds each field: settings/option_table.def.
struct Settings {
    SearchOptions search;
    ProcessingOptions processing;
    ReviewOptions review;
    DeletionOptions deletion;
    std::string lastRootFolder;
};

enum SettingsResult : int {
    kSettingsDone = 0,
    kSettingsCannotOpen = 1,      // "Main - Unable to open the registry key!"
    kSettingsCannotSetStep3 = 2,  // "Main - Unable to set the registry value!"
    kSettingsCannotSetOther = 3,  // "Main - Unable to set the needed registry value!"
};

// The text the program quits with for a result other than kSettingsDone.
const char* SettingsFailureText(int result);

// Every stored value in table order; one that cannot be read keeps its default, and options that are
// not stored take theirs.
int LoadSettings(SettingsStore& store, Settings* settings);
// Every stored value in table order; stops at the first that cannot be written.
int SaveSettings(SettingsStore& store, const Settings& settings);

// The tip of the day: the index after the stored one (0 after 16, a missing or strange value),
// written back. kSettingsCannotOpen or kSettingsCannotSetStep3 when the store fails.
constexpr int kTipCount = 17;
int AdvanceTipOfTheDay(SettingsStore& store, int* index);

}  // namespace corvane
