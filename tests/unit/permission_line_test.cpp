// The permission line of the device wait names the recorder's node only, as
// the system shows each drive's INQUIRY strings, and names it again when it
// changes. Other drives that refuse us (the system disk) are not mentioned.
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "app/device_wait.h"
#include "device/recorder_access.h"
#include "platform/drive_notice.h"
#include "tests/support/sim_fixture.h"

namespace {

TEST(RecorderIdentityTest, MatchesTheRecordersStringsAsSystemsShowThem) {
    struct Case {
        const char* vendor;
        const char* model;
        bool recorder;
    };
    const Case cases[] = {
        {"Vexo    ", "Mass Storage    ", true},  // Linux: cut at the zero byte, blank-padded
        {"Vexo", "Mass Storage", true},          // blanks trimmed
        {"Vexo ", "Mass Storage ", true},        // cut at the zero byte only
        {"vexo", "Mass Storage", false},
        {"Vexo", "mass storage", false},
        {"Vexo", "Mass Storage 2", false},
        {"Vexo", "Mass Storag", false},
        {"VexoX", "Mass Storage", false},
        {"Generic ", "USB Disk        ", false},
        {"ATA     ", "Samsung SSD 870 ", false},
        {"", "", false},
        {"Vexo", "", false},
        {" Vexo", "Mass Storage", false},
    };
    for (const Case& c : cases) {
        DriveIdentity identity{};
        std::strncpy(identity.vendor, c.vendor, sizeof identity.vendor - 1);
        std::strncpy(identity.model, c.model, sizeof identity.model - 1);
        EXPECT_EQ(IsRecorderIdentity(identity), c.recorder) << '"' << c.vendor << "\" \"" << c.model << '"';
    }
}

// The name the person knows slot N's drive by on this system: its sg node on
// Linux, its path on Windows (told apart by the fix the system has).
std::string Named(int slot) {
    if (slot < 0) return "";
    DriveAccessFix fix{};
    char name[64];
    if (!DriveDeniedNotice("\\\\.\\PHYSICALDRIVE0", name, sizeof name, &fix)) return "(no notice)";
    std::snprintf(name, sizeof name, fix == DriveFixAdministrator ? "\\\\.\\PHYSICALDRIVE%d" : "/dev/sg%d",
                  slot);
    return name;
}

class PermissionLineTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        // Slot 3 holds a denied recorder to copy from; the run starts with
        // only the system disk, which refuses us too.
        StartWithArgs({"--drive", "none", "--deny", "3", "--disk", "0"});
        deniedRecorder = *SimSlotAt(3);
        *SimSlotAt(3) = SimSlot{};
        SimSlotAt(0)->denied = true;
    }

    void Plug(int slot) { *SimSlotAt(slot) = deniedRecorder; }
    static void Unplug(int slot) { *SimSlotAt(slot) = SimSlot{}; }

    SimSlot deniedRecorder{};
};

TEST_F(PermissionLineTest, NamesTheRecordersNodeOnlyAndAgainWhenItChanges) {
    struct Step {
        const char* what;
        std::function<void()> change;
        bool due;
        int named;  // the slot watch.node names afterwards; -1: none
    };
    const Step steps[] = {
        {"only the system disk refuses us", [] {}, false, -1},
        {"the recorder on sg3 refuses us", [&] { Plug(3); }, true, 3},
        {"nothing changed", [] {}, false, 3},
        {"unplugged", [&] { Unplug(3); }, false, -1},
        {"plugged in again", [&] { Plug(3); }, true, 3},
        {"re-plugged on sg5", [&] { Unplug(3), Plug(5); }, true, 5},
        {"the udev rule let us in", [] { SimSlotAt(5)->denied = false; }, false, -1},
        {"a recorder at 9 is never looked at", [&] { Unplug(5), Plug(9); }, false, -1},
    };
    PermissionWatch watch{};
    for (const Step& s : steps) {
        s.change();
        EXPECT_EQ(PermissionLineDue(&watch), s.due) << s.what;
        EXPECT_EQ(watch.node, Named(s.named)) << s.what;
    }
    // Nothing is opened for it but the recorder's nodes (the refused opens
    // are traced), and nothing is sent.
    for (const SimTraceRecord& r : SimTrace()) {
        EXPECT_FALSE(r.opened) << r.path;
        EXPECT_TRUE(std::strcmp(r.path, "\\\\.\\PHYSICALDRIVE3") == 0 ||
                    std::strcmp(r.path, "\\\\.\\PHYSICALDRIVE5") == 0)
            << r.path;
    }
}

}  // namespace
