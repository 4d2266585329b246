// Files and folders as the core needs them; paths are always in Windows form (C:\site\a.htm).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

struct FolderEntry {
    std::string name;  // name only, no folder
    bool isDirectory = false;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The whole file in one buffer of its exact size. False when it cannot be opened or
    // read whole (a file of 2 GiB or more counts as unreadable).
    virtual bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) = 0;
    // Up to `count` bytes from the start; the number read, or -1 when it cannot be opened.
    virtual int ReadFirstBytes(const std::string& path, unsigned char* buffer, int count) = 0;
    // Creates `path` (it must not exist yet), writes `size` bytes through to the disk and
    // closes it. False on any failure; a partly written file is removed again.
    virtual bool WriteNewFile(const std::string& path, const void* data, std::size_t size) = 0;
    // Renames `from` to `to`; with replaceExisting an existing `to` is replaced in one step.
    virtual bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Calls `visit` for every entry of `folder` (without "." and "..") in the order the file
    // system gives them, until it returns false. False when the folder cannot be listed.
    virtual bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) = 0;
};

}  // namespace corvane
