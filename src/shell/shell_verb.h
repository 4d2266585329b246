// The context-menu verb on folders and drives ("-shell") and the removal of a program's
// registry traces ("-uninstall").
#pragma once

#include <string>
#include <vector>

namespace corvane {

struct ShellVerb {
    const char* verb;              // "Corvane.Open"
    const char* menuText;          // "Check with &Corvane"
    const char* cannotOpenText;    // EmergencyQuit text when a key cannot be opened or created
    const char* cannotSetText;     // EmergencyQuit text when a value cannot be set
};

// Registers Directory\shell\<verb> and Drive\shell\<verb> with the menu text and the command
// "\"<programPath>\" %1" under HKEY_CLASSES_ROOT, or under HKEY_CURRENT_USER\Software\Classes
// when the machine-wide classes cannot be written. Ends through EmergencyQuit on failure.
void RegisterShellVerb(const ShellVerb& verb, const std::string& programPath);

// Deletes the verb's keys (command keys first) in both places, and each of `settingsKeys`
// under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, in the given order, ignoring every result.
void RemoveRegistryTraces(const char* verb, const std::vector<std::string>& settingsKeysBefore,
                          const std::vector<std::string>& settingsKeysAfter);

}  // namespace corvane
