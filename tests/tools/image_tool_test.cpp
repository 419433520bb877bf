// vokari-image as a person runs it: a separate process, its exit status,
// what it prints and the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct ToolRun {
    int status;  // exit code; -signal when the tool was killed
    std::string out;
    std::string err;
};

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

std::string ReadText(const fs::path& path) {
    Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

const fs::path Images = VKR_IMAGES_DIR;

class ImageTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "vokari-image-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    ToolRun Tool(const std::vector<std::string>& args) {
        std::vector<std::string> all = {VKR_IMAGE_TOOL};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);

        fs::path out = dir / "stdout", err = dir / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ToolRun run{-1000, "", ""};
        if (spawned != 0) return run;
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        run.out = ReadText(out);
        run.err = ReadText(err);
        return run;
    }

    std::string At(const char* name) const { return (dir / name).string(); }

    fs::path dir;
};

TEST_F(ImageTool, CommittedPayloadsAreWhatTheirDescriptionsBuild) {
    for (const char* name : {"fwc", "brc"}) {
        SCOPED_TRACE(name);
        std::string built = At("built.bin");
        ToolRun run =
            Tool({"build", "--description", (Images / (std::string(name) + ".txt")).string(), built});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadFile(built), ReadFile(Images / (std::string(name) + ".bin")))
            << "run the build target rebuild-payloads and commit the result";
    }
}

TEST_F(ImageTool, BuildScramblesAndUnscrambleGivesThePlainImageBack) {
    Bytes plain(65536);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 13 + (i >> 9));
    const uint8_t marker[4] = {'F', 'W', 'O', 'K'};
    std::copy(marker, marker + 4, plain.begin() + 0xD3FC);
    plain[0xD3F5] = 1;  // a firmware version other than 0.0
    const char signature[7] = {'S', 'I', 'G', 0, 0, 0, 0};
    std::copy(signature, signature + 7, plain.begin() + 0xD802);
    WriteFile(At("plain.bin"), plain);

    ASSERT_EQ(Tool({"build", At("plain.bin"), At("payload.bin")}).status, 0);
    Bytes payload = ReadFile(At("payload.bin"));
    ASSERT_EQ(payload.size(), 65536u);
    // Scrambled with the image keystream from its start.
    const uint8_t keystream[8] = {0x1a, 0xff, 0x21, 0x3a, 0x6b, 0x34, 0x10, 0x81};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(payload[i] ^ plain[i], keystream[i]) << i;

    ToolRun run = Tool({"unscramble", At("payload.bin"), At("back.bin")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(At("back.bin")), plain);
}

TEST_F(ImageTool, OptionsSetTheRecordsOfAShortPlainImage) {
    Bytes plain(64512, 0x5A);
    WriteFile(At("plain.bin"), plain);
    ToolRun run = Tool({"build", "--firmware", "4.10", "--marker", "FWOK", "--bootloader", "2.0",
                        "--signature", "AB C", At("plain.bin"), At("payload.bin")});
    ASSERT_EQ(run.status, 0) << run.err;

    run = Tool({"info", At("payload.bin")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "firmware version:      4.10\n"
              "status marker:         FWOK\n"
              "boot loader version:   2.0\n"
              "boot loader signature: AB C\\x00\\x00\\x00\n"
              "kind:                  firmware image\n"
              "layout:                sound\n");

    ASSERT_EQ(Tool({"unscramble", At("payload.bin"), At("back.bin")}).status, 0);
    Bytes expected = plain;
    expected.resize(65536, 0);  // the part the updater never reads
    const uint8_t status[2] = {10, 4}, bootLoader[9] = {2, 0, 'A', 'B', ' ', 'C', 0, 0, 0};
    std::copy(status, status + 2, expected.begin() + 0xD3F5);
    std::copy(bootLoader, bootLoader + 9, expected.begin() + 0xD800);
    std::copy(std::begin("FWOK"), std::begin("FWOK") + 4, expected.begin() + 0xD3FC);
    EXPECT_EQ(ReadFile(At("back.bin")), expected);
}

TEST_F(ImageTool, InfoTellsTheShippedImagesApart) {
    ToolRun firmware = Tool({"info", (Images / "fwc.bin").string()});
    EXPECT_EQ(firmware.status, 0) << firmware.err;
    EXPECT_EQ(firmware.out,
              "firmware version:      3.0\n"
              "status marker:         FWOK\n"
              "boot loader version:   1.5\n"
              "boot loader signature: VKR-BL7\n"
              "kind:                  firmware image\n"
              "layout:                sound\n");
    ToolRun bootLoader = Tool({"info", (Images / "brc.bin").string()});
    EXPECT_EQ(bootLoader.status, 0) << bootLoader.err;
    EXPECT_NE(bootLoader.out.find("status marker:         BLDR\n"), std::string::npos) << bootLoader.out;
    EXPECT_NE(bootLoader.out.find("kind:                  boot-loader image"), std::string::npos);
    EXPECT_NE(bootLoader.out.find("layout:                sound\n"), std::string::npos);
}

TEST_F(ImageTool, InfoReportsAnUnsoundLayout) {
    Bytes payload = ReadFile(Images / "fwc.bin");
    payload[0xD3FC] ^= 0x20;  // "fWOK"
    WriteFile(At("damaged.bin"), payload);
    ToolRun run = Tool({"info", At("damaged.bin")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("status marker:         fWOK\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("layout:                unsound: the status marker is neither"),
              std::string::npos);
}

struct BadInput {
    std::vector<std::string> args;  // "@name" stands for a file in the test folder
    std::string message;            // part of what stderr must say
};

TEST_F(ImageTool, MalformedInputFailsWithAMessage) {
    Bytes payload = ReadFile(Images / "fwc.bin");
    WriteFile(At("truncated.bin"), Bytes(payload.begin(), payload.begin() + 1000));
    WriteFile(At("empty.bin"), {});
    Bytes longer = payload;
    longer.push_back(0);
    WriteFile(At("long.bin"), longer);
    WriteFile(At("odd-plain.bin"), Bytes(64513, 0));
    WriteFile(At("plain.bin"), Bytes(64512, 0));
    fs::create_directory(At("folder"));
    WriteText(At("unknown.txt"), "# fine\nscribble 0 1 2\n");
    WriteText(At("outside.txt"), "fill 0xFFFF 2 0\n");
    WriteText(At("number.txt"), "fill 0x10 ten 0\n");
    WriteText(At("byte.txt"), "bytes 0 1 256\n");
    WriteText(At("quote.txt"), "text 0 \"open\n");
    WriteText(At("version.txt"), "firmware-status 3 FWOK\n");
    WriteText(At("arguments.txt"), "fill 0 1\n");
    WriteText(At("blank.txt"), "# nothing said: all zero, no marker\n");

    const BadInput cases[] = {
        {{"info", "@truncated.bin"}, "1000 bytes; a payload is 65536 bytes"},
        {{"info", "@empty.bin"}, "0 bytes; a payload is 65536 bytes"},
        {{"info", "@long.bin"}, "more than 65536 bytes"},
        {{"info", "@missing.bin"}, "cannot read"},
        {{"info", "@folder"}, "cannot read"},
        {{"info", "--plain", "@odd-plain.bin"}, "a plain image is 64512 or 65536 bytes"},
        {{"unscramble", "@truncated.bin", "@out.bin"}, "1000 bytes"},
        {{"build", "@odd-plain.bin", "@out.bin"}, "64513 bytes; a plain image"},
        {{"build", "@missing.bin", "@out.bin"}, "cannot read"},
        {{"build", "--firmware", "3", "@plain.bin", "@out.bin"}, "bad --firmware '3'"},
        {{"build", "--firmware", "256.0", "@plain.bin", "@out.bin"}, "bad --firmware"},
        {{"build", "--firmware", "3.0.1", "@plain.bin", "@out.bin"}, "bad --firmware"},
        {{"build", "--firmware", "-1.0", "@plain.bin", "@out.bin"}, "bad --firmware"},
        {{"build", "--bootloader", "1.x", "@plain.bin", "@out.bin"}, "bad --bootloader"},
        {{"build", "--marker", "FWO", "@plain.bin", "@out.bin"}, "bad --marker"},
        {{"build", "--signature", "VKR-BL77", "@plain.bin", "@out.bin"}, "bad --signature"},
        {{"build", "--firmware", "3.0", "--marker", "XXXX", "@plain.bin", "@out.bin"}, "neither FWOK"},
        {{"build", "--description", "@unknown.txt", "@out.bin"},
         "unknown.txt:2: unknown directive 'scribble'"},
        {{"build", "--description", "@outside.txt", "@out.bin"}, "outside.txt:1: range of 2 bytes"},
        {{"build", "--description", "@number.txt", "@out.bin"}, "number.txt:1: bad count 'ten'"},
        {{"build", "--description", "@byte.txt", "@out.bin"}, "byte.txt:1: bad byte '256'"},
        {{"build", "--description", "@quote.txt", "@out.bin"}, "quote.txt:1: unterminated quote"},
        {{"build", "--description", "@version.txt", "@out.bin"}, "version.txt:1: bad version '3'"},
        {{"build", "--description", "@arguments.txt", "@out.bin"}, "arguments.txt:1: fill takes 3 arguments"},
        {{"build", "--description", "@blank.txt", "@out.bin"}, "neither FWOK"},
        {{"build", "--description", "@folder", "@out.bin"}, "cannot read"},
        {{"build", "--description", (Images / "fwc.txt").string(), "@folder/none/out.bin"}, "cannot write"},
    };
    for (const BadInput& c : cases) {
        std::vector<std::string> args;
        std::string shown;
        for (const std::string& a : c.args) {
            args.push_back(a[0] == '@' ? At(a.c_str() + 1) : a);
            shown += a + " ";
        }
        SCOPED_TRACE(shown);
        ToolRun run = Tool(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(At("out.bin")));
    }
}

TEST_F(ImageTool, CommandLineMistakesShowTheUsage) {
    const std::vector<std::string> cases[] = {
        {},
        {"scramble", "a", "b"},
        {"build", "only-one"},
        {"build", "--description", "d.txt", "--firmware", "3.0", "out.bin"},
        {"build", "--firmware"},
        {"build", "--frimware", "3.0", "a", "b"},
        {"info", "a", "b"},
        {"unscramble", "a"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? "(none)" : args[0] + (args.size() > 1 ? " " + args[1] : ""));
        ToolRun run = Tool(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage: vokari-image"), std::string::npos) << run.err;
    }
}

}  // namespace
