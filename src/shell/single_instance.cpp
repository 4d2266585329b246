// One running instance per program: the global atom carried by the main window and the mailslot
// of the hand-over.
#include "shell/single_instance.h"

#include <vector>

namespace corvane {
namespace {

std::string SlotName(const std::string& identifier) { return "\\\\.\\mailslot\\" + identifier; }

}  // namespace

SingleInstance::SingleInstance(std::string identifier) : identifier_(std::move(identifier)) {}

SingleInstance::~SingleInstance() {
    if (slot_ != INVALID_HANDLE_VALUE) CloseHandle(slot_);
}

bool SingleInstance::FindOrAddAtom() {
    atom_ = GlobalFindAtomA(identifier_.c_str());
    if (atom_ != 0) return true;
    atom_ = GlobalAddAtomA(identifier_.c_str());
    return false;
}

bool SingleInstance::HandOverToRunning(const std::string& commandLine) {
    if (atom_ == 0) return false;
    HWND found = nullptr;
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w != nullptr;
         w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
        if (GetWindowLongPtrA(w, GWLP_USERDATA) == static_cast<LONG_PTR>(atom_)) {
            found = w;
            break;
        }
    }
    // An atom without a window was left by a process that ended without clean-up.
    if (found == nullptr) return false;
    ShowWindow(found, SW_SHOW);
    SetForegroundWindow(found);
    if (commandLine.empty()) return true;
    // The running instance reads into 261 bytes: a longer message is not sent at all.
    if (commandLine.size() + 1 <= kMessageBytes) {
        HANDLE slot = CreateFileA(SlotName(identifier_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (slot != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(slot, commandLine.c_str(), static_cast<DWORD>(commandLine.size() + 1), &written, nullptr);
            CloseHandle(slot);
        }
    }
    SendMessageA(found, WM_COMMAND, kHandoverCommand, 0);
    return true;
}

void SingleInstance::CreateSlot() {
    if (slot_ != INVALID_HANDLE_VALUE) return;
    slot_ = CreateMailslotA(SlotName(identifier_).c_str(), kMessageBytes, MAILSLOT_WAIT_FOREVER, nullptr);
}

bool SingleInstance::ReadHandover(std::string* message) {
    if (slot_ == INVALID_HANDLE_VALUE) return false;
    DWORD next = 0, waiting = 0;
    // The slot's read time-out is unlimited: read only what is already there.
    if (!GetMailslotInfo(slot_, nullptr, &next, &waiting, nullptr)) return false;
    if (next == MAILSLOT_NO_MESSAGE || waiting == 0) return false;
    std::vector<char> buffer(next > kMessageBytes ? next : kMessageBytes, '\0');
    DWORD got = 0;
    if (!ReadFile(slot_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
    // A message too long for a path is taken off the slot and dropped rather than cut.
    if (got > kMessageBytes) return false;
    std::size_t length = 0;
    while (length < got && buffer[length] != '\0') ++length;
    if (length >= kMessageBytes) return false;
    message->assign(buffer.data(), length);
    return true;
}

void SingleInstance::DeleteAtom() {
    if (atom_ != 0) GlobalDeleteAtom(atom_);
    atom_ = 0;
}

}  // namespace corvane
