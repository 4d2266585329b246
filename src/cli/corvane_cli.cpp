// corvane-cli: the link engine of the wizard driven from the command line, for batch use, scripts and benchmarks.
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_host.h"
#include "cli/json_writer.h"
#include "apply/apply_driver.h"
#include "apply/review_model.h"
#include "engine/engine_context.h"
#include "engine/fragment_check.h"
#include "engine/internet_check.h"
#include "engine/search_driver.h"
#include "filelist/folder_scan.h"
#include "platform/url_prober.h"
#include "restorer/restore_walk.h"

#ifdef _WIN32
#include "platform/win32/file_system_win32.h"
// After the file-system header: windows.h renames MoveFile and DeleteFile to their A forms.
#include <windows.h>
#else
#include "platform/posix/file_system_posix.h"
#endif

namespace corvane {
namespace {

enum ExitCode { kExitDone = 0, kExitStopped = 1, kExitUsage = 2 };

#ifdef _WIN32
using HostFileSystem = Win32FileSystem;

std::string ToCorePath(HostFileSystem&, const std::string& path) {
    char full[MAX_PATH + 1];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full, n) : path;
}
#else
using HostFileSystem = PosixFileSystem;

// A path already in Windows form (C:\site, or C:/site) names a mapped drive; any other is a host path.
std::string ToCorePath(HostFileSystem& fs, const std::string& path) {
    const bool windowsForm = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                             path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    if (!windowsForm) return fs.HostToWindowsPath(path);
    std::string core = path;
    for (char& c : core)
        if (c == '/') c = '\\';
    return core;
}
#endif

// Everything one run of the engine works on.
struct Session {
    explicit Session(const CliArgs& a)
        : args(a), host(!a.json && a.command != "review"), prober(CreateSystemUrlProber()), internet(host, *prober),
          ctx{links, files, savedFrom, args.search, args.processing, host, {}, true, &internet} {}

    const CliArgs& args;
    HostFileSystem fs;
    CliHost host;
    LinkTable links;
    FileList files;
    SavedFromTable savedFrom;
    std::unique_ptr<UrlProber> prober;
    InternetCheck internet;
    EngineContext ctx;
    SearchState state;
};

// Adds the command line's folders (like the start-up folder) and files (like a single selection).
bool AddSitePaths(Session& s, std::string& error) {
    for (const std::string& arg : s.args.paths) {
        const std::string path = ToCorePath(s.fs, arg);
        bool isFolder = s.fs.ListFolder(path, [](const FolderEntry&) { return false; });
        int r = 0;
        if (isFolder) {
            r = ScanFolder(s.files, s.fs, s.host, s.args.subfolders, path);
        } else if (s.fs.FileExists(path)) {
            r = AddSelectedFiles(s.files, s.host, {path}, &s.fs);
        } else {
            error = "no such file or folder: " + arg;
            return false;
        }
        if (r == kAddStopped) {
            error = "stopped while adding files";
            return false;
        }
    }
    return true;
}

int Search(Session& s) {
    s.ctx.skipInternetCheck = !s.args.search.checkInternetUrls;
    s.internet.Reset();
    s.internet.SetLimits(LimitsOf(s.args.search));
    if (!s.ctx.skipInternetCheck) s.internet.OpenSession();
    s.state.Reset();
    const int r = RunSearch(s.ctx, s.fs, s.state);
    s.host.Flush();
    if (r == kSearchTooManyFiles) s.host.SetStatusText(kTooManyFilesMessage);
    return r;
}

void WriteSearchJson(JsonWriter& j, const Session& s) {
    j.Key("files");
    j.BeginArray();
    for (std::int32_t row = 0; row < s.files.size(); ++row) {
        j.BeginObject();
        j.Field("row", row);
        j.Field("path", s.files.path(row));
        j.Field("encoding", s.links.fileEncoding(static_cast<std::uint32_t>(row)));
        j.Field("referenced", s.files.referenced(row));
        j.EndObject();
    }
    j.EndArray();
    j.Key("records");
    j.BeginArray();
    for (std::int32_t i = 0; i < s.links.linkCount(); ++i) {
        const LinkRecord& r = s.links[i];
        j.BeginObject();
        j.Field("linkFile", r.linkFile);
        j.Field("linkUrl", r.linkUrl);
        j.Field("linkReplacement", r.linkReplacement);
        j.Field("linkTagPos", r.linkTagPos);
        j.Field("linkValuePos", r.linkValuePos);
        j.Field("linkValueLen", r.linkValueLen);
        j.Field("linkQuoteLen", r.linkQuoteLen);
        if (r.linkFragmentRepair != kFragmentKept) j.Field("reason", FragmentRepairName(r.linkFragmentRepair));
        j.EndObject();
    }
    j.EndArray();
    j.Key("secondPassLinks");
    j.BeginArray();
    for (std::int32_t record : s.links.secondPassLinks()) j.Number(record);
    j.EndArray();
}

void WriteLogAndStatus(JsonWriter& j, const Session& s) {
    j.Key("log");
    j.BeginArray();
    for (const std::string& line : s.host.lines()) j.String(line);
    j.EndArray();
    j.Field("status", s.host.status());
}

void PrintJson(const JsonWriter& j) {
    // Not joined first: a copy of megabytes costs more than a second write.
    WriteOut(j.str());
    WriteOut("\n");
}

bool Finished(int searchResult) { return searchResult == kSearchChanges || searchResult == kSearchNoChanges; }

int SearchCommand(Session& s) {
    const int r = Search(s);
    if (s.args.json) {
        JsonWriter j;
        j.BeginObject();
        WriteSearchJson(j, s);
        WriteLogAndStatus(j, s);
        j.EndObject();
        PrintJson(j);
    } else {
        WriteOut(s.host.status() + "\n");
    }
    return Finished(r) ? kExitDone : kExitStopped;
}

// The list of step 6, after the sort the options ask for.
int ReviewCommand(Session& s) {
    const int r = Search(s);
    if (!Finished(r)) {
        if (!s.args.json) WriteOut(s.host.status() + "\n");
        return kExitStopped;
    }
    if (s.args.review.sortMethod != 0 && SortLinkTable(s.links, s.args.review.sortMethod, s.host) < 0)
        return kExitStopped;
    const ReviewList list = RefreshReviewList(s.links, s.files, s.args.review, s.host);
    if (!s.args.json) {
        std::string out;
        for (const ReviewRow& row : list.rows) out += row.text + "\n";
        WriteOut(out + list.status + "\n");
        return kExitDone;
    }
    JsonWriter j;
    j.BeginObject();
    j.Key("rows");
    j.BeginArray();
    for (const ReviewRow& row : list.rows) {
        j.BeginObject();
        j.Field("text", row.text);
        j.Field("item", row.item);
        j.Key("records");
        j.BeginArray();
        for (std::int32_t i = 0; row.item >= 0 && i < s.links.linkCount(); ++i)
            if (s.links[i].linkListRow == row.item) j.Number(i);
        j.EndArray();
        j.EndObject();
    }
    j.EndArray();
    j.Field("status", list.status);
    j.EndObject();
    PrintJson(j);
    return kExitDone;
}

// Step 8, and the further passes the wizard's "Next pass" would run, without new backups.
int FixCommand(Session& s, std::string& error) {
    constexpr int kMaxPasses = 8;  // each pass only completes protocol names, so two suffice in practice
    ReviewOptions review = s.args.review;
    int r = Search(s);
    std::int32_t changes = 0, passedOver = 0, notWritten = 0;
    for (int pass = 0; Finished(r) && r == kSearchChanges && pass < kMaxPasses; ++pass) {
        const ApplyContext apply{{s.links, s.files, review, s.args.deletion, s.args.search, s.args.processing,
                                  s.state.rootPath, SystemCodePage()},
                                 s.fs,
                                 s.host,
                                 &s.state.stamps,
                                 &passedOver};
        const std::int32_t n = ApplyAllChanges(apply);
        s.host.Flush();
        if (n == kApplyDiskWriteError) {
            error = kDiskWritingErrorText;
            return kExitStopped;
        }
        if (n < 0) {
            WriteOut(ApplyStatusText(kApplyStatusStopped, 0, 0) + "\n");
            return kExitStopped;
        }
        changes = n;
        notWritten += passedOver;
        WriteOut(ApplyStatusText(kApplyStatusDone, n, s.state.processableFileCount, passedOver) + "\n");
        // A file passed over still holds its old links: the run did not do all it was asked.
        if (s.links.secondPassCount() == 0) return notWritten > 0 ? kExitStopped : kExitDone;
        // The backups of the first pass keep the site as it was before any change.
        review.makeBackups = false;
        WriteOut(">> Next pass\n");
        r = RunSearch(s.ctx, s.fs, s.state);
        s.host.Flush();
    }
    if (!Finished(r)) {
        WriteOut(s.host.status() + "\n");
        return kExitStopped;
    }
    if (changes == 0) WriteOut(s.host.status() + "\n");
    return notWritten > 0 ? kExitStopped : kExitDone;
}

// Restavo's walk over every folder given.
int RestoreCommand(Session& s, RestoreMode mode, std::string& error) {
    // Every folder is checked before any is walked: a mistyped one is an error, not "0 backup file(s)".
    for (const std::string& arg : s.args.paths) {
        if (!s.fs.ListFolder(ToCorePath(s.fs, arg), [](const FolderEntry&) { return false; })) {
            error = "no such folder: " + arg;
            return kExitStopped;
        }
    }
    int processed = 0;
    int result = kRestoreWalkDone;
    for (const std::string& arg : s.args.paths) {
        const int r = RestoreWalk(s.fs, ToCorePath(s.fs, arg), s.args.backupExtension, s.args.subfolders, mode,
                                  processed);
        if (r == kRestoreWalkRefused) {
            error = "the backup extension cannot be empty";
            return kExitUsage;
        }
        if (r != kRestoreWalkDone) result = r;
    }
    if (result != kRestoreWalkDone) {
        error = kRestoreWalkErrorText;
        return kExitStopped;
    }
    WriteOut(std::to_string(processed) +
             (mode == kRestoreBackups ? " backup file(s) restored\n" : " backup file(s) deleted\n"));
    return kExitDone;
}

int Run(const CliArgs& args, std::string& error) {
    Session s(args);
#ifdef _WIN32
    if (!args.drives.empty()) {
        error = "--drive is only for hosts whose paths have no drive letters";
        return kExitUsage;
    }
#else
    for (const auto& d : args.drives) s.fs.MapDrive(d.first, d.second);
#endif
    if (args.command == "restore") return RestoreCommand(s, kRestoreBackups, error);
    if (args.command == "delete-backups") return RestoreCommand(s, kDeleteBackups, error);
    if (!AddSitePaths(s, error)) return kExitStopped;
    if (args.command == "review") return ReviewCommand(s);
    if (args.command == "fix") return FixCommand(s, error);
    return SearchCommand(s);
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    using namespace corvane;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            WriteOut(CliUsage());
            return kExitDone;
        }
    CliArgs parsed;
    std::string error;
    if (!ParseCliArgs(args, parsed, error)) {
        std::fprintf(stderr, "corvane-cli: %s\n", error.c_str());
        return kExitUsage;
    }
    const int code = Run(parsed, error);
    if (!error.empty()) std::fprintf(stderr, "corvane-cli: %s\n", error.c_str());
    return code;
}
