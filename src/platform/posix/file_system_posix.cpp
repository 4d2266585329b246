// Files and folders on a POSIX system, with Windows-form paths mapped to host paths through drive letters.
#include "platform/posix/file_system_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>

namespace corvane {
namespace {

// Files of 2 GiB or more cannot be read: positions into a file's text are 32-bit signed.
constexpr off_t kMaxReadableSize = 0x7FFFFFFF;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and tells whether the close succeeded (a late write error shows up here).
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads up to `count` bytes, stopping early only at the end of the file; -1 on an error.
long ReadFully(int fd, unsigned char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        ssize_t n = ::read(fd, buffer + got, count - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

bool WriteFully(int fd, const unsigned char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ParentFolder(const std::string& hostPath) {
    std::size_t slash = hostPath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return hostPath.substr(0, slash);
}

// A new or renamed entry is durable only once its folder is flushed too.
void SyncFolderOf(const std::string& hostPath) {
    int fd = OpenRetrying(ParentFolder(hostPath).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    Fd folder(fd);
    ::fsync(folder.get());
}

std::string WorkingFolder() {
    std::string buffer(PATH_MAX, '\0');
    while (::getcwd(&buffer[0], buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

// Absolute, without empty or "." segments and without a trailing '/'; "" for the root.
std::string NormalizeHostFolder(const std::string& hostPath) {
    std::string absolute = (!hostPath.empty() && hostPath[0] == '/') ? hostPath : WorkingFolder() + "/" + hostPath;
    std::string result;
    std::size_t i = 0;
    while (i < absolute.size()) {
        std::size_t end = absolute.find('/', i);
        if (end == std::string::npos) end = absolute.size();
        std::string segment = absolute.substr(i, end - i);
        if (!segment.empty() && segment != ".") result += "/" + segment;
        i = end + 1;
    }
    return result;
}

void FillInfo(const struct stat& st, FileInfo& info) {
    info.identity.volume = static_cast<std::uint64_t>(st.st_dev);
    info.identity.index = static_cast<std::uint64_t>(st.st_ino);
    info.size = static_cast<std::int64_t>(st.st_size);
    info.lastWrite = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    info.isDirectory = S_ISDIR(st.st_mode);
}

}  // namespace

std::size_t DefaultKeptBytes() { return 0; }

PosixFileSystem::PosixFileSystem() { drives_['Z'] = ""; }

void PosixFileSystem::MapDrive(char letter, const std::string& hostFolder) {
    if (!std::isalpha(static_cast<unsigned char>(letter))) return;
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (hostFolder.empty()) {
        drives_.erase(upper);
        return;
    }
    drives_[upper] = NormalizeHostFolder(hostFolder);
}

bool PosixFileSystem::WindowsToHostPath(const std::string& windowsPath, std::string* hostPath) const {
    if (windowsPath.size() < 2 || windowsPath[1] != ':' || !std::isalpha(static_cast<unsigned char>(windowsPath[0])))
        return false;
    if (windowsPath.find('\0') != std::string::npos) return false;
    auto drive = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(windowsPath[0]))));
    if (drive == drives_.end()) return false;
    std::string rest = windowsPath.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    std::string result = drive->second;
    if (!rest.empty() && rest[0] != '/') result += '/';  // "C:name" is taken from the drive's root
    result += rest;
    if (result.empty()) result = "/";
    *hostPath = result;
    return true;
}

std::string PosixFileSystem::HostToWindowsPath(const std::string& hostPath) const {
    std::string absolute = NormalizeHostFolder(hostPath);
    const std::pair<const char, std::string>* best = nullptr;
    for (const auto& drive : drives_) {
        const std::string& base = drive.second;
        bool inside = absolute.compare(0, base.size(), base) == 0 &&
                      (absolute.size() == base.size() || absolute[base.size()] == '/');
        if (inside && (best == nullptr || base.size() > best->second.size())) best = &drive;
    }
    if (best == nullptr) return std::string();
    std::string rest = absolute.substr(best->second.size());
    if (rest.empty()) rest = "/";
    for (char& c : rest)
        if (c == '/') c = '\\';
    return std::string(1, best->first) + ":" + rest;
}

bool PosixFileSystem::ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) {
    FileInfo info;
    return ReadWholeFileAndInfo(path, out, info);
}

bool PosixFileSystem::ReadWholeFileAndInfo(const std::string& path, std::vector<unsigned char>& out, FileInfo& info) {
    info.lastWrite = -1;
    std::string host;
    if (!WindowsToHostPath(path, &host)) return false;
    int raw = OpenRetrying(host.c_str(), O_RDONLY);
    if (raw < 0) return false;
    Fd fd(raw);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return false;
    FillInfo(st, info);
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxReadableSize) return false;
    if (!SizeReadBuffer(out, static_cast<std::size_t>(st.st_size))) return false;
    long got = ReadFully(fd.get(), out.data(), out.size());
    if (got < 0 || static_cast<std::size_t>(got) != out.size()) {
        out.clear();
        return false;
    }
    return true;
}

int PosixFileSystem::ReadFirstBytes(const std::string& path, unsigned char* buffer, int count) {
    std::string host;
    if (!WindowsToHostPath(path, &host)) return -1;
    int raw = OpenRetrying(host.c_str(), O_RDONLY);
    if (raw < 0) return -1;
    Fd fd(raw);
    if (count <= 0) return 0;
    if (buffer == nullptr) return -1;
    long got = ReadFully(fd.get(), buffer, static_cast<std::size_t>(count));
    return got < 0 ? -1 : static_cast<int>(got);
}

bool PosixFileSystem::WriteNewFile(const std::string& path, const void* data, std::size_t size,
                                   WriteFailure* failure) {
    return WriteNew(path, data, size, failure, true);
}

bool PosixFileSystem::WriteNewFileUnflushed(const std::string& path, const void* data, std::size_t size,
                                            WriteFailure* failure) {
    return WriteNew(path, data, size, failure, false);
}

bool PosixFileSystem::WriteNew(const std::string& path, const void* data, std::size_t size, WriteFailure* failure,
                               bool flush) {
    std::string host;
    if (!WindowsToHostPath(path, &host) || (data == nullptr && size > 0)) {
        if (failure) *failure = WriteFailure{true, "invalid path"};
        return false;
    }
    ++changes_;
    int raw = OpenRetrying(host.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (raw < 0) {
        if (failure) *failure = WriteFailure{true, std::strerror(errno)};
        return false;
    }
    Fd fd(raw);
    bool ok = WriteFully(fd.get(), static_cast<const unsigned char*>(data), size) && (!flush || ::fsync(fd.get()) == 0);
    ok = fd.Close() && ok;
    if (!ok) {
        if (failure) *failure = WriteFailure{false, std::strerror(errno)};
        ::unlink(host.c_str());
        return false;
    }
    // The content is on the disk; the name is made durable by the move that puts the file in
    // its place (the apply step always moves a new file over its page).
    return true;
}

bool PosixFileSystem::MoveFile(const std::string& from, const std::string& to, bool replaceExisting) {
    return Move(from, to, replaceExisting, true);
}

bool PosixFileSystem::MoveFileUnflushed(const std::string& from, const std::string& to, bool replaceExisting) {
    return Move(from, to, replaceExisting, false);
}

bool PosixFileSystem::Move(const std::string& from, const std::string& to, bool replaceExisting, bool flush) {
    std::string source, target;
    if (!WindowsToHostPath(from, &source) || !WindowsToHostPath(to, &target)) return false;
    ++changes_;
    bool moved = false;
    if (replaceExisting) {
        moved = ::rename(source.c_str(), target.c_str()) == 0;
    } else {
        bool tryLink = true;
#ifdef RENAME_NOREPLACE
        if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            moved = true;
            tryLink = false;
        } else if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
            tryLink = false;  // a real failure (the target exists, no source, ...), not a missing feature
        }
#endif
        // Where the file system cannot refuse to replace in one step, a hard link does the same:
        // it fails when the target exists.
        if (tryLink && ::link(source.c_str(), target.c_str()) == 0) {
            if (::unlink(source.c_str()) == 0) {
                moved = true;
            } else {
                ::unlink(target.c_str());
            }
        }
    }
    if (!moved) return false;
    if (!flush) return true;
    SyncFolderOf(target);
    if (ParentFolder(source) != ParentFolder(target)) SyncFolderOf(source);
    return true;
}

#ifdef __linux__
bool PosixFileSystem::SyncFileSystem(const std::string& hostPath, dev_t device) {
    int raw = OpenRetrying(hostPath.c_str(), O_RDONLY);
    if (raw < 0) return false;
    Fd fd(raw);
    const std::uint64_t changes = changes_;
    if (::syncfs(fd.get()) != 0) return false;
    syncedAt_[device] = changes;
    return true;
}

bool PosixFileSystem::SyncedSinceLastChange(dev_t device) const {
    auto synced = syncedAt_.find(device);
    return synced != syncedAt_.end() && synced->second == changes_;
}
#endif

bool PosixFileSystem::FlushFiles(const std::vector<std::string>& paths) {
#ifdef __linux__
    // One flush of each file system holding them: a flush per file costs the disk one flush
    // of its cache each, many times the time the writing took. A stat tells the file system;
    // only the first file of each is opened.
    std::set<dev_t> flushed;
    for (const std::string& path : paths) {
        std::string host;
        if (!WindowsToHostPath(path, &host)) return false;
        struct stat st {};
        if (::stat(host.c_str(), &st) != 0) return false;
        if (flushed.insert(st.st_dev).second && !SyncFileSystem(host, st.st_dev)) return false;
    }
    return true;
#else
    for (const std::string& path : paths) {
        std::string host;
        if (!WindowsToHostPath(path, &host)) return false;
        int raw = OpenRetrying(host.c_str(), O_RDONLY);
        if (raw < 0) return false;
        Fd fd(raw);
        if (::fsync(fd.get()) != 0) return false;
    }
    return true;
#endif
}

bool PosixFileSystem::FlushFolders(const std::vector<std::string>& paths) {
    std::set<std::string> folders;
    for (const std::string& path : paths) {
        std::string host;
        if (!WindowsToHostPath(path, &host)) return false;
        folders.insert(ParentFolder(host));
    }
    bool ok = true;
    std::set<dev_t> flushed;
    for (const std::string& folder : folders) {
        int raw = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (raw < 0) {
            ok = false;
            continue;
        }
        Fd fd(raw);
#ifdef __linux__
        // As for files: one flush of the file system rather than one per folder, and none when
        // one was made since the last change made here (a batch's moves are flushed with the
        // next batch's new texts).
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) {
            ok = false;
            continue;
        }
        if (!flushed.insert(st.st_dev).second || SyncedSinceLastChange(st.st_dev)) continue;
        const std::uint64_t changes = changes_;
        if (::syncfs(fd.get()) == 0) {
            syncedAt_[st.st_dev] = changes;
        } else {
            ok = false;
        }
#else
        ok = ::fsync(fd.get()) == 0 && ok;
#endif
    }
    return ok;
}

bool PosixFileSystem::DeleteFile(const std::string& path) {
    std::string host;
    if (!WindowsToHostPath(path, &host)) return false;
    struct stat st {};
    // Folders are not files: removing one is refused, as on Windows.
    if (::lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    ++changes_;
    return ::unlink(host.c_str()) == 0;
}

bool PosixFileSystem::FileExists(const std::string& path) {
    std::string host;
    if (!WindowsToHostPath(path, &host)) return false;
    struct stat st {};
    return ::stat(host.c_str(), &st) == 0;
}

bool PosixFileSystem::GetFileInfo(const std::string& path, FileInfo& info) {
    std::string host;
    if (!WindowsToHostPath(path, &host)) return false;
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0) return false;
    FillInfo(st, info);
    return true;
}

bool PosixFileSystem::ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
    std::string host;
    if (!WindowsToHostPath(folder, &host)) return false;
    DIR* dir = ::opendir(host.c_str());
    if (dir == nullptr) return false;
    struct DirCloser {
        DIR* d;
        ~DirCloser() { ::closedir(d); }
    } closer{dir};
    struct stat folderInfo {};
    const bool folderKnown = ::fstat(::dirfd(dir), &folderInfo) == 0;
    for (;;) {
        errno = 0;
        struct dirent* entry = ::readdir(dir);
        if (entry == nullptr) return errno == 0;
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        // A name with a backslash has no Windows form: it would read as a folder and a name.
        if (name.find('\\') != std::string::npos) continue;
        FolderEntry item;
        item.name = name;
        if (entry->d_type == DT_DIR) {
            item.isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st {};
            item.isDirectory = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
            struct stat own {};
            item.isLink = item.isDirectory && ::fstatat(::dirfd(dir), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                          S_ISLNK(own.st_mode);
        } else if (entry->d_type == DT_REG && folderKnown) {
            // A regular file's entry names its inode, on the folder's device.
            item.identityKnown = true;
            item.identity.volume = static_cast<std::uint64_t>(folderInfo.st_dev);
            item.identity.index = static_cast<std::uint64_t>(entry->d_ino);
        }
        if (!visit(item)) return true;
    }
}

}  // namespace corvane
