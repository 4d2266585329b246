// The command line of corvane-cli: switches, values, commands and the errors of bad usage.
#include "cli/cli_args.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "cli/cli_host.h"
#include "cli/json_writer.h"
#include "engine/search_driver.h"

namespace corvane {
namespace {

CliArgs Parse(std::vector<std::string> args) {
    CliArgs out;
    std::string error;
    EXPECT_TRUE(ParseCliArgs(args, out, error)) << error;
    return out;
}

std::string ErrorOf(std::vector<std::string> args) {
    CliArgs out;
    std::string error;
    EXPECT_FALSE(ParseCliArgs(args, out, error));
    return error;
}

TEST(CliArgs, DefaultsAreTheWizardsFirstRunDefaults) {
    const CliArgs a = Parse({"search", "site"});
    EXPECT_EQ(a.command, "search");
    EXPECT_TRUE(a.search.checkInternetUrls);
    EXPECT_TRUE(a.search.searchSavedFromUrl);
    EXPECT_FALSE(a.search.searchScriptsByTagNames);
    EXPECT_TRUE(a.processing.makeRelative);
    EXPECT_FALSE(a.processing.matchCase);
    EXPECT_EQ(a.processing.urlMask, "*.jpg");
    EXPECT_EQ(a.processing.target, "_blank");
    EXPECT_FALSE(a.review.allowLinkDeletion);
    EXPECT_TRUE(a.review.makeBackups);
    EXPECT_TRUE(a.subfolders);
    EXPECT_EQ(a.backupExtension, "bak");
    EXPECT_EQ(a.search.jobs, DefaultScanJobs());
    EXPECT_EQ(a.paths, std::vector<std::string>{"site"});
}

TEST(CliArgs, SwitchesTurnOnAndOff) {
    const CliArgs a = Parse({"fix", "--no-check-internet-urls", "--search-scripts-by-tag-names", "--make-absolute",
                             "--no-backups", "--allow-link-deletion", "--no-subfolders", "--match-case", "a", "b"});
    EXPECT_FALSE(a.search.checkInternetUrls);
    EXPECT_TRUE(a.search.searchScriptsByTagNames);
    EXPECT_FALSE(a.processing.makeRelative);
    EXPECT_FALSE(a.review.makeBackups);
    EXPECT_TRUE(a.review.allowLinkDeletion);
    EXPECT_FALSE(a.subfolders);
    EXPECT_TRUE(a.processing.matchCase);
    EXPECT_EQ(a.paths, (std::vector<std::string>{"a", "b"}));
}

TEST(CliArgs, ValuesBothWays) {
    const CliArgs a = Parse({"fix", "--base-url", "http://www.example.com/", "--mode=custom-mask", "--url-mask",
                             "*.gif;*.png", "--target", "_top", "--sort", "by-action", "--text-links", "make-empty",
                             "--image-url=spacer.gif", "--drive", "c=/srv/site", "--ext", "old", "--timeout", "5",
                             "--max-requests=200", "--max-requests-per-host", "3", "--jobs", "3", "site"});
    EXPECT_EQ(a.search.timeLimitSeconds, 5);
    EXPECT_EQ(a.search.maxRequests, 200);
    EXPECT_EQ(a.search.maxRequestsPerHost, 3);
    EXPECT_EQ(a.search.jobs, 3);
    EXPECT_TRUE(a.search.searchBaseUrl);
    EXPECT_EQ(a.search.baseUrl, "http://www.example.com/");
    EXPECT_EQ(a.processing.targetMode, kTargetCustomMask);
    EXPECT_EQ(a.processing.urlMask, "*.gif;*.png");
    EXPECT_EQ(a.processing.target, "_top");
    EXPECT_EQ(a.review.sortMethod, 2);
    EXPECT_FALSE(a.deletion.textConvertToText);
    EXPECT_TRUE(a.deletion.imageReplace);
    EXPECT_EQ(a.deletion.imageUrl, "spacer.gif");
    ASSERT_EQ(a.drives.size(), 1u);
    EXPECT_EQ(a.drives[0].first, 'C');
    EXPECT_EQ(a.drives[0].second, "/srv/site");
    EXPECT_EQ(a.backupExtension, "old");
}

TEST(CliArgs, BadUsageIsOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"repair", "site"},
        {"search"},
        {"search", "--no-such-switch", "site"},
        {"search", "--json=yes", "site"},
        {"search", "site", "--target"},
        {"search", "--mode", "sometimes", "site"},
        {"search", "--drive", "C/srv", "site"},
        {"search", "--sort", "by-size", "site"},
        {"search", "--timeout", "0", "site"},
        {"search", "--max-requests", "many", "site"},
    };
    for (const auto& args : bad) {
        const std::string e = ErrorOf(args);
        EXPECT_FALSE(e.empty());
        EXPECT_EQ(e.find('\n'), std::string::npos) << e;
    }
}

// The log reaches standard output in whole lines: a line another may still be appended to waits,
// however long the operation polls meanwhile.
TEST(CliHost, PrintsOnlyWholeLines) {
    auto pollAWhile = [](CliHost& host) {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        for (int i = 0; i < 32; ++i) host.PumpMessages();
    };
    ::testing::internal::CaptureStdout();
    std::string printed;
    {
        CliHost host(true);
        host.AddLogLine(">> Checking ... ", false);
        pollAWhile(host);
        printed += ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed, "");
        ::testing::internal::CaptureStdout();
        host.AddLogLine("valid. ", true);
        host.AddLogLine("next", false);
        pollAWhile(host);
        printed += ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed, ">> Checking ... valid. \n");
        ::testing::internal::CaptureStdout();
        host.Flush();
    }
    printed += ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, ">> Checking ... valid. \nnext\n");
}

TEST(JsonWriter, WritesNestedValuesAndWindows1252Text) {
    JsonWriter j;
    j.BeginObject();
    j.Key("path");
    j.String("C:\\site\\caf\xE9 \"1\".htm");
    j.Key("n");
    j.BeginArray();
    j.Number(-2);
    j.Bool(true);
    j.BeginObject();
    j.EndObject();
    j.EndArray();
    j.Key("euro");
    j.String("\x80\t");
    j.EndObject();
    EXPECT_EQ(j.str(),
              "{\"path\":\"C:\\\\site\\\\caf\xC3\xA9 \\\"1\\\".htm\",\"n\":[-2,true,{}],"
              "\"euro\":\"\xE2\x82\xAC\\u0009\"}");
}

}  // namespace
}  // namespace corvane
