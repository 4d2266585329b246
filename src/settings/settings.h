// The wizard's persisted choices (pages 3, 4, 6 and 7 and the last folder), named after their registry values.
#pragma once

#include <cstdint>
#include <string>

#include "platform/settings_store.h"

namespace corvane {

constexpr const char* kCorvaneSettingsKey = "Software\\Meridel Software\\Corvane";
constexpr std::size_t kOptionTextBytes = 65535;
constexpr std::size_t kLastRootFolderBytes = 261;

struct Settings {
    std::uint32_t stStep3Chk1 = 0;
    std::uint32_t stStep3Chk2 = 1;
    std::uint32_t stStep3Chk3 = 1;
    std::uint32_t stStep3Chk5 = 1;
    std::uint32_t stStep3Chk9 = 1;
    std::uint32_t stStep3Chk10 = 1;
    std::uint32_t stStep3Chk12 = 0;
    std::string stStep3Edit1;
    std::uint32_t stStep4Chk1 = 0;
    std::uint32_t stStep4Chk2 = 1;
    std::uint32_t stStep4Chk3 = 1;
    std::uint32_t stStep4Chk4 = 1;
    std::uint32_t stStep4Chk5 = 1;
    std::uint32_t stStep4Chk6 = 1;
    std::uint32_t stStep4Chk8 = 0;
    std::uint32_t stStep4Rad1 = 1;
    std::string stStep4Edit1 = "*.jpg";
    std::uint32_t stStep4Combo1 = 0;
    std::string stStep4Combo2 = "_blank";
    std::uint32_t stStep6Combo1 = 0;
    std::uint32_t stStep7Chk1 = 1;
    std::uint32_t stStep7Chk2 = 1;
    std::string stStep7Edit1;
    std::string stStep7Edit2;
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

// Every value in table order; one that cannot be read keeps its default.
int LoadSettings(SettingsStore& store, Settings* settings);
// Every value in table order; stops at the first that cannot be written.
int SaveSettings(SettingsStore& store, const Settings& settings);

// The tip of the day: the index after the stored one (0 after 16, a missing or strange value),
// written back. kSettingsCannotOpen or kSettingsCannotSetStep3 when the store fails.
constexpr int kTipCount = 17;
int AdvanceTipOfTheDay(SettingsStore& store, int* index);

}  // namespace corvane
