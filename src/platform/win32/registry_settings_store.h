// The settings store in the registry: the machine-wide key when it can be written, else the user's.
#pragma once

#include <windows.h>

#include <string>

#include "platform/settings_store.h"

namespace corvane {

class RegistrySettingsStore : public SettingsStore {
public:
    // `subKey` under HKEY_LOCAL_MACHINE, or under HKEY_CURRENT_USER for a user who may not write
    // there. Tests pass other roots.
    explicit RegistrySettingsStore(std::string subKey, HKEY primary = HKEY_LOCAL_MACHINE,
                                   HKEY fallback = HKEY_CURRENT_USER);
    ~RegistrySettingsStore() override;
    RegistrySettingsStore(const RegistrySettingsStore&) = delete;
    RegistrySettingsStore& operator=(const RegistrySettingsStore&) = delete;

    bool Open() override;
    void Close() override;
    bool ReadNumber(const std::string& name, std::uint32_t* value) override;
    bool ReadText(const std::string& name, std::size_t maxBytes, std::string* value) override;
    bool WriteNumber(const std::string& name, std::uint32_t value) override;
    bool WriteText(const std::string& name, const std::string& value) override;

    // The root that the last Open used (primary or fallback); null before.
    HKEY openedRoot() const { return openedRoot_; }

private:
    std::string subKey_;
    HKEY primary_;
    HKEY fallback_;
    HKEY key_ = nullptr;
    HKEY openedRoot_ = nullptr;
};

// Deletes `subKey` under both roots, ignoring results (a key with subkeys is not deleted).
void DeleteRegistryKeyEverywhere(const std::string& subKey, HKEY primary = HKEY_LOCAL_MACHINE,
                                 HKEY fallback = HKEY_CURRENT_USER);

}  // namespace corvane
