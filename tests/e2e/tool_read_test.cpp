// vokari-tool verify, read-flash and read-controller on the simulated
// recorder: what they find, the files they leave, and what they never send.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/tool_fixture.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t ProgrammableEnd = 0xD400;
constexpr uint32_t SectionStart = 0xD800, SectionEnd = 0xF800;

std::string HexOf(const Bytes& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

// A small flash (16 blocks of 8 pages of 2,048 bytes: 4 READ(10) commands of
// 64 KiB for the whole of it) with two pages written, as a state file.
const std::vector<std::string> SmallFlash = {"--flash", "1:16:8:2048"};
constexpr uint32_t SmallPages = 128, PageSize = 2048;

Bytes Pattern(uint32_t page) {
    Bytes data(PageSize);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(page * 7 + i * 31 + (i >> 8));
    return data;
}

Bytes ExpectedFlash(uint32_t from, uint32_t count, const std::vector<uint32_t>& written) {
    Bytes flash(size_t{count} * PageSize, 0xFF);
    for (uint32_t page : written)
        if (page >= from && page < from + count) {
            Bytes data = Pattern(page);
            std::copy(data.begin(), data.end(), flash.begin() + (page - from) * PageSize);
        }
    return flash;
}

void WriteStateWithPages(const std::string& path, const std::vector<uint32_t>& pages) {
    std::ofstream state(path);
    state << "vokari-sim-state 1\nflash 1:16:8:2048\nsector-size 512\nmode running\n";
    for (uint32_t page : pages) state << "page " << page << " " << HexOf(Pattern(page)) << "\n";
}

// The state file with one byte of controller memory changed, as a person
// would edit it: the line of 64 bytes that holds `address`.
void ChangeMemoryByte(const std::string& path, uint32_t address) {
    std::ifstream in(path);
    std::stringstream edited;
    std::string line, prefix = "memory " + std::to_string(address & ~63u) + " ";
    bool changed = false;
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) {
            size_t at = prefix.size() + (address & 63) * 2;
            line[at] = line[at] == '0' ? '1' : '0';
            changed = true;
        }
        edited << line << "\n";
    }
    ASSERT_TRUE(changed) << "no memory line for " << address;
    std::ofstream(path) << edited.str();
}

std::string VerifyHeading() { return ToolDriveName(1) + " against the update's firmware 3.0 and boot loader 1.5:\n"; }

class ToolReadTest : public ToolTest {};

TEST_F(ToolReadTest, VerifyMatchesAfterAWholeUpdate) {
    std::string state = Scratch("state");
    ASSERT_EQ(UpdateRecorder(state, {}, {"NOERASE"}), 0);
    ToolRun run = Tool({"--state", state}, {"verify"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, VerifyHeading() +
                           "  programmable area 0x0000-0xD3FF: matches\n"
                           "  boot-loader section 0xD800-0xF7FF: matches\n");

    JsonValue doc = ToolJson({"--state", state}, {"verify"}, 0);
    EXPECT_TRUE(doc["matches"].boolean);
    ASSERT_EQ(doc["regions"].items.size(), 2u);
    EXPECT_EQ(doc["regions"][1]["name"].text, "boot-loader section");
    EXPECT_EQ(doc["regions"][1]["start"].number, SectionStart);
    EXPECT_EQ(doc["regions"][1]["length"].number, SectionEnd - SectionStart);
    EXPECT_EQ(doc["regions"][0]["firstDifference"].kind, JsonValue::Null);

    // One byte changed by hand in each region is found where it is.
    ChangeMemoryByte(state, 0x1203);
    ChangeMemoryByte(state, 0xD9A1);
    run = Tool({"--state", state}, {"verify"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, VerifyHeading() +
                           "  programmable area 0x0000-0xD3FF: differs from 0x1203 on, 1 of 54272 bytes\n"
                           "  boot-loader section 0xD800-0xF7FF: differs from 0xD9A1 on, 1 of 8192 bytes\n");
    doc = ToolJson({"--state", state}, {"verify"}, 1);
    EXPECT_FALSE(doc["matches"].boolean);
    EXPECT_EQ(doc["regions"][0]["firstDifference"].number, 0x1203);
    EXPECT_EQ(doc["regions"][0]["differingBytes"].number, 1);
}

TEST_F(ToolReadTest, VerifyFindsWhereAFailedPassStopped) {
    std::string state = Scratch("state");
    // The firmware pass gives up in block 8: blocks 0-7 hold the image, the
    // rest of the area reads 0xFF, the status record included, which the
    // pass's start erased and only its last chunk would have written.
    ASSERT_EQ(UpdateRecorder(state, {"--fail", "write@0x2000:5"}, {"SKIPBLR", "NOERASE"}), 2);
    const Bytes& image = ShippedFirmwareImage();
    uint32_t differing = 0;
    for (uint32_t a = 0x2000; a < ProgrammableEnd; ++a) differing += image[a] != 0xFF;
    ASSERT_NE(image[0x2000], 0xFF);

    JsonValue doc = ToolJson({"--state", state}, {"verify"}, 1);
    EXPECT_EQ(doc["regions"][0]["firstDifference"].number, 0x2000);
    EXPECT_EQ(doc["regions"][0]["differingBytes"].number, differing);
    ToolRun run = Tool({"--state", state}, {"verify"});
    EXPECT_NE(run.out.find("  programmable area 0x0000-0xD3FF: differs from 0x2000 on, " +
                           std::to_string(differing) + " of 54272 bytes\n"),
              std::string::npos)
        << run.out;
}

TEST_F(ToolReadTest, ReadFlashGivesThePagesByteForByte) {
    std::string state = Scratch("state"), file = Scratch("flash.bin");
    WriteStateWithPages(state, {3, 4, 127});
    WriteBytes(file, {'o', 'l', 'd'});  // replaced once the read is whole
    ToolRun run = Tool({"--state", state}, {"read-flash", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Read pages 0 to 127 (262144 bytes) of " + ToolDriveName(1) + " into " + file + ".\n");
    EXPECT_EQ(ReadBytes(file), ExpectedFlash(0, SmallPages, {3, 4, 127}));

    JsonValue doc = ToolJson({"--state", state}, {"read-flash", file, "--from", "4", "--pages", "2"}, 0);
    EXPECT_EQ(ReadBytes(file), ExpectedFlash(4, 2, {3, 4, 127}));
    EXPECT_EQ(doc["firstPage"].number, 4);
    EXPECT_EQ(doc["pages"].number, 2);
    EXPECT_EQ(doc["bytes"].number, 2 * PageSize);
    EXPECT_EQ(doc["file"].text, file);

    run = Tool({"--state", state}, {"read-flash", file, "--from", "127", "--pages", "2"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "vokari-tool: --pages 2 from page 127: the flash has pages 0 to 127\n");
    run = Tool({"--state", state}, {"read-flash", file, "--from", "128"});
    EXPECT_EQ(run.err, "vokari-tool: --from 128: the flash has pages 0 to 127\n");
    EXPECT_EQ(ReadBytes(file), ExpectedFlash(4, 2, {3, 4, 127}));
}

// Whole pages of sectors: a page that is not a whole number of sectors
// gives what the page read gives, its whole sectors.
TEST_F(ToolReadTest, ReadFlashRefusesPagesSmallerThanASector) {
    ToolRun run = Tool({"--flash", "1:16:8:256"}, {"read-flash", Scratch("f")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "vokari-tool: the recorder's pages (256 bytes) are smaller than its sectors (512 bytes)\n");
    EXPECT_FALSE(fs::exists(Scratch("f")));
}

TEST_F(ToolReadTest, ARecorderThatStopsAnsweringLeavesNoFile) {
    std::string state = Scratch("state"), file = Scratch("flash.bin"), trace = Scratch("trace");
    WriteStateWithPages(state, {3});
    ASSERT_EQ(Tool({"--state", state, "--trace", trace}, {"read-flash", file}).status, 0);
    // The third page read of the clean run fails this time.
    uint64_t number = 0, reads = 0;
    for (const TraceLine& line : ReadTrace(trace)) {
        if (!line.opened) continue;
        ++number;
        if (line.cdb.rfind("28", 0) == 0 && ++reads == 3) break;
    }
    ASSERT_EQ(reads, 3u);

    WriteBytes(file, {'o', 'l', 'd'});
    ToolRun run = Tool({"--state", state, "--fail-command", std::to_string(number)}, {"read-flash", file});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "vokari-tool: the recorder did not answer the read of pages 64 to 95; " + file +
                           " not written\n");
    EXPECT_EQ(ReadBytes(file), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(file + ".partial"));

    run = Tool({"--fail", "read@0x8000"}, {"read-controller", Scratch("memory.bin")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "vokari-tool: the recorder did not answer the read at 0x8000; " + Scratch("memory.bin") +
                           " not written\n");
    EXPECT_FALSE(fs::exists(Scratch("memory.bin")));
    EXPECT_FALSE(fs::exists(Scratch("memory.bin.partial")));
}

TEST_F(ToolReadTest, AFileThatCannotBeWrittenCostsNoRead) {
    std::string trace = Scratch("trace");
    std::string file = Scratch("missing/flash.bin");
    ToolRun run = Tool({"--trace", trace}, {"read-flash", file});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("vokari-tool: cannot write " + file + ": ", 0), 0u) << run.err;
    for (const TraceLine& line : ReadTrace(trace)) EXPECT_NE(line.cdb.substr(0, 2), "28");

    // A folder of that name stays as it was.
    fs::create_directory(Scratch("folder"));
    run = Tool({}, {"read-controller", Scratch("folder")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("vokari-tool: cannot write " + Scratch("folder") + ": ", 0), 0u) << run.err;
    EXPECT_TRUE(fs::is_directory(Scratch("folder")));
    EXPECT_FALSE(fs::exists(Scratch("folder.partial")));
}

TEST_F(ToolReadTest, ReadControllerGivesTheWholeMemory) {
    std::string state = Scratch("state"), file = Scratch("memory.bin");
    ASSERT_EQ(UpdateRecorder(state, {}, {"NOERASE"}), 0);
    ToolRun run = Tool({"--state", state}, {"read-controller", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Read the controller's 65536 bytes of memory of " + ToolDriveName(1) + " into " + file +
                           ".\n");
    Bytes memory = ReadBytes(file);
    ASSERT_EQ(memory.size(), 65536u);
    const Bytes& image = ShippedFirmwareImage();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + ProgrammableEnd, memory.begin()));
    EXPECT_TRUE(std::equal(image.begin() + SectionStart, image.begin() + SectionEnd, memory.begin() + SectionStart));
}

// What the tool may send: discovery's INQUIRY, geometry and READ
// CAPACITY(10), page reads, and the bridge carrying read frames ('P') and
// their replies. Nothing that writes, erases, begins a block or restarts.
bool ReadOnlyCommand(const TraceLine& line, std::string* why) {
    std::string op = line.cdb.substr(0, 2), sub = line.cdb.substr(2, 2);
    if (op == "12" || op == "25" || op == "28") return true;
    if (op == "c8" && (sub == "00" || sub == "03")) return true;
    if (op == "c8" && sub == "02" && line.out.rfind("50", 0) == 0) return true;
    *why = line.cdb + " out " + line.out.substr(0, 16);
    return false;
}

TEST_F(ToolReadTest, NothingThatChangesTheRecorderIsEverSent) {
    std::string state = Scratch("state");
    WriteStateWithPages(state, {5});
    const std::vector<std::vector<std::string>> commands = {
        {"list"}, {"verify"}, {"read-flash", Scratch("f")}, {"read-controller", Scratch("c")}, {"list", "--json"}};
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0]);
        std::string trace = Scratch("trace");
        Tool({"--state", state, "--trace", trace}, command);
        std::vector<TraceLine> lines = ReadTrace(trace);
        EXPECT_FALSE(lines.empty());
        std::string why;
        for (const TraceLine& line : lines)
            if (line.opened) {
                EXPECT_TRUE(ReadOnlyCommand(line, &why)) << why;
            }
    }
}

// A person at a terminal sees a progress line, rewritten in place and gone
// at the end; a pipe or a file gets the result alone.
TEST_F(ToolReadTest, ProgressOnlyOnATerminal) {
    if (UnderLauncher()) GTEST_SKIP() << "the launched program's output comes through a pipe";
    std::string state = Scratch("state");
    WriteStateWithPages(state, {});
    PtyProcess p;
    ASSERT_TRUE(p.Start(VKR_TOOL_SIM_PROGRAM, {"--lock", lock_, "--state", state, "read-flash", Scratch("f")}));
    EXPECT_EQ(p.WaitExit(), 0);
    std::string result = "Read pages 0 to 127 (262144 bytes) of " + ToolDriveName(1) + " into " + Scratch("f") + ".\n";
    EXPECT_EQ(p.Output().rfind("\rReading flash   0%", 0), 0u) << p.Output();
    EXPECT_NE(p.Output().find("\rReading flash 100%"), std::string::npos) << p.Output();
    EXPECT_EQ(p.Output().substr(p.Output().size() - result.size() - 74), "\r" + std::string(72, ' ') + "\r" + result);

    PtyProcess json;
    ASSERT_TRUE(json.Start(VKR_TOOL_SIM_PROGRAM, {"--lock", lock_, "--state", state, "read-flash", Scratch("f"), "--json"}));
    EXPECT_EQ(json.WaitExit(), 0);
    EXPECT_EQ(json.Output().find('\r'), std::string::npos);

    ToolRun piped = Tool({"--state", state}, {"verify"});
    EXPECT_EQ(piped.out.find('\r'), std::string::npos);
}

}  // namespace
