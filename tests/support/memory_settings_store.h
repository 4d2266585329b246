// An in-memory settings store that can refuse to open or to write a chosen value.
#pragma once

#include <map>
#include <string>

#include "platform/settings_store.h"

namespace corvane {

class MemorySettingsStore : public SettingsStore {
public:
    std::map<std::string, std::uint32_t> numbers;
    std::map<std::string, std::string> texts;
    bool failOpen = false;
    std::string failWriteOf;  // the name of a value that cannot be written
    int opens = 0;

    bool Open() override {
        ++opens;
        return !failOpen;
    }
    void Close() override {}
    bool ReadNumber(const std::string& name, std::uint32_t* value) override {
        auto it = numbers.find(name);
        if (it == numbers.end()) return false;
        *value = it->second;
        return true;
    }
    bool ReadText(const std::string& name, std::size_t maxBytes, std::string* value) override {
        auto it = texts.find(name);
        if (it == texts.end() || it->second.size() + 1 > maxBytes) return false;
        *value = it->second;
        return true;
    }
    bool WriteNumber(const std::string& name, std::uint32_t value) override {
        if (name == failWriteOf) return false;
        numbers[name] = value;
        return true;
    }
    bool WriteText(const std::string& name, const std::string& value) override {
        if (name == failWriteOf) return false;
        texts[name] = value;
        return true;
    }
};

}  // namespace corvane
