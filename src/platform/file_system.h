// Files and folders as the core needs them; paths are always in Windows form (C:\site\a.htm).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace corvane {

// Which file or folder a path reaches, whatever name or link it is reached by: the volume's serial
// number and the file index on Windows, the device and inode number elsewhere.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
    bool operator<(const FileIdentity& o) const { return volume != o.volume ? volume < o.volume : index < o.index; }
};

struct FileInfo {
    FileIdentity identity;
    std::int64_t size = 0;
    std::int64_t lastWrite = 0;  // in the file system's own unit; only compared for equality
    bool isDirectory = false;
};

// What became of a WriteNewFile that failed: whether the file could not even be created (a
// read-only folder, a name in use), and the system's reason.
struct WriteFailure {
    bool notCreated = false;
    std::string reason;
};

struct FolderEntry {
    std::string name;  // name only, no folder
    bool isDirectory = false;
    bool isLink = false;  // a folder reached through a symbolic link or junction
    // The file's identity as GetFileInfo would give it, when the listing tells it (a file that is
    // no link): under some systems asking file by file costs a round trip each.
    bool identityKnown = false;
    FileIdentity identity{};
};

// Makes `out` the size of a file about to be read into it. Its buffer is used again, as a search
// reads file after file into the same few, unless it is much larger than needed: a large file
// read once is not held for the rest of a pass. False when there is no memory for it.
inline bool SizeReadBuffer(std::vector<unsigned char>& out, std::size_t size) {
    if (out.capacity() > (std::size_t{1} << 20) && out.capacity() / 4 > size) std::vector<unsigned char>().swap(out);
    try {
        out.resize(size);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return true;
}

// How many bytes of files read once a search keeps so as not to open them again. Where each opening is
// costly (a round trip through file system filters or another process) that is worth memory; where a
// second read comes cheaply from the system's cache, keeping them only costs memory, and nothing is kept.
std::size_t DefaultKeptBytes();

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The whole file in one buffer of its exact size. False when it cannot be opened or
    // read whole (a file of 2 GiB or more counts as unreadable); `out` may then be left empty.
    virtual bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) = 0;
    // ReadWholeFile that also tells the size and lastWrite GetFileInfo would (lastWrite -1 when
    // that is unknown), from the same opening where the system allows: under some systems every
    // opening is a round trip. The identity may be left unknown.
    virtual bool ReadWholeFileAndInfo(const std::string& path, std::vector<unsigned char>& out, FileInfo& info) {
        if (!GetFileInfo(path, info)) info.lastWrite = -1;
        return ReadWholeFile(path, out);
    }
    // Up to `count` bytes from the start; the number read, or -1 when it cannot be opened.
    virtual int ReadFirstBytes(const std::string& path, unsigned char* buffer, int count) = 0;
    // Creates `path` (it must not exist yet), writes `size` bytes through to the disk and
    // closes it. False on any failure; a partly written file is removed again. `failure`, when
    // given, says whether the file could not be created at all, and why.
    virtual bool WriteNewFile(const std::string& path, const void* data, std::size_t size,
                              WriteFailure* failure = nullptr) = 0;
    // Renames `from` to `to`; with replaceExisting an existing `to` is replaced in one step.
    virtual bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) = 0;

    // The same three steps for many files at once, where waiting for the disk once per file
    // would cost more than the writing: WriteNewFileUnflushed and MoveFileUnflushed leave their
    // bytes and names in the system's cache until FlushFiles and FlushFolders of the paths
    // concerned return true.
    virtual bool WriteNewFileUnflushed(const std::string& path, const void* data, std::size_t size,
                                       WriteFailure* failure) = 0;
    virtual bool MoveFileUnflushed(const std::string& from, const std::string& to, bool replaceExisting) = 0;
    // Puts the content of every file named on the disk; false when any of them cannot be flushed.
    virtual bool FlushFiles(const std::vector<std::string>& paths) = 0;
    // Puts on the disk the folders holding the entries named (each folder once), so that their
    // names, as created or moved, survive a crash. Where a flush is of the whole disk, one made
    // since the last write, move or deletion through this object has done it already.
    virtual bool FlushFolders(const std::vector<std::string>& paths) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // The identity, size and last-write time of the file or folder `path` reaches (links are
    // followed); false when it cannot be reached.
    virtual bool GetFileInfo(const std::string& path, FileInfo& info) = 0;
    // Calls `visit` for every entry of `folder` (without "." and "..") in the order the file
    // system gives them, until it returns false. False when the folder cannot be listed.
    virtual bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) = 0;
};

// What a reader saw of one file, to tell later whether the file changed in between.
struct FileStamp {
    bool taken = false;           // the file was read
    std::int64_t size = 0;
    std::int64_t lastWrite = -1;  // -1: the file system could not tell
    std::uint64_t hash = 0;       // ContentHash of its bytes
};

// A cheap hash of a file's bytes, to tell whether a file changed in between (never stored). Eight
// bytes at a time in four independent lanes, so that it runs at the speed of memory: each step of a
// lane (xor, then a multiplication by an odd number) can be undone, so a change to one word of a
// lane always changes that lane.
inline std::uint64_t ContentHash(const unsigned char* data, std::size_t size) {
    constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15ull;
    std::uint64_t lane[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull, 0x082EFA98EC4E6C89ull};
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        for (int k = 0; k < 4; ++k) {
            std::uint64_t word;
            std::memcpy(&word, data + i + 8 * k, sizeof word);
            lane[k] = (lane[k] ^ word) * kOdd;
        }
    }
    for (; i < size; ++i) lane[i % 4] = (lane[i % 4] ^ data[i]) * kOdd;
    std::uint64_t h = size;
    for (std::uint64_t l : lane) {
        h = (h ^ l ^ (l >> 31)) * kOdd;
        h ^= h >> 29;
    }
    return h;
}

}  // namespace corvane
