// Process-wide values of both programs: the instance, the program's folder, the start-up path,
// the interface fonts, and the emergency exit.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

constexpr std::size_t kPathBuffer = 261;  // a path with its NUL

struct ProgramValues {
    HINSTANCE instance = nullptr;
    std::string programDir;   // always ends with a backslash
    std::string programPath;  // the running program's full path
    std::string startupPath;  // at most 260 characters; empty when none
    HFONT uiFont = nullptr;
    HFONT uiFontUnderlined = nullptr;
    HFONT uiFontBold = nullptr;
};

ProgramValues& Program();

// Fills instance, programPath and programDir (a drive root keeps exactly one backslash).
void InitProgramPaths(HINSTANCE instance);
// The folder part of a program's full path, ending in one backslash.
std::string ProgramDirOf(const std::string& modulePath);

// The whole command line equals `name` ignoring case (a switch with anything behind it is a path).
bool IsSwitch(const char* commandLine, const char* name);

// Shows `text` in a task-modal stop box titled "Emergency Quit" without owner, then ends the
// process with exit code -1. Saves nothing.
[[noreturn]] void EmergencyQuit(const char* text);

}  // namespace corvane
