// The process-wide values of both programs and their emergency exit.
#include "shell/program_values.h"

#include "shell/user_dialogs.h"

namespace corvane {

ProgramValues& Program() {
    static ProgramValues values;
    return values;
}

std::string ProgramDirOf(const std::string& modulePath) {
    const std::size_t slash = modulePath.find_last_of("\\/");
    std::string dir = slash == std::string::npos ? std::string() : modulePath.substr(0, slash + 1);
    if (dir.empty() || (dir.back() != '\\' && dir.back() != '/')) dir += '\\';
    return dir;
}

void InitProgramPaths(HINSTANCE instance) {
    ProgramValues& values = Program();
    values.instance = instance;
    char buffer[kPathBuffer * 3] = {};  // 260 characters in UTF-8 take up to three bytes each
    DWORD n = GetModuleFileNameA(instance, buffer, sizeof buffer);
    // A cut path names no file; leave it empty rather than pretend.
    if (n == 0 || n >= sizeof buffer) buffer[0] = '\0';
    values.programPath = buffer;
    values.programDir = ProgramDirOf(values.programPath);
}

bool IsSwitch(const char* commandLine, const char* name) {
    if (commandLine == nullptr) return false;
    // ASCII folding only: the system's word sort would overlook the switch's hyphen.
    for (;; ++commandLine, ++name) {
        char a = *commandLine, b = *name;
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
        if (a == '\0') return true;
    }
}

void EmergencyQuit(const char* text) {
    Dialogs().MessageBox(nullptr, text, "Emergency Quit", MB_ICONHAND | MB_TASKMODAL);
    ExitProcess(0xFFFFFFFFu);
}

}  // namespace corvane
