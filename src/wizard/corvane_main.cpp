// Corvane's entry point.
#include <windows.h>

#include "wizard/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return corvane::RunCorvane(instance, commandLine);
}
