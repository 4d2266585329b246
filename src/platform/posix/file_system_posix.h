// Files and folders on a POSIX system, seen by the core through Windows-form paths (Z: is /).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/file_system.h"

namespace corvane {

// Presents host paths in Windows form the way Wine does: Z: is the host's root, and any other
// drive letter may be mapped to a host folder (C:\site\a.htm is <folder of C>/site/a.htm).
// Names are case-sensitive, as the host's file system is.
class PosixFileSystem : public FileSystem {
public:
    PosixFileSystem();

    // Maps drive `letter` (either case) to `hostFolder`; an empty folder removes the mapping.
    void MapDrive(char letter, const std::string& hostFolder);

    // The host path of a Windows-form path; false when it names no mapped drive.
    bool WindowsToHostPath(const std::string& windowsPath, std::string* hostPath) const;
    // A host path (relative ones are taken from the working folder) in Windows form, through the
    // drive whose folder is the longest prefix of it, else through Z:; empty when no drive reaches it.
    std::string HostToWindowsPath(const std::string& hostPath) const;

    bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) override;
    bool ReadWholeFileAndInfo(const std::string& path, std::vector<unsigned char>& out, FileInfo& info) override;
    int ReadFirstBytes(const std::string& path, unsigned char* buffer, int count) override;
    bool WriteNewFile(const std::string& path, const void* data, std::size_t size,
                      WriteFailure* failure = nullptr) override;
    bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) override;
    bool WriteNewFileUnflushed(const std::string& path, const void* data, std::size_t size,
                               WriteFailure* failure) override;
    bool MoveFileUnflushed(const std::string& from, const std::string& to, bool replaceExisting) override;
    bool FlushFiles(const std::vector<std::string>& paths) override;
    bool FlushFolders(const std::vector<std::string>& paths) override;
    bool DeleteFile(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    bool GetFileInfo(const std::string& path, FileInfo& info) override;
    bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) override;

private:
    bool WriteNew(const std::string& path, const void* data, std::size_t size, WriteFailure* failure, bool flush);
    bool Move(const std::string& from, const std::string& to, bool replaceExisting, bool flush);
#ifdef __linux__
    // Flushes the file system `device` through `hostPath`.
    bool SyncFileSystem(const std::string& hostPath, dev_t device);
    // Whether `device` was flushed after the last write, move or deletion made through this object.
    bool SyncedSinceLastChange(dev_t device) const;
#endif

    std::uint64_t changes_ = 0;                  // writes, moves and deletions made, failed ones too
    std::map<dev_t, std::uint64_t> syncedAt_;    // each file system flushed: changes_ when its flush began
    std::map<char, std::string> drives_;  // upper-case letter -> host folder without trailing '/' ("" for /)
};

}  // namespace corvane
