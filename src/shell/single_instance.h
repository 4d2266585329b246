// One running instance per program: a global atom carried by the main window, and a mailslot
// through which a second start hands its command line over.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

class SingleInstance {
public:
    // `identifier` names both the atom and the mailslot \\.\mailslot\<identifier>.
    explicit SingleInstance(std::string identifier);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Looks the atom up and adds it when missing; true when it was there already.
    bool FindOrAddAtom();
    ATOM atom() const { return atom_; }

    // When the atom was found: looks for a top-level dialog window whose user data is the atom,
    // brings it to the front and hands `commandLine` over (when not empty). True when such a
    // window was found: this process should end.
    bool HandOverToRunning(const std::string& commandLine);

    // The running instance's mailslot (largest message 261 bytes).
    void CreateSlot();
    // One waiting message of at most 261 bytes, without waiting; false when none.
    bool ReadHandover(std::string* message);

    void DeleteAtom();

    static constexpr DWORD kMessageBytes = 261;

private:
    std::string identifier_;
    ATOM atom_ = 0;
    HANDLE slot_ = INVALID_HANDLE_VALUE;
};

// The notification of a hand-over: WM_COMMAND with this wParam (control 0, code 0xFFFF).
constexpr WPARAM kHandoverCommand = 0xFFFF0000u;

}  // namespace corvane
