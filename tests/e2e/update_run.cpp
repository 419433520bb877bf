#include "tests/e2e/update_run.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

// A program with no key wait where one belongs ends within microseconds of
// its last text; one that waits is still there this much later.
constexpr int KeyWaitCheckMs = 50;

std::string Printf(const char* format, Version a) {
    char line[160];
    std::snprintf(line, sizeof line, format, a.major, a.minor);
    return line;
}

std::string Printf(const char* format, Version a, Version b) {
    char line[160];
    std::snprintf(line, sizeof line, format, a.major, a.minor, b.major, b.minor);
    return line;
}

bool IsDiag(std::string arg) {
    for (char& c : arg) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return arg == "DIAG";
}

// What the console prints before the update begins.
std::string Head(const std::vector<std::string>& updaterArgs) {
    for (const std::string& arg : updaterArgs)
        if (IsDiag(arg)) return text::Diagnostic + text::Banner;
    return text::Banner;
}

int HexByte(const std::string& hex, size_t index) {
    if (hex.size() < 2 * index + 2) return -1;
    return std::stoi(hex.substr(2 * index, 2), nullptr, 16);
}

// The trace's commands only (a failed open sends nothing), with their
// numbers as --fail-command counts them.
std::vector<const TraceLine*> Commands(const std::vector<TraceLine>& trace) {
    std::vector<const TraceLine*> commands;
    for (const TraceLine& line : trace)
        if (line.opened) commands.push_back(&line);
    return commands;
}

bool Is(const TraceLine& line, const char* opcodeAndSub) { return line.cdb.compare(0, 4, opcodeAndSub) == 0; }

}  // namespace

namespace text {

std::string Marks(int count, char mark) { return std::string(static_cast<size_t>(count), mark); }
std::string BootLoaderVersion(Version v) { return Printf(msg::CurrentBootLoaderVersion, v); }
std::string FirmwareVersion(Version v) { return Printf(msg::CurrentFirmwareVersion, v); }
std::string Versions(Version bootLoader, Version firmware) {
    return BootLoaderVersion(bootLoader) + FirmwareVersion(firmware);
}
std::string ConfirmLoad(Version image) { return Printf(msg::ConfirmLoad, image); }
std::string ConfirmBootLoader(Version from, Version to) {
    return msg::BootLoaderUpgradeNeeded + Printf(msg::ConfirmBootLoader, from, to);
}
std::string Closing(const char* message) { return message + std::string(msg::ClosingPrompt); }

std::string Unfinished(const char* message) {
    return message + std::string(msg::RunAgainToFinish) + msg::ClosingPrompt;
}

}  // namespace text

std::string TraceOutline(const std::vector<TraceLine>& trace) {
    std::vector<const TraceLine*> commands = Commands(trace);
    std::string outline;
    auto add = [&outline](const std::string& word) {
        if (!outline.empty()) outline += ' ';
        outline += word;
    };
    int blocksBegun = 0, failedFrames = 0, erases = 0;
    bool programming = false;
    auto endRuns = [&] {
        // Appended piece by piece: "W" + std::string trips GCC 12's
        // -Wrestrict false positive at -O3.
        if (programming) {
            std::string word(1, 'W');
            word += std::to_string(blocksBegun);
            if (failedFrames > 0) word.append(1, '!').append(std::to_string(failedFrames));
            add(word);
        }
        if (erases > 0) add(std::string(1, 'E').append(std::to_string(erases)));
        programming = false;
        blocksBegun = failedFrames = erases = 0;
    };

    for (size_t i = 0; i < commands.size(); ++i) {
        const TraceLine& line = *commands[i];
        if (Is(line, "c80a")) {
            if (programming) endRuns();
            ++erases;
            continue;
        }
        if (!Is(line, "c802")) continue;
        if (erases > 0) endRuns();
        // A frame's exchange: its write and, when the write went through and
        // a reply is due, the read that follows at once.
        bool ok = line.result == 1;
        if (ok && i + 1 < commands.size() && Is(*commands[i + 1], "c803"))
            ok = commands[i + 1]->result == 1;
        const char letter = static_cast<char>(HexByte(line.out, 0));
        char address[8] = "";
        if (letter != 'S')
            std::snprintf(address, sizeof address, "%02x%02x", HexByte(line.out, 2), HexByte(line.out, 1));
        // A write above the programmable area is the probe of which program
        // answers, not part of a pass.
        const bool probe = letter == 'Q' && std::strtoul(address, nullptr, 16) >= 0xD400;
        const bool blockFrame = (letter == 'Q' && !probe) || (letter == 'R' && std::string(address) != "d3f5");
        if (blockFrame) {
            programming = true;
            if (letter == 'R' && ok) ++blocksBegun;
            if (!ok) ++failedFrames;
            continue;
        }
        endRuns();
        std::string word(1, letter);
        if (letter != 'S') word += std::string(":") + address;
        add(ok ? word : word + "!");
    }
    endRuns();
    return outline;
}

uint64_t CommandNumberOfFrame(const std::vector<TraceLine>& trace, const std::string& frameHex,
                              int occurrence) {
    std::vector<const TraceLine*> commands = Commands(trace);
    for (size_t i = 0; i < commands.size(); ++i) {
        const TraceLine& line = *commands[i];
        if (Is(line, "c802") && line.out.compare(0, frameHex.size(), frameHex) == 0 &&
            --occurrence == 0)
            return i + 1;
    }
    return 0;
}

// The same run with every key typed as soon as the program is up: the keys
// wait in the console's queue and each prompt takes the next. What the
// program showed, and where it waited, is seen only whole, at the end.
int UpdateTest::PlayTypedAhead(PtyProcess& p, const UpdateRun& run, std::string shown) {
    // The trace file is opened before the console starts.
    if (!WaitForFile(TracePath(), false)) ADD_FAILURE() << "no trace file: did the program start?";
    for (const Turn& turn : run.turns) {
        if (turn.atStop) {
            ADD_FAILURE() << "a run that stops itself (--stop-at) cannot be typed ahead";
            return ExitUnknown;
        }
        p.Press(turn.key);
        shown += turn.shown;
    }
    shown += run.ending;
    int code = p.WaitExit();
    EXPECT_EQ(p.Output(), shown) << "at the end, keys typed ahead";
    return code;
}

int UpdateTest::Play(PtyProcess& p, const UpdateRun& run) {
    if (!StartSim(p, Concat({"--trace", TracePath()}, run.simOptions), run.updaterArgs)) {
        ADD_FAILURE() << "vokari-update-sim could not be started";
        return ExitUnknown;
    }
    std::string shown = Head(run.updaterArgs);
    if (KeysTypedAhead()) return PlayTypedAhead(p, run, shown);
    for (size_t i = 0; i < run.turns.size(); ++i) {
        shown += run.turns[i].shown;
        const std::string where = "before key " + std::to_string(i + 1);
        if (run.turns[i].atStop) {
            if (!p.WaitStopped()) {
                EXPECT_EQ(p.Output(), shown) << where << ": did not stop";
                return ExitUnknown;
            }
            EXPECT_EQ(p.Output(), shown) << where << ", at the stop";
            p.Press(run.turns[i].key);
            p.Continue();
            continue;
        }
        if (!p.WaitFor(shown)) {
            EXPECT_EQ(p.Output(), shown) << where;
            return ExitUnknown;
        }
        if (!p.StaysRunningFor(KeyWaitCheckMs)) {
            ADD_FAILURE() << "ended instead of waiting for key " << i + 1;
            break;
        }
        EXPECT_EQ(p.Output(), shown) << where << ": more was printed";
        p.Press(run.turns[i].key);
    }
    shown += run.ending;
    int code = p.WaitExit();
    EXPECT_EQ(p.Output(), shown) << "at the end";
    return code;
}
