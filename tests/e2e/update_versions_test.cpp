// What the versions and records in the recorder make of the update: whether it
// is offered, whether the boot loader is replaced, whether the data area is
// erased, and with which switches.
#include "tests/e2e/update_run.h"

namespace {

struct VersionCase {
    const char* name;
    UpdateRun run;
    const char* outline;  // TraceOutline of the run; every case ends with 0
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

const Version Same = ImageFirmware;
const Version SameBootLoader = ImageBootLoader;
const std::string Unavailable = text::FirmwareUnavailable;
const std::string FirmwareOnly = text::FirmwarePass + text::Erase + text::Finish;
const std::string Both = text::BootLoaderPass + FirmwareOnly;
const char* const Refused = "P:d800 P:d3f5";
// Nothing newer: only the probe of which program answers follows the reads.
const char* const Current = "P:d800 P:d3f5 Q:f800";
const char* const BothPasses = "P:d800 P:d3f5 R:d3f5 S W53 S R:d3f5 S W53 S E24";
const char* const FirmwarePass = "P:d800 P:d3f5 R:d3f5 S W53 S E24";
// The firmware pass, and no erase after it.
const char* const FirmwarePassKept = "P:d800 P:d3f5 R:d3f5 S W53 S";

std::string Offer(Version bootLoader, Version firmware) {
    return text::Versions(bootLoader, firmware) + text::ConfirmLoad();
}

// A firmware shown as unavailable: the update is decided on the version
// field as read, and when it goes ahead nothing is erased.
std::string OfferUnknown(Version bootLoader) {
    return text::BootLoaderVersion(bootLoader) + Unavailable + text::ConfirmLoad();
}
const std::string FirmwareKeptData = text::FirmwarePass + msg::ErasingMemory + text::Finish;

const VersionCase Cases[] = {
    // After the two version reads only the probe goes out.
    {"EqualVersions",
     {{"--bootloader", "1.5", "--firmware", "3.0"},
      {},
      {{text::Versions(SameBootLoader, Same) + text::Closing(msg::NothingNewer), "x"}}},
     Current},
    {"EqualVersionsInDiagnosticMode",
     {{"--bootloader", "1.5", "--firmware", "3.0"},
      {"DIAG"},
      {{Offer(SameBootLoader, Same), "y"},
       {text::ConfirmErase, "l"},
       {text::ConfirmBootLoader(SameBootLoader), "y"},
       {Both, "x"}}},
     BothPasses},
    {"EqualVersionsDiagnosticWithoutBootLoader",
     {{"--bootloader", "1.5", "--firmware", "3.0"},
      {"SKIPBLR", "diag"},
      {{Offer(SameBootLoader, Same), "y"}, {text::ConfirmErase, "l"}, {FirmwareOnly, "x"}}},
     FirmwarePass},
    // An older boot loader alone makes the update possible, and the same
    // firmware is written again.
    {"OlderBootLoaderSameFirmware",
     {{"--firmware", "3.0"},
      {},
      {{Offer(SimBootLoader, Same), "y"},
       {text::ConfirmErase, "l"},
       {text::ConfirmBootLoader(SimBootLoader), "y"},
       {Both, "x"}}},
     BothPasses},
    {"OlderBootLoaderSameFirmwareWithoutBootLoader",
     {{"--firmware", "3.0"},
      {"SKIPBLR"},
      {{Offer(SimBootLoader, Same), "y"}, {text::ConfirmErase, "l"}, {FirmwareOnly, "x"}}},
     FirmwarePass},
    {"NewerBootLoaderOlderFirmware",
     {{"--bootloader", "1.6"},
      {},
      {{Offer({1, 6}, SimFirmware), "y"}, {text::ConfirmErase, "l"}, {FirmwareOnly, "x"}}},
     FirmwarePass},

    // The status read fails: the record stays zero, which is older than
    // any image.
    {"FirmwareStatusUnreadable",
     {{"--bootloader", "1.5", "--fail", "read@0xD3F5"},
      {},
      {{OfferUnknown(SameBootLoader), "y"}, {text::ConfirmErase, "l"}, {FirmwareKeptData, "x"}}},
     "P:d800 P:d3f5! R:d3f5 S W53 S"},
    {"VersionZeroWithItsMarker",
     {{"--bootloader", "1.5", "--firmware", "0.0"},
      {},
      {{OfferUnknown(SameBootLoader), "y"}, {text::ConfirmErase, "l"}, {FirmwareKeptData, "x"}}},
     FirmwarePassKept},
    // A wrong marker hides the version but does not lower it.
    {"WrongMarkerSameVersion",
     {{"--bootloader", "1.5", "--firmware", "3.0", "--marker", "fwok"},
      {},
      {{text::BootLoaderVersion(SameBootLoader) + Unavailable + text::Closing(msg::NothingNewer),
        "x"}}},
     Current},
    // No firmware at all: an erased record. Its version would read 255.255,
    // but there is nothing newer than an absent firmware: it is offered.
    {"NoFirmware",
     {{"--firmware", "none"}, {}, {{OfferUnknown(SimBootLoader), "n"}}},
     Refused},
    {"NoFirmwareSameBootLoader",
     {{"--firmware", "none", "--bootloader", "1.5"},
      {},
      {{OfferUnknown(SameBootLoader), "y"}, {text::ConfirmErase, "l"}, {FirmwareKeptData, "x"}}},
     FirmwarePassKept},

    {"NoErase",
     {{"--bootloader", "1.5"},
      {"NOERASE"},
      {{Offer(SameBootLoader, SimFirmware), "y"},
       {text::ConfirmErase, "l"},
       {text::FirmwarePass + text::Finish, "x"}}},
     FirmwarePassKept},
};

class UpdateVersionsTest : public UpdateTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(UpdateVersionsTest, DecidesAsTheRecordsSay) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(Play(c.run), 0);
    EXPECT_EQ(Outline(), c.outline);
}

INSTANTIATE_TEST_SUITE_P(, UpdateVersionsTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<VersionCase>& test) {
                             return test.param.name;
                         });

}  // namespace
