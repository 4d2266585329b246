// The context-menu verb on folders and drives, and the removal of a program's registry traces.
#include "shell/shell_verb.h"

#include <windows.h>

#include "shell/program_values.h"
#include "platform/win32/registry_settings_store.h"

namespace corvane {
namespace {

constexpr const char* kUserClasses = "Software\\Classes\\";

// Creates or opens `path` under `root`; null when it cannot.
HKEY CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}

class Key {
public:
    explicit Key(HKEY key) : key_(key) {}
    ~Key() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

void SetDefault(HKEY key, const std::string& text, const ShellVerb& verb) {
    if (RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        EmergencyQuit(verb.cannotSetText);
}

}  // namespace

void RegisterShellVerb(const ShellVerb& verb, const std::string& programPath) {
    const std::string folderKey = std::string("Directory\\shell\\") + verb.verb;
    const std::string driveKey = std::string("Drive\\shell\\") + verb.verb;

    // A user without administrator rights cannot write the machine's classes; the user's own
    // classes give the same menu to that user.
    HKEY root = HKEY_CLASSES_ROOT;
    std::string prefix;
    HKEY first = CreateKey(root, folderKey);
    if (first == nullptr) {
        root = HKEY_CURRENT_USER;
        prefix = kUserClasses;
        first = CreateKey(root, prefix + folderKey);
    }
    if (first == nullptr) EmergencyQuit(verb.cannotOpenText);
    {
        Key folder(first);
        Key drive(CreateKey(root, prefix + driveKey));
        if (drive.get() == nullptr) EmergencyQuit(verb.cannotOpenText);
        SetDefault(folder.get(), verb.menuText, verb);
        SetDefault(drive.get(), verb.menuText, verb);
    }
    Key folderCommand(CreateKey(root, prefix + folderKey + "\\command"));
    if (folderCommand.get() == nullptr) EmergencyQuit(verb.cannotOpenText);
    Key driveCommand(CreateKey(root, prefix + driveKey + "\\command"));
    if (driveCommand.get() == nullptr) EmergencyQuit(verb.cannotOpenText);
    const std::string command = "\"" + programPath + "\" %1";
    SetDefault(folderCommand.get(), command, verb);
    SetDefault(driveCommand.get(), command, verb);
}

void RemoveRegistryTraces(const char* verb, const std::vector<std::string>& settingsKeysBefore,
                          const std::vector<std::string>& settingsKeysAfter) {
    for (const std::string& key : settingsKeysBefore) DeleteRegistryKeyEverywhere(key);
    for (const char* kind : {"Directory\\shell\\", "Drive\\shell\\"}) {
        const std::string key = std::string(kind) + verb;
        for (const std::string& path : {key + "\\command", key}) {
            RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
            RegDeleteKeyA(HKEY_CURRENT_USER, (kUserClasses + path).c_str());
        }
    }
    for (const std::string& key : settingsKeysAfter) DeleteRegistryKeyEverywhere(key);
}

}  // namespace corvane
