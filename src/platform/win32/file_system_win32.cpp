// Files and folders through CreateFileA, MoveFileExA, DeleteFileA and FindFirstFileA.
#include "platform/win32/file_system_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// <windows.h> maps these names to their ANSI or wide functions; here they are our own methods.
#undef MoveFile
#undef DeleteFile

#include <cstdint>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace corvane {
namespace {

// Positions into a file's text are 32-bit signed: a file of 2 GiB or more cannot be read.
constexpr LONGLONG kMaxReadableSize = 0x7FFFFFFF;

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (valid()) ::CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    // Closes now and tells whether the close succeeded.
    bool Close() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

bool UsablePath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

// Lists the folder through one handle, whose entries carry their file ids (the index
// GetFileInformationByHandle gives): 1 listed, 0 failed part way, -1 not listable this way.
int ListFolderWithIds(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
    FileHandle dir(::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION self;
    if (!dir.valid() || !::GetFileInformationByHandle(dir.get(), &self) ||
        (self.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return -1;
    std::vector<unsigned long long> storage(64 * 1024 / sizeof(unsigned long long));  // entries are 8-byte aligned
    const DWORD bytes = static_cast<DWORD>(storage.size() * sizeof(unsigned long long));
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    bool first = true;
    for (;;) {
        if (!::GetFileInformationByHandleEx(dir.get(), kind, storage.data(), bytes)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_NO_MORE_FILES) return 1;
            return first ? -1 : 0;
        }
        first = false;
        kind = FileIdBothDirectoryInfo;
        const unsigned char* at = reinterpret_cast<const unsigned char*>(storage.data());
        for (;;) {
            const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            const int units = static_cast<int>(e->FileNameLength / sizeof(WCHAR));
            std::string name;
            if (units > 0) {
                const int size = ::WideCharToMultiByte(CP_ACP, 0, e->FileName, units, nullptr, 0, nullptr, nullptr);
                name.resize(static_cast<std::size_t>(size > 0 ? size : 0));
                if (size > 0) ::WideCharToMultiByte(CP_ACP, 0, e->FileName, units, &name[0], size, nullptr, nullptr);
            }
            if (!name.empty() && name != "." && name != "..") {
                FolderEntry entry;
                entry.name = name;
                entry.isDirectory = (e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                const bool reparse = (e->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                entry.isLink = entry.isDirectory && reparse;
                if (!entry.isDirectory && !reparse) {
                    entry.identityKnown = true;
                    entry.identity.volume = self.dwVolumeSerialNumber;
                    entry.identity.index = static_cast<std::uint64_t>(e->FileId.QuadPart);
                }
                if (!visit(entry)) return 1;
            }
            if (e->NextEntryOffset == 0) break;
            at += e->NextEntryOffset;
        }
    }
}

void FillInfo(const BY_HANDLE_FILE_INFORMATION& data, FileInfo& info) {
    info.identity.volume = data.dwVolumeSerialNumber;
    info.identity.index = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    info.lastWrite = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                               data.ftLastWriteTime.dwLowDateTime);
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE OpenForReading(const std::string& path, DWORD hints) {
    return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | hints, nullptr);
}

// Reads exactly `count` bytes; false on an error or an early end of the file.
bool ReadExactly(HANDLE h, unsigned char* buffer, DWORD count, DWORD* got) {
    *got = 0;
    while (*got < count) {
        DWORD n = 0;
        if (!::ReadFile(h, buffer + *got, count - *got, &n, nullptr)) return false;
        if (n == 0) return false;
        *got += n;
    }
    return true;
}

// The system's text for an error code, without its closing line break.
std::string SystemMessage(DWORD error) {
    char buffer[256] = {};
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                               sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(error) : text;
}

}  // namespace

std::size_t DefaultKeptBytes() { return std::size_t{32} << 20; }

bool Win32FileSystem::ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) {
    FileInfo info;
    return ReadWholeFileAndInfo(path, out, info);
}

bool Win32FileSystem::ReadWholeFileAndInfo(const std::string& path, std::vector<unsigned char>& out, FileInfo& info) {
    info.lastWrite = -1;
    if (!UsablePath(path)) return false;
    FileHandle file(OpenForReading(path, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file.valid()) return false;
    // Size and time only: the whole of GetFileInformationByHandle asks for the volume's serial number,
    // which under some systems is a round trip to another process for every file read.
    LARGE_INTEGER size;
    FILE_BASIC_INFO basic;
    if (!::GetFileSizeEx(file.get(), &size) ||
        !::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic))
        return false;
    info.size = size.QuadPart;
    info.lastWrite = basic.LastWriteTime.QuadPart;
    info.isDirectory = (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (info.size < 0 || info.size > kMaxReadableSize) return false;
    if (!SizeReadBuffer(out, static_cast<std::size_t>(info.size))) return false;
    DWORD got = 0;
    if (!out.empty() && !ReadExactly(file.get(), out.data(), static_cast<DWORD>(out.size()), &got)) {
        out.clear();
        return false;
    }
    return true;
}

int Win32FileSystem::ReadFirstBytes(const std::string& path, unsigned char* buffer, int count) {
    if (!UsablePath(path)) return -1;
    FileHandle file(OpenForReading(path, 0));
    if (!file.valid()) return -1;
    if (count <= 0) return 0;
    if (buffer == nullptr) return -1;
    DWORD got = 0;
    while (got < static_cast<DWORD>(count)) {
        DWORD n = 0;
        if (!::ReadFile(file.get(), buffer + got, static_cast<DWORD>(count) - got, &n, nullptr)) return -1;
        if (n == 0) break;
        got += n;
    }
    return static_cast<int>(got);
}

bool Win32FileSystem::WriteNewFile(const std::string& path, const void* data, std::size_t size,
                                   WriteFailure* failure) {
    return WriteNew(path, data, size, failure, true);
}

bool Win32FileSystem::WriteNewFileUnflushed(const std::string& path, const void* data, std::size_t size,
                                            WriteFailure* failure) {
    return WriteNew(path, data, size, failure, false);
}

bool Win32FileSystem::WriteNew(const std::string& path, const void* data, std::size_t size, WriteFailure* failure,
                               bool flush) {
    if (!UsablePath(path) || (data == nullptr && size > 0)) {
        if (failure) *failure = WriteFailure{true, "invalid path"};
        return false;
    }
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | (flush ? FILE_FLAG_WRITE_THROUGH : 0), nullptr));
    if (!file.valid()) {
        if (failure) *failure = WriteFailure{true, SystemMessage(::GetLastError())};
        return false;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        std::size_t chunk = size - done;
        if (chunk > (1u << 30)) chunk = 1u << 30;
        DWORD written = 0;
        ok = ::WriteFile(file.get(), bytes + done, static_cast<DWORD>(chunk), &written, nullptr) && written > 0;
        done += written;
    }
    ok = ok && (!flush || ::FlushFileBuffers(file.get()));
    const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    ok = file.Close() && ok;
    if (!ok) {
        if (failure) *failure = WriteFailure{false, SystemMessage(error != ERROR_SUCCESS ? error : ::GetLastError())};
        ::DeleteFileA(path.c_str());
    }
    return ok;
}

bool Win32FileSystem::MoveFile(const std::string& from, const std::string& to, bool replaceExisting) {
    if (!UsablePath(from) || !UsablePath(to)) return false;
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (replaceExisting) flags |= MOVEFILE_REPLACE_EXISTING;
    return ::MoveFileExA(from.c_str(), to.c_str(), flags) != 0;
}

bool Win32FileSystem::MoveFileUnflushed(const std::string& from, const std::string& to, bool replaceExisting) {
    if (!UsablePath(from) || !UsablePath(to)) return false;
    return ::MoveFileExA(from.c_str(), to.c_str(), replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
}

bool Win32FileSystem::FlushFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (!UsablePath(path)) return false;
        // Flushing needs write access; the file was made by this program and nobody else holds it.
        FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid() || !::FlushFileBuffers(file.get())) return false;
    }
    return true;
}

bool Win32FileSystem::FlushFolders(const std::vector<std::string>& paths) {
    std::set<std::string> folders;
    for (const std::string& path : paths) {
        const std::size_t slash = path.find_last_of("\\/");
        if (!UsablePath(path) || slash == std::string::npos) return false;
        std::string folder = path.substr(0, slash);
        if (folder.empty() || folder.back() == ':') folder += '\\';  // a drive's root keeps its backslash
        folders.insert(folder);
    }
    bool ok = true;
    for (const std::string& folder : folders) {
        // A folder is opened as a file with backup semantics; where the file system cannot flush
        // one, its own journal keeps the order of the moves.
        FileHandle handle(::CreateFileA(folder.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ok = handle.valid() && ::FlushFileBuffers(handle.get()) && ok;
    }
    return ok;
}

bool Win32FileSystem::DeleteFile(const std::string& path) {
    return UsablePath(path) && ::DeleteFileA(path.c_str()) != 0;
}

bool Win32FileSystem::FileExists(const std::string& path) {
    return UsablePath(path) && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::GetFileInfo(const std::string& path, FileInfo& info) {
    if (!UsablePath(path)) return false;
    // No access asked for and every kind of sharing allowed: a page open in an editor still answers.
    // Backup semantics lets the handle be a folder; junctions and links are followed.
    FileHandle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) return false;
    BY_HANDLE_FILE_INFORMATION data;
    if (!::GetFileInformationByHandle(file.get(), &data)) return false;
    FillInfo(data, info);
    return true;
}

bool Win32FileSystem::ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
    if (!UsablePath(folder)) return false;
    int listed = ListFolderWithIds(folder, visit);
    if (listed >= 0) return listed != 0;
    std::string pattern = folder;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA(pattern.c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) {
        // A drive's root folder has no "." entry: an empty one finds nothing at all.
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        FolderEntry entry;
        entry.name = name;
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isLink = entry.isDirectory && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (!visit(entry)) return true;
    } while (::FindNextFileA(find.get(), &data));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace corvane
