// Files and folders through the Win32 kernel's ANSI file APIs.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace corvane {

class Win32FileSystem : public FileSystem {
public:
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
};

}  // namespace corvane
