// The wizard's settings: defaults, round trip, values that cannot be read or written, the tip of the day.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include "support/memory_settings_store.h"

namespace corvane {
namespace {

TEST(Settings, AnEmptyKeyGivesTheFirstRunChoices) {
    MemorySettingsStore store;
    Settings s;
    s.search.searchFileNames = false;  // loading must overwrite what the record held
    ASSERT_EQ(LoadSettings(store, &s), kSettingsDone);
    const SearchOptions& s3 = s.search;
    const ProcessingOptions& s4 = s.processing;
    const std::uint32_t numbers[] = {s3.searchScriptsByTagNames, s3.searchScriptsByProtocol, s3.searchSavedFromUrl,
                                     s3.searchFileNames, s3.checkInternetUrls, s3.searchEventsByProtocol,
                                     s3.searchBaseUrl, s4.deleteScripts, s4.addForgottenProtocols,
                                     s4.addForgottenSlashes, s4.canonicalize, s4.useBaseUrlFromStep3,
                                     s4.modifyExistingTargets, s4.deleteUnknownProtocols, s4.makeRelative,
                                     static_cast<std::uint32_t>(s4.targetMode),
                                     static_cast<std::uint32_t>(s.review.sortMethod), s.deletion.imageMakeRelative,
                                     s.deletion.backgroundMakeRelative};
    const std::uint32_t expected[] = {0, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1, 0, 1, 0, 0, 1, 1};
    for (std::size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) EXPECT_EQ(numbers[i], expected[i]) << i;
    EXPECT_EQ(s.processing.urlMask, "*.jpg");
    EXPECT_EQ(s.processing.target, "_blank");
    EXPECT_EQ(s.search.baseUrl, "");
    EXPECT_EQ(s.lastRootFolder, "");
}

TEST(Settings, WhatIsSavedIsLoadedAgainAndEmptyTextsAreWritten) {
    MemorySettingsStore store;
    Settings saved;
    saved.search.searchBaseUrl = true;
    saved.processing.makeRelative = false;
    saved.processing.target = "my frame";
    saved.review.sortMethod = 2;
    saved.lastRootFolder = "C:\\site";
    saved.search.timeLimitSeconds = 7;
    ASSERT_EQ(SaveSettings(store, saved), kSettingsDone);
    EXPECT_EQ(store.numbers.size(), 22u);
    EXPECT_EQ(store.texts.size(), 6u);
    ASSERT_EQ(store.texts.count("stStep3Edit1"), 1u);  // an empty base URL is written, not left out
    Settings loaded;
    ASSERT_EQ(LoadSettings(store, &loaded), kSettingsDone);
    EXPECT_TRUE(loaded.search.searchBaseUrl);
    EXPECT_FALSE(loaded.processing.makeRelative);
    EXPECT_EQ(loaded.processing.target, "my frame");
    EXPECT_EQ(loaded.review.sortMethod, 2);
    EXPECT_EQ(loaded.lastRootFolder, "C:\\site");
    EXPECT_EQ(loaded.search.timeLimitSeconds, 7);
}

TEST(Settings, ATextLongerThanItsBufferFallsBackToItsDefault) {
    MemorySettingsStore store;
    store.texts["stStep4Edit1"] = std::string(kOptionTextBytes, 'a');  // no room for the NUL
    store.texts["lastRootFolder"] = std::string(260, 'b');             // fits exactly
    Settings s;
    LoadSettings(store, &s);
    EXPECT_EQ(s.processing.urlMask, "*.jpg");
    EXPECT_EQ(s.lastRootFolder.size(), 260u);
}

TEST(Settings, FailuresNameTheirMessage) {
    struct Case {
        bool failOpen;
        const char* failWriteOf;
        int load, save;
        const char* text;
    };
    const Case cases[] = {
        {true, "", kSettingsCannotOpen, kSettingsCannotOpen, "Main - Unable to open the registry key!"},
        {false, "stStep3Edit1", kSettingsDone, kSettingsCannotSetStep3, "Main - Unable to set the registry value!"},
        {false, "stStep4Chk1", kSettingsDone, kSettingsCannotSetOther, "Main - Unable to set the needed registry value!"},
        {false, "lastRootFolder", kSettingsDone, kSettingsCannotSetOther, "Main - Unable to set the needed registry value!"},
    };
    for (const Case& c : cases) {
        MemorySettingsStore store;
        store.failOpen = c.failOpen;
        store.failWriteOf = c.failWriteOf;
        Settings s;
        EXPECT_EQ(LoadSettings(store, &s), c.load);
        int saved = SaveSettings(store, s);
        EXPECT_EQ(saved, c.save) << c.failWriteOf;
        EXPECT_STREQ(SettingsFailureText(saved), c.text);
        // Values before the failing one stay written, the later ones are not touched.
        if (std::string(c.failWriteOf) == "stStep4Chk1") {
            EXPECT_EQ(store.texts.count("stStep3Edit1"), 1u);
            EXPECT_EQ(store.numbers.count("stStep4Chk2"), 0u);
        }
    }
}

TEST(TipOfTheDay, GoesRoundAllTipsAndStartsAgainOnStrangeValues) {
    struct Case {
        bool stored;
        std::uint32_t value;
        int next;
    };
    const Case cases[] = {{false, 0, 0}, {true, 0, 1}, {true, 15, 16}, {true, 16, 0}, {true, 25, 0}, {true, 0xFFFFFFFFu, 0}};
    for (const Case& c : cases) {
        MemorySettingsStore store;
        if (c.stored) store.numbers["tod_curTip"] = c.value;
        int tip = -1;
        EXPECT_EQ(AdvanceTipOfTheDay(store, &tip), kSettingsDone);
        EXPECT_EQ(tip, c.next) << c.value;
        EXPECT_EQ(store.numbers["tod_curTip"], static_cast<std::uint32_t>(c.next));
    }
    MemorySettingsStore broken;
    broken.failWriteOf = "tod_curTip";
    int tip = -1;
    EXPECT_EQ(AdvanceTipOfTheDay(broken, &tip), kSettingsCannotSetStep3);
}

}  // namespace
}  // namespace corvane
