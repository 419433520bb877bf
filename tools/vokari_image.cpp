// vokari-image: builds, unscrambles and inspects the update payloads.
// Exit codes: 0 done, 1 bad input or an unsound image, 2 bad command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "images/image_keystream.h"
#include "images/image_store.h"
#include "tools/image_description.h"
#include "tools/image_file.h"
#include "tools/image_layout.h"

namespace {

enum : int { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// Descriptions are a few kilobytes; anything far larger is not one.
constexpr size_t DescriptionLimit = 1 << 20;

const char Usage[] =
    "usage: vokari-image build [--firmware X.Y] [--marker TEXT] [--bootloader X.Y]\n"
    "                          [--signature TEXT] PLAIN PAYLOAD\n"
    "       vokari-image build --description FILE PAYLOAD\n"
    "       vokari-image unscramble PAYLOAD PLAIN\n"
    "       vokari-image info [--plain] FILE\n"
    "       vokari-image --help | --version\n"
    "\n"
    "PLAIN is an unscrambled image of 64512 or 65536 bytes, PAYLOAD a scrambled\n"
    "one of 65536 bytes as the updater carries it. The options of build set the\n"
    "records the updater reads: firmware version and marker at 0xD3F5, boot-loader\n"
    "version and signature at 0xD800.\n"
    "\n"
    "Exit status: 0 done, 1 bad input or an image the updater could not use,\n"
    "2 a mistake on the command line. See vokari-image(1).\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "vokari-image: %s\n", message.c_str());
    return ExitFailed;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vokari-image: %s\n%s", message.c_str(), Usage);
    return ExitUsage;
}

// Reads a file that must be exactly one of the sizes allowed (0 ends the list).
bool ReadSized(const char* path, const size_t* sizes, const char* what, std::vector<uint8_t>* bytes,
               std::string* error) {
    if (!ReadWholeFile(path, ImagePayloadSize, bytes, error)) return false;
    for (const size_t* s = sizes; *s != 0; ++s)
        if (bytes->size() == *s) return true;
    std::string size = bytes->size() > ImagePayloadSize ? "more than 65536" : std::to_string(bytes->size());
    *error = std::string(path) + ": " + size + " bytes; " + what;
    return false;
}

const size_t PayloadSizes[] = {ImagePayloadSize, 0};
const size_t PlainSizes[] = {UpdateImageSize, ImagePayloadSize, 0};
const char PayloadSizeText[] = "a payload is 65536 bytes";
const char PlainSizeText[] = "a plain image is 64512 or 65536 bytes";

struct BuildOptions {
    const char* description = nullptr;
    const char* firmware = nullptr;
    const char* marker = nullptr;
    const char* bootLoader = nullptr;
    const char* signature = nullptr;
    std::vector<const char*> files;
};

bool Problem(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

// The record options, checked before any file is read.
struct RecordValues {
    bool firmwareGiven, markerGiven, bootLoaderGiven, signatureGiven;
    uint16_t firmware, bootLoader;
    uint8_t marker[4], signature[7];
};

bool ParseRecordOptions(const BuildOptions& o, RecordValues* v, std::string* error) {
    const std::string versionForm = "' (X.Y, each 0 to 255)";
    *v = RecordValues{};
    v->firmwareGiven = o.firmware != nullptr;
    if (v->firmwareGiven && !ParseVersionText(o.firmware, &v->firmware))
        return Problem(error, "bad --firmware '" + std::string(o.firmware) + versionForm);
    v->markerGiven = o.marker != nullptr;
    if (v->markerGiven &&
        (std::strlen(o.marker) != 4 || !ParseFixedText(o.marker, v->marker, sizeof v->marker)))
        return Problem(error, "bad --marker '" + std::string(o.marker) + "' (4 printable characters)");
    v->bootLoaderGiven = o.bootLoader != nullptr;
    if (v->bootLoaderGiven && !ParseVersionText(o.bootLoader, &v->bootLoader))
        return Problem(error, "bad --bootloader '" + std::string(o.bootLoader) + versionForm);
    v->signatureGiven = o.signature != nullptr;
    if (v->signatureGiven && !ParseFixedText(o.signature, v->signature, sizeof v->signature))
        return Problem(error,
                       "bad --signature '" + std::string(o.signature) + "' (1 to 7 printable characters)");
    return true;
}

void ApplyRecordValues(const RecordValues& v, uint8_t* plain) {
    if (v.firmwareGiven) SetFirmwareVersion(plain, v.firmware);
    if (v.markerGiven) SetMarker(plain, v.marker);
    if (v.bootLoaderGiven) SetBootLoaderVersion(plain, v.bootLoader);
    if (v.signatureGiven) SetSignature(plain, v.signature);
}

// The plain 65,536 bytes that a build starts from.
bool BuildPlain(const BuildOptions& o, std::vector<uint8_t>* plain, std::string* error) {
    RecordValues values;
    if (!ParseRecordOptions(o, &values, error)) return false;
    if (o.description != nullptr) {
        std::vector<uint8_t> text;
        if (!ReadWholeFile(o.description, DescriptionLimit, &text, error)) return false;
        if (text.size() > DescriptionLimit)
            return Problem(error, std::string(o.description) + ": too long for a description");
        return BuildFromDescription(std::string(text.begin(), text.end()), o.description, plain, error);
    }
    if (!ReadSized(o.files[0], PlainSizes, PlainSizeText, plain, error)) return false;
    // The updater never reads past 64,512 bytes; the rest of a payload is zero.
    plain->resize(ImagePayloadSize, 0);
    ApplyRecordValues(values, plain->data());
    return true;
}

int Build(int argc, char** argv) {
    BuildOptions o;
    struct {
        const char* name;
        const char** value;
    } named[] = {
        {"--description", &o.description}, {"--firmware", &o.firmware},   {"--marker", &o.marker},
        {"--bootloader", &o.bootLoader},   {"--signature", &o.signature},
    };
    for (int i = 0; i < argc; ++i) {
        bool matched = false;
        for (auto& n : named) {
            if (std::strcmp(argv[i], n.name) != 0) continue;
            if (i + 1 >= argc) return UsageError(std::string(n.name) + " needs a value");
            *n.value = argv[++i];
            matched = true;
        }
        if (matched) continue;
        if (argv[i][0] == '-' && argv[i][1] != '\0')
            return UsageError(std::string("unknown option ") + argv[i]);
        o.files.push_back(argv[i]);
    }
    bool recordOptions = o.firmware || o.marker || o.bootLoader || o.signature;
    if (o.description != nullptr && recordOptions)
        return UsageError("--description says every value; the record options go with a plain image");
    size_t expected = o.description != nullptr ? 1 : 2;
    if (o.files.size() != expected)
        return UsageError("build takes " + std::string(expected == 1 ? "PAYLOAD" : "PLAIN PAYLOAD"));

    std::vector<uint8_t> plain;
    std::string error;
    if (!BuildPlain(o, &plain, &error)) return Fail(error);
    if (const char* problem = LayoutProblem(ReadImageRecords(plain.data())))
        return Fail(std::string("not building an image the updater cannot use: ") + problem);
    ApplyImageKeystream(plain.data(), plain.size());
    if (!WriteWholeFile(o.files.back(), plain, &error)) return Fail(error);
    return ExitDone;
}

int Unscramble(int argc, char** argv) {
    if (argc != 2) return UsageError("unscramble takes PAYLOAD PLAIN");
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadSized(argv[0], PayloadSizes, PayloadSizeText, &bytes, &error)) return Fail(error);
    ApplyImageKeystream(bytes.data(), bytes.size());
    if (!WriteWholeFile(argv[1], bytes, &error)) return Fail(error);
    return ExitDone;
}

int Info(int argc, char** argv) {
    bool plain = argc == 2 && std::strcmp(argv[0], "--plain") == 0;
    if (argc != (plain ? 2 : 1)) return UsageError("info takes [--plain] FILE");
    const char* path = argv[argc - 1];
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadSized(path, plain ? PlainSizes : PayloadSizes, plain ? PlainSizeText : PayloadSizeText, &bytes,
                   &error))
        return Fail(error);
    if (!plain) ApplyImageKeystream(bytes.data(), bytes.size());

    ImageRecords r = ReadImageRecords(bytes.data());
    bool bootLoaderImage = std::memcmp(r.marker, BootLoaderMarker, 4) == 0;
    std::printf("firmware version:      %s\n", VersionText(r.firmwareVersion).c_str());
    std::printf("status marker:         %s\n", FieldText(r.marker, sizeof r.marker).c_str());
    std::printf("boot loader version:   %s\n", VersionText(r.bootLoaderVersion).c_str());
    std::printf("boot loader signature: %s\n", FieldText(r.signature, sizeof r.signature).c_str());
    std::printf("kind:                  %s\n",
                bootLoaderImage ? "boot-loader image (takes its boot-loader section from the firmware image)"
                                : "firmware image");
    const char* problem = LayoutProblem(r);
    std::printf("layout:                %s%s\n", problem ? "unsound: " : "sound", problem ? problem : "");
    return problem ? ExitFailed : ExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return UsageError("no command");
    std::string command = argv[1];
    if (command == "build") return Build(argc - 2, argv + 2);
    if (command == "unscramble") return Unscramble(argc - 2, argv + 2);
    if (command == "info") return Info(argc - 2, argv + 2);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(Usage, stdout);
        return ExitDone;
    }
    if (command == "--version") {
        std::printf("vokari-image %s\n", VKR_VERSION);
        return ExitDone;
    }
    return UsageError("unknown command '" + command + "'");
}
