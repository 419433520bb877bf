// The elevation prompt for a program started from Explorer: the "runas"
// verb of the shell (shell32), which shows the system's consent dialog and
// starts the elevated copy in a console of its own.
#include <windows.h>

#include <shellapi.h>

#include "platform/command_line.h"
#include "platform/elevation.h"

namespace {

// Held while the elevated copy runs, so that the copy knows it is one and
// never asks again (where the system elevates nothing, it would ask for
// ever). A name in the session: the copy runs in the same one.
constexpr char StartedAgainMark[] = "Local\\VokariUpdateStartedElevated";

bool TokenIsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return known && elevation.TokenIsElevated != 0;
}

}  // namespace

void ElevationReadFacts(ElevationFacts* facts) {
    if (facts == nullptr) return;
    // Started from a console program (cmd, PowerShell), the console has that
    // one too; started from Explorer, only this program.
    DWORD processes[2];
    facts->ownConsole = GetConsoleProcessList(processes, 2) == 1;
    facts->elevated = TokenIsElevated();
    HANDLE mark = OpenEventA(SYNCHRONIZE, FALSE, StartedAgainMark);
    facts->startedAgain = mark != nullptr;
    if (mark != nullptr) CloseHandle(mark);
}

ElevationResult ElevationStartAgain(int* exitCode) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return ElevationImpossible;
    HANDLE mark = CreateEventA(nullptr, TRUE, FALSE, StartedAgainMark);
    if (mark == nullptr) return ElevationImpossible;

    SHELLEXECUTEINFOA start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    start.lpVerb = "runas";
    start.lpFile = path;
    start.lpParameters = CommandLineArguments(GetCommandLineA());
    start.nShow = SW_SHOWNORMAL;
    ElevationResult result = ElevationImpossible;
    if (!ShellExecuteExA(&start)) {
        if (GetLastError() == ERROR_CANCELLED) result = ElevationDeclined;
    } else if (start.hProcess != nullptr) {
        WaitForSingleObject(start.hProcess, INFINITE);
        DWORD code = 0;
        if (exitCode != nullptr)
            *exitCode = GetExitCodeProcess(start.hProcess, &code) ? static_cast<int>(code) : -1;
        result = ElevationRan;
        CloseHandle(start.hProcess);
    }
    CloseHandle(mark);
    return result;
}
