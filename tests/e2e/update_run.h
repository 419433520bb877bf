// The update as a person goes through it on the simulated recorder: what the
// console shows up to each wait for a key, the key typed there, and in the
// end the exit code and an outline of what went to the controller.
#pragma once

#include <string>
#include <vector>

#include "app/messages.h"
#include "tests/e2e/e2e_fixture.h"

struct Version {
    int major;
    int minor;
};

// What the shipped images carry, and what the simulated recorder holds when
// told nothing.
inline constexpr Version ImageFirmware = {3, 0};
inline constexpr Version ImageBootLoader = {1, 5};
inline constexpr Version SimBootLoader = {1, 4};
inline constexpr Version SimFirmware = {2, 7};

// One "." per block of a clean programming pass; one "." per erase command of
// 64 blocks for the simulator's flash (2,048 blocks of 128 KiB, the first 512
// of them below the 64 MiB mark).
inline constexpr int PassMarks = 53;
inline constexpr int EraseMarks = 24;

// The texts of the update, built from the console's own.
namespace text {

std::string Marks(int count, char mark = '.');
std::string BootLoaderVersion(Version v);
std::string FirmwareVersion(Version v);
inline const std::string FirmwareUnavailable = msg::CurrentFirmwareUnavailable;
// Both current versions, as read from a recorder whose records are sound.
std::string Versions(Version bootLoader, Version firmware);
// The first prompt.
std::string ConfirmLoad(Version image = ImageFirmware);
// The warning and the second prompt.
inline const std::string ConfirmErase = std::string(msg::EraseWarning) + msg::ConfirmErase;
// The boot-loader branch's reason and prompt.
std::string ConfirmBootLoader(Version from, Version to = ImageBootLoader);
inline const std::string BootLoaderPass =
    msg::ReplacingBootLoader + Marks(PassMarks) + msg::ProgressOk;
inline const std::string FirmwarePass = msg::ReplacingFirmware + Marks(PassMarks) + msg::ProgressOk;
inline const std::string Erase = msg::ErasingMemory + Marks(EraseMarks) + msg::ProgressOk;
// The end of every run that got as far as the firmware.
inline const std::string Finish = std::string(msg::DisconnectRecorder) + msg::ClosingPrompt;
// What a failed programming pass ends with, up to its wait for a key.
inline const std::string PassFailed =
    std::string(msg::ProgressFailed) + msg::RunAgainToFinish + msg::PressAnyKeyToExit;
// A message, then the closing wait.
std::string Closing(const char* message);
// A failure once programming has begun: the message, the advice to run the
// updater again, then the closing wait.
std::string Unfinished(const char* message);

}  // namespace text

// Output up to a wait for a key, and the key then typed. With `atStop` the
// run has not come to a key wait but stopped itself (--stop-at): the key is
// typed while it stands still, and then it goes on.
struct Turn {
    std::string shown;
    std::string key;
    bool atStop = false;
};

struct UpdateRun {
    std::vector<std::string> simOptions;
    std::vector<std::string> updaterArgs;
    // Every way out ends in a wait for a key (or in a prompt's key), so the
    // whole output is what the turns show, after the banner, and what comes
    // after the last key when that key was typed ahead.
    std::vector<Turn> turns;
    std::string ending = "";
};

// The frames and erase commands of a trace in order, one word each:
// "P:d800" a read at 0xD800, "R:d3f5" the BeginBlock at the status record,
// "S" a restart; "Q:f800" the probe of which program answers; "W53" a run of programming frames that began 53 blocks,
// "W8!5" one that began 8 and had 5 failed attempts; "E24" a run of 24 erase
// commands. A frame whose exchange failed gets a "!". The probes of discovery
// and of the restart waits are left out.
std::string TraceOutline(const std::vector<TraceLine>& trace);

// The number (from 1, as --fail-command counts) of the `occurrence`th I2C
// frame whose bytes start with `frameHex`; 0 when there is none.
uint64_t CommandNumberOfFrame(const std::vector<TraceLine>& trace, const std::string& frameHex,
                              int occurrence = 1);

class UpdateTest : public E2eTest {
protected:
    // Starts vokari-update-sim with a trace in the scratch folder, then goes
    // through the turns: waits until the output is exactly what they show so
    // far, checks that the program waits, types the key. Returns the exit
    // code; the output is checked byte for byte.
    // Under a launcher (SimLaunch) the keys are typed ahead instead, and the
    // output is checked whole at the end.
    int Play(PtyProcess& p, const UpdateRun& run);
    int Play(const UpdateRun& run) {
        PtyProcess p;
        return Play(p, run);
    }

    // The outline of the last run's trace.
    std::string Outline() const { return TraceOutline(ReadTrace(TracePath())); }
    std::string TracePath() const { return Scratch("trace"); }

private:
    int PlayTypedAhead(PtyProcess& p, const UpdateRun& run, std::string shown);
};
