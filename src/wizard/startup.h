// Corvane's start-up: the four courses a process can take, and the wizard's process values.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

constexpr const char* kCorvaneIdentifier = "2BEE3C1D-7F04-4a61-9C3E-5D20B7A19E44";

// Registers the verb, removes the registry traces, hands the command line over to the running
// wizard, or runs the wizard. Always 0.
int RunCorvane(HINSTANCE instance, const char* commandLine);

// The start-up path of a first start: quotes removed as a shell puts them around a path.
std::string StartupPathOf(const char* commandLine);

}  // namespace corvane
