// Named 32-bit numbers and texts under one key, where a program keeps its settings between runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Opens the key, creating it when missing; false when it can be neither opened nor created.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // False when the value is missing or cannot be read; the stored type is not checked.
    virtual bool ReadNumber(const std::string& name, std::uint32_t* value) = 0;
    // False when the value is missing, or larger than maxBytes with its terminating NUL.
    virtual bool ReadText(const std::string& name, std::size_t maxBytes, std::string* value) = 0;
    virtual bool WriteNumber(const std::string& name, std::uint32_t value) = 0;
    // Stored with its terminating NUL.
    virtual bool WriteText(const std::string& name, const std::string& value) = 0;
};

// The store opened for one load or save, and closed again on every way out.
class OpenSettingsStore {
public:
    explicit OpenSettingsStore(SettingsStore& store) : store_(store), open_(store.Open()) {}
    ~OpenSettingsStore() {
        if (open_) store_.Close();
    }
    OpenSettingsStore(const OpenSettingsStore&) = delete;
    OpenSettingsStore& operator=(const OpenSettingsStore&) = delete;

    explicit operator bool() const { return open_; }

private:
    SettingsStore& store_;
    bool open_;
};

}  // namespace corvane
