// Discovery on the simulated drives, as one table of scenarios: which drives
// are recorders, and what each call leaves in the device state.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "device/device_state.h"
#include "device/discovery.h"
#include "tests/support/sim_fixture.h"
#include "vokari/vkr.h"

namespace {

std::string PathOf(int drive) { return "\\\\.\\PHYSICALDRIVE" + std::to_string(drive); }

// Puts a recorder into `slot` whose geometry and block length tell it apart.
SimSlot* Recorder(int slot, uint8_t tag, uint32_t blockLength = 512) {
    SimSlot* recorder = SimSlotAt(1);
    SimSlot* s = SimSlotAt(slot);
    if (s != recorder) *s = *recorder;
    s->geometry[0] = tag;
    s->geometry[11] = tag;
    s->blockLength = blockLength;
    return s;
}

void OnlyEmptySlots() {
    for (int i = 0; i < SimSlotCount; ++i) SimSlotAt(i)->kind = SlotEmpty;
}

void MoveRecorder(int to) {
    Recorder(to, 0x33);
    SimSlotAt(1)->kind = SlotEmpty;
}

struct Expect {
    int devices;            // Vkr_GetDevices result
    std::string firstPath;  // list[0] when devices > 0
    int connected;          // Vkr_IsConnected(&null) on a fresh state
    char pathDigit;         // DevicePath digit after Vkr_IsConnected
    uint8_t geometryTag;    // FlashParams byte 0 after Vkr_IsConnected
    uint32_t sectorSize;    // Vkr_GetSectorSize after Vkr_IsConnected
};

struct Scenario {
    const char* name;
    std::function<void()> setUp;
    Expect expect;
};

class DiscoveryTest : public SimTest {};

TEST_F(DiscoveryTest, FreshStateHasThePlaceholderPathAndNoGeometry) {
    EXPECT_STREQ(DevicePath, "\\\\.\\PHYSICALDRIVEx");
    EXPECT_EQ(Vkr_GetSectorSize(), 512);
    uint8_t params[12];
    std::memset(params, 0xAA, sizeof params);
    Vkr_GetFlashParams(params);
    EXPECT_EQ(Hex(params, 12), std::string(24, '0'));
}

TEST_F(DiscoveryTest, Scenarios) {
    const Scenario scenarios[] = {
        {"recorder on 1 (default)", [] {}, {1, PathOf(1), 1, '1', 1, 512}},
        {"no recorder", OnlyEmptySlots, {0, "", 0, '8', 0, 512}},
        {"foreign disks only",
         [] {
             OnlyEmptySlots();
             SimSlotAt(0)->kind = SlotForeignDisk;
             std::memcpy(SimSlotAt(0)->inquiry, SimForeignInquiry, 36);
         },
         {0, "", 0, '8', 0, 512}},
        {"recorder on 9 is never found", [] { MoveRecorder(9); }, {0, "", 0, '8', 0, 512}},
        {"recorder on 8 is found", [] { MoveRecorder(8); }, {1, PathOf(8), 1, '8', 0x33, 512}},
        {"revision differs", [] { SimSlotAt(1)->inquiry[32] = '1'; }, {0, "", 0, '8', 0, 512}},
        {"additional length 0x1F", [] { SimSlotAt(1)->inquiry[4] = 0x1F; }, {0, "", 0, '8', 0, 512}},
        {"vendor zero byte is a space", [] { SimSlotAt(1)->inquiry[13] = ' '; },
         {0, "", 0, '8', 0, 512}},
        {"product zero byte is a space", [] { SimSlotAt(1)->inquiry[29] = ' '; },
         {0, "", 0, '8', 0, 512}},
        {"geometry rejected", [] { SimSlotAt(1)->rejectGeometry = true; }, {0, "", 0, '8', 0, 512}},
        {"capacity rejected after geometry",
         [] {
             Recorder(1, 0x44);
             SimSlotAt(1)->rejectCapacity = true;
         },
         {0, "", 0, '8', 0x44, 512}},
        {"block length 2048", [] { Recorder(1, 1, 2048); }, {1, PathOf(1), 1, '1', 1, 2048}},
        {"attached later", [] { SimSlotAt(1)->presentFrom = 1000000; }, {0, "", 0, '8', 0, 512}},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        SimReset();
        s.setUp();
        DeviceResetState();

        char* list[9] = {};
        int devices = Vkr_GetDevices(list);
        EXPECT_EQ(devices, s.expect.devices);
        EXPECT_EQ(DevicePath[17], '8') << "a scan ends on drive 8";
        if (devices > 0) {
            EXPECT_EQ(list[0], s.expect.firstPath);
        }
        for (int i = devices; i < 9; ++i) EXPECT_EQ(list[i], nullptr);
        for (int i = 0; i < devices; ++i) delete[] list[i];

        DeviceResetState();
        char* found = nullptr;
        EXPECT_EQ(Vkr_IsConnected(&found), s.expect.connected);
        EXPECT_EQ(DevicePath[17], s.expect.pathDigit);
        if (s.expect.connected) {
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(found, s.expect.firstPath);
        } else {
            EXPECT_EQ(found, nullptr);
        }
        EXPECT_EQ(DeviceFlashParams.unitCount, s.expect.geometryTag);
        EXPECT_EQ(Vkr_GetSectorSize(), static_cast<int32_t>(s.expect.sectorSize));
        std::free(found);
    }
}

TEST_F(DiscoveryTest, TwoRecordersListInDriveOrderAndTheScanLeavesTheLastOnesGeometry) {
    Recorder(2, 0x22, 512);
    Recorder(5, 0x55, 2048);
    SimSlotAt(1)->kind = SlotEmpty;

    char* list[9] = {};
    ASSERT_EQ(Vkr_GetDevices(list), 2);
    EXPECT_EQ(list[0], PathOf(2));
    EXPECT_EQ(list[1], PathOf(5));
    EXPECT_EQ(list[2], nullptr);
    EXPECT_EQ(DevicePath[17], '8');
    EXPECT_EQ(DeviceFlashParams.unitCount, 0x55);
    EXPECT_EQ(Vkr_GetSectorSize(), 2048);
    delete[] list[0];
    delete[] list[1];

    char* found = nullptr;
    EXPECT_EQ(Vkr_IsConnected(&found), 1);
    EXPECT_EQ(found, PathOf(2));
    EXPECT_EQ(DevicePath, PathOf(2));
    EXPECT_EQ(DeviceFlashParams.unitCount, 0x22);
    EXPECT_EQ(Vkr_GetSectorSize(), 512);
    std::free(found);
}

TEST_F(DiscoveryTest, AProbeSendsInquiryGeometryAndCapacityExactly) {
    char* found = nullptr;
    ASSERT_EQ(Vkr_IsConnected(&found), 1);
    std::free(found);
    auto commands = Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(Hex(commands[0]->cdb, 16), "12000000000000000000000000000000");
    EXPECT_EQ(commands[0]->direction, 1);
    EXPECT_EQ(commands[0]->length, 2048u);
    EXPECT_EQ(Hex(commands[1]->cdb, 16), "c8000000000000000000000000000000");
    EXPECT_EQ(commands[1]->length, 12u);
    EXPECT_EQ(Hex(commands[2]->cdb, 16), "25000000000000000000000000000000");
    EXPECT_EQ(commands[2]->length, 8u);
    // Drive 0 is empty: one failed open, no command.
    EXPECT_EQ(SimTrace().size(), 4u);
}

TEST_F(DiscoveryTest, AKnownPathIsProbedAloneAndKeptWhileTheRecorderIsGone) {
    std::string path = PathOf(1);
    char* pathRef = path.data();
    SimSlotAt(1)->presentFrom = SimNowMs() + 100;
    EXPECT_EQ(Vkr_IsConnected(&pathRef), 0);
    EXPECT_EQ(pathRef, path.data());
    EXPECT_EQ(DevicePath, path);
    SimAdvanceMs(100);
    EXPECT_EQ(Vkr_IsConnected(&pathRef), 1);
    for (const SimTraceRecord& r : SimTrace()) EXPECT_EQ(r.path, path);
}

TEST_F(DiscoveryTest, HostileArgumentsChangeNothingAndSendNothing) {
    EXPECT_EQ(Vkr_IsConnected(nullptr), 0);
    EXPECT_EQ(Vkr_GetDevices(nullptr), 0);
    char longPath[] = "\\\\.\\PHYSICALDRIVE10";  // 19 characters: would overrun
    char* pathRef = longPath;
    EXPECT_EQ(Vkr_IsConnected(&pathRef), 0);
    EXPECT_EQ(pathRef, longPath);
    EXPECT_STREQ(DevicePath, "\\\\.\\PHYSICALDRIVEx");
    EXPECT_TRUE(SimTrace().empty());
}

// A caller's path may be shorter than the drive paths: every scan after it
// still probes each drive by its whole path.
TEST_F(DiscoveryTest, AScanAfterAShortPathProbesEveryDriveByItsWholePath) {
    char shortPath[] = "\\\\.\\X";
    char* pathRef = shortPath;
    EXPECT_EQ(Vkr_IsConnected(&pathRef), 0);

    char* list[9] = {};
    ASSERT_EQ(Vkr_GetDevices(list), 1);
    EXPECT_EQ(list[0], PathOf(1));
    delete[] list[0];

    pathRef = shortPath;
    EXPECT_EQ(Vkr_IsConnected(&pathRef), 0);
    char* found = nullptr;
    EXPECT_EQ(Vkr_IsConnected(&found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, PathOf(1));
    std::free(found);
    for (const SimTraceRecord& r : SimTrace()) {
        if (std::string(r.path) == shortPath) continue;
        EXPECT_EQ(std::strlen(r.path), 18u) << r.path;
    }
}

TEST_F(DiscoveryTest, TheSectorSizeOutlivesTheRecorder) {
    Recorder(1, 1, 2048);
    char* found = nullptr;
    ASSERT_EQ(Vkr_IsConnected(&found), 1);
    SimSlotAt(1)->presentFrom = SimNever;
    EXPECT_EQ(Vkr_IsConnected(&found), 0);
    EXPECT_EQ(Vkr_GetSectorSize(), 2048);
    std::free(found);
}

}  // namespace
