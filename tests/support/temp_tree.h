// A real temporary folder for tests, reached through the platform's own FileSystem in Windows-form paths.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MoveFile
#undef DeleteFile
#include "platform/win32/file_system_win32.h"
#else
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/file_system_posix.h"
#endif

namespace corvane {

#ifdef _WIN32
using PlatformFileSystem = Win32FileSystem;
#else
using PlatformFileSystem = PosixFileSystem;
#endif

// Made empty on construction and removed with everything in it on destruction. Relative names
// use '\' as separator in both trees.
class TempTree {
public:
    TempTree() {
        static std::atomic<int> counter{0};
        std::string name = "corvane-test-" + std::to_string(Pid()) + "-" + std::to_string(counter++);
#ifdef _WIN32
        char buffer[MAX_PATH + 1] = {};
        DWORD n = ::GetTempPathA(MAX_PATH + 1, buffer);
        std::string temp = (n > 0 && n <= MAX_PATH) ? std::string(buffer, n) : std::string("C:\\");
        if (temp.back() != '\\') temp += '\\';
        host_ = temp + name;
        std::filesystem::create_directories(host_);
        root_ = host_;
#else
        const char* tmp = std::getenv("TMPDIR");
        std::string base = (tmp != nullptr && *tmp == '/') ? tmp : "/tmp";
        std::string templ = base + "/" + name + "-XXXXXX";
        if (::mkdtemp(&templ[0]) == nullptr) templ = base;
        host_ = templ;
        root_ = fs_.HostToWindowsPath(host_);
#endif
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::remove_all(host_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    PlatformFileSystem& fs() { return fs_; }
    // The folder in Windows form, without a trailing backslash.
    const std::string& root() const { return root_; }
    const std::string& hostRoot() const { return host_; }
    // A path below the folder in Windows form; "" gives the folder itself.
    std::string Path(const std::string& relative) const { return relative.empty() ? root_ : root_ + "\\" + relative; }
    std::string HostPath(const std::string& relative) const {
        std::string r = relative;
#ifndef _WIN32
        for (char& c : r)
            if (c == '\\') c = '/';
        return relative.empty() ? host_ : host_ + "/" + r;
#else
        return relative.empty() ? host_ : host_ + "\\" + r;
#endif
    }

    // Writes a file (its folders are made as needed) without going through the FileSystem.
    void WriteFile(const std::string& relative, const std::string& content) const {
        std::filesystem::path host(HostPath(relative));
        std::filesystem::create_directories(host.parent_path());
        std::ofstream out(host, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    void MakeFolder(const std::string& relative) const { std::filesystem::create_directories(HostPath(relative)); }
    // The file's bytes as stored on disk; "<missing>" when it cannot be read.
    std::string ReadFile(const std::string& relative) const {
        std::ifstream in(std::filesystem::path(HostPath(relative)), std::ios::binary);
        if (!in) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(HostPath(relative)); }
    // Makes `relative` a link to the folder `target` (relative to the link's folder); false when
    // this system cannot make one (the standard library has no folder links on Windows).
    bool MakeFolderLink(const std::string& relative, const std::string& target) const {
#ifdef _WIN32
        return ::CreateSymbolicLinkA(HostPath(relative).c_str(), target.c_str(),
                                     SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged create */) != 0;
#else
        std::error_code error;
        std::filesystem::create_directory_symlink(target, HostPath(relative), error);
        return !error;
#endif
    }

private:
    static long Pid() {
#ifdef _WIN32
        return static_cast<long>(::GetCurrentProcessId());
#else
        return static_cast<long>(::getpid());
#endif
    }

    PlatformFileSystem fs_;
    std::string host_;
    std::string root_;
};

}  // namespace corvane
