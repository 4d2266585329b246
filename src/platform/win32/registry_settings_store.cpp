// The registry behind the settings store, with the per-user fallback for users without administrator rights.
#include "platform/win32/registry_settings_store.h"

#include <vector>

namespace corvane {

RegistrySettingsStore::RegistrySettingsStore(std::string subKey, HKEY primary, HKEY fallback)
    : subKey_(std::move(subKey)), primary_(primary), fallback_(fallback) {}

RegistrySettingsStore::~RegistrySettingsStore() { Close(); }

bool RegistrySettingsStore::Open() {
    Close();
    // Writing is what fails for a user without rights under HKLM, so the key must open for both.
    for (HKEY root : {primary_, fallback_}) {
        if (root == nullptr) continue;
        HKEY key = nullptr;
        if (RegCreateKeyExA(root, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            key_ = key;
            openedRoot_ = root;
            return true;
        }
    }
    return false;
}

void RegistrySettingsStore::Close() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

bool RegistrySettingsStore::ReadNumber(const std::string& name, std::uint32_t* value) {
    if (key_ == nullptr) return false;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) !=
        ERROR_SUCCESS)
        return false;
    *value = data;
    return true;
}

bool RegistrySettingsStore::ReadText(const std::string& name, std::size_t maxBytes, std::string* value) {
    if (key_ == nullptr) return false;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
    if (size > maxBytes) return false;  // too long: the caller takes the default rather than a cut text
    std::vector<char> buffer(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS)
        return false;
    buffer[got < buffer.size() ? got : buffer.size() - 1] = '\0';
    *value = buffer.data();
    return true;
}

bool RegistrySettingsStore::WriteNumber(const std::string& name, std::uint32_t value) {
    if (key_ == nullptr) return false;
    DWORD data = value;
    return RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

bool RegistrySettingsStore::WriteText(const std::string& name, const std::string& value) {
    if (key_ == nullptr) return false;
    return RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

void DeleteRegistryKeyEverywhere(const std::string& subKey, HKEY primary, HKEY fallback) {
    if (primary != nullptr) RegDeleteKeyA(primary, subKey.c_str());
    if (fallback != nullptr) RegDeleteKeyA(fallback, subKey.c_str());
}

}  // namespace corvane
