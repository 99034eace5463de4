// The virtual drive across real processes: wnaspi32.dll loaded the way a
// program loads it, halvo-remote.exe run as a child, and the shared state
// read through the store. Every test leaves the default configuration.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "beamhub/aspi.h"
#include "sim/drive/vdrive.h"
#include "sim/drive/win32/tests/itest_support.h"
#include "sim/drive/win32/vdrive_store.h"

namespace {

using namespace itest;

const uint16_t kChildAllocation = 100;   // + child number: tells the children apart
const uint16_t kLateAllocation = 0x777;  // what vdrive_late_detach.dll sends
// The sending children start together: each releases the ready semaphore
// once loaded and waits for the go event.
const char kReadyName[] = "HalvoVdriveItestReady";
const char kGoName[] = "HalvoVdriveItestGo";

class VirtualDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&store, 0, sizeof store);
        reset_machine();
        ASSERT_TRUE(aspi.load()) << "wnaspi32.dll";
    }

    void TearDown() override { reset_machine(); }

    void reset_machine()
    {
        vdrive::StoreError error;
        vdrive::MachineState* state = vdrive::store_lock(&store, &error);
        ASSERT_NE(state, nullptr) << vdrive::store_error_text(error);
        vdrive::reset(*state);
        vdrive::store_unlock(&store);
    }

    // A copy of the shared state as it is now.
    vdrive::MachineState* snapshot()
    {
        vdrive::MachineState* state = vdrive::store_lock(&store, NULL);
        if (state == NULL)
            return NULL;
        copy = *state;
        vdrive::store_unlock(&store);
        return &copy;
    }

    vdrive::Store store;
    vdrive::MachineState copy;
    Aspi aspi;
};

TEST_F(VirtualDrive, AnswersThroughTheAspiEntryPoints)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(aspi.module, path, MAX_PATH);
    EXPECT_EQ(std::string(path, length), program_folder() + "wnaspi32.dll");
    EXPECT_NE(aspi.version(), 0u);
    EXPECT_EQ(aspi.support_info(), 0x0101u);

    struct Case {
        const char* name;
        uint8_t ha, target;
        uint8_t status;
    };
    const Case cases[] = {
        {"drive with receiver", 0, 1, aspi::SS_COMP},
        {"plain drive", 0, 2, aspi::SS_COMP},
        {"no device", 0, 3, aspi::SS_NO_DEVICE},
        {"no such adapter", 1, 1, aspi::SS_INVALID_HA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        aspi::DeviceTypeRequest type;
        memset(&type, 0, sizeof type);
        type.command = aspi::SC_GET_DEV_TYPE;
        type.host_adapter = c.ha;
        type.target = c.target;
        EXPECT_EQ(aspi.send(&type), c.status);
        EXPECT_EQ(type.status, c.status);
        if (c.status == aspi::SS_COMP) {
            EXPECT_EQ(type.device_type, aspi::DTYPE_CDROM);
        }
    }
}

TEST_F(VirtualDrive, ChangesMadeByOneProcessAreSeenByAnother)
{
    std::string output;
    ASSERT_EQ(run_remote("drive D --refuse-20 2 --refuse-mode sense", &output), 0u) << output;

    // This process sees the change through its own copy of the DLL.
    std::vector<uint8_t> buffer(38);
    for (int i = 0; i < 2; ++i) {
        aspi::ExecRequest r = page_request(1, vdrive::kOpModeSense10, 0x20, buffer, 38);
        EXPECT_EQ(aspi.send(&r), aspi::SS_ERR);
        EXPECT_EQ(r.sense[2] & 0x0F, vdrive::kKeyIllegalRequest);
    }
    aspi::ExecRequest r = page_request(1, vdrive::kOpModeSense10, 0x20, buffer, 38);
    EXPECT_EQ(aspi.send(&r), aspi::SS_COMP);

    // And the other way round.
    vdrive::MachineState* state = vdrive::store_lock(&store, NULL);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->drives[0].refuse_20, 0);
    state->drives[0].audio[17] = 0x42;
    vdrive::store_unlock(&store);
    output.clear();
    ASSERT_EQ(run_remote("page D 0e", &output), 0u);
    EXPECT_EQ(output.substr(0, 71),
              "00 00 00 00 00 00 00 00 0E 0E 00 00 00 00 00 00 01 42 02 FF 00 00 00 00");
}

TEST_F(VirtualDrive, ModeSelectThenModeSenseReturnsTheStoredPage)
{
    std::vector<uint8_t> page(38, 0);
    page[8] = 0x20;
    page[9] = 28;
    for (int i = 10; i < 38; ++i)
        page[i] = (uint8_t)(0xA0 + i);
    aspi::ExecRequest r = page_request(1, vdrive::kOpModeSelect10, 0x20, page, 38);
    ASSERT_EQ(aspi.send(&r), aspi::SS_COMP);

    std::vector<uint8_t> read(38, 0xEE);
    r = page_request(1, vdrive::kOpModeSense10, 0x20, read, 38);
    ASSERT_EQ(aspi.send(&r), aspi::SS_COMP);
    std::vector<uint8_t> expected = page;
    expected[1] = 36;
    EXPECT_EQ(read, expected);

    // Another process finds the page and both commands in the log.
    std::string output;
    ASSERT_EQ(run_remote("page D 20", &output), 0u);
    EXPECT_NE(output.find("20 1C AA AB AC"), std::string::npos) << output;
    output.clear();
    ASSERT_EQ(run_remote("log", &output), 0u);
    EXPECT_NE(output.find("1 D: MODE-SELECT     page 20 len 38    out GOOD  00 00"),
              std::string::npos) << output;
    EXPECT_NE(output.find("2 D: MODE-SENSE      page 20 len 38    in  GOOD  00 24"),
              std::string::npos) << output;
}

TEST_F(VirtualDrive, ErrorsAndCompletionReachTheCaller)
{
    std::vector<uint8_t> buffer(38);
    aspi::ExecRequest r = page_request(2, vdrive::kOpModeSense10, 0x20, buffer, 38);
    EXPECT_EQ(aspi.send(&r), aspi::SS_ERR);
    EXPECT_EQ(r.status, aspi::SS_ERR);
    EXPECT_EQ(r.target_status, vdrive::kTargetCheckCondition);
    EXPECT_EQ(r.sense[2] & 0x0F, vdrive::kKeyIllegalRequest);
    EXPECT_EQ(r.sense[12], vdrive::kAscInvalidFieldInCdb);

    HANDLE done = CreateEventA(NULL, TRUE, FALSE, NULL);
    ASSERT_NE(done, (HANDLE)NULL);
    r = page_request(1, vdrive::kOpModeSense10, 0x0E, buffer, 24);
    r.flags |= vdrive::kSrbEventNotify;
    r.post_proc = done;
    EXPECT_EQ(aspi.send(&r), aspi::SS_COMP);
    EXPECT_EQ(WaitForSingleObject(done, 0), WAIT_OBJECT_0);
    CloseHandle(done);
}

TEST_F(VirtualDrive, ConcurrentProcessesKeepTheLogWhole)
{
    const int kCommands = 200;
    HANDLE ready = CreateSemaphoreA(NULL, 0, 2, kReadyName);
    HANDLE go = CreateEventA(NULL, TRUE, FALSE, kGoName);
    ASSERT_TRUE(ready != NULL && go != NULL);
    char arguments[64];
    HANDLE children[2];
    for (int i = 0; i < 2; ++i) {
        wsprintfA(arguments, " --child-send %d %d", i, kCommands);
        std::string line = "\"" + program_folder() + "vdrive_itest.exe\"" + arguments;
        children[i] = start_program(line, NULL);
        ASSERT_NE(children[i], (HANDLE)NULL);
    }
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(wait_for_object(ready, kChildTimeoutMs), WAIT_OBJECT_0);
    SetEvent(go);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(finish_program(children[i]), 0u) << "child " << i;
    CloseHandle(ready);
    CloseHandle(go);

    vdrive::MachineState* state = snapshot();
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(vdrive::log_count(*state), 2u * kCommands);
    EXPECT_EQ(state->log_next, 2u * kCommands + 1);
    std::set<uint32_t> seqs;
    int per_child[2] = {0, 0};
    for (uint32_t i = 0; i < vdrive::log_count(*state); ++i) {
        const vdrive::LogEntry& entry = vdrive::log_entry(*state, i);
        seqs.insert(entry.seq);
        ASSERT_EQ(entry.status, aspi::SS_COMP) << i;
        ASSERT_EQ(entry.data_count, vdrive::kAudioPageSize) << i;
        ASSERT_EQ(entry.data[8], 0x0E) << i;
        ASSERT_EQ(entry.data[19], 0xFF) << i;
        unsigned child = entry.length - kChildAllocation;
        ASSERT_LT(child, 2u) << i;
        ++per_child[child];
    }
    EXPECT_EQ(seqs.size(), 2u * kCommands);
    EXPECT_EQ(per_child[0], kCommands);
    EXPECT_EQ(per_child[1], kCommands);
}

TEST_F(VirtualDrive, AnswersAfterItsOwnDetachAtExit)
{
    std::string output;
    ASSERT_EQ(run_program("--child-late", "vdrive_itest.exe", &output), 0u) << output;
    vdrive::MachineState* state = snapshot();
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(vdrive::log_count(*state), 2u);
    EXPECT_EQ(vdrive::log_entry(*state, 0).opcode, vdrive::kOpTestUnitReady);
    const vdrive::LogEntry& last = vdrive::log_entry(*state, 1);
    EXPECT_EQ(last.length, kLateAllocation);
    EXPECT_EQ(last.status, aspi::SS_COMP);
}

TEST_F(VirtualDrive, RemoteToolReportsAndRefuses)
{
    std::string output;
    EXPECT_EQ(run_remote("status", &output), 0u);
    EXPECT_NE(output.find("halvo-vdrive.dat"), std::string::npos) << output;
    EXPECT_NE(output.find("D: ha 0 target 1 lun 0  present on  receiver on"), std::string::npos);
    output.clear();
    EXPECT_EQ(run_remote("drive D --receiver off --ha 99", &output), 1u);
    EXPECT_NE(output.find("--ha needs a number"), std::string::npos) << output;
    vdrive::MachineState* state = snapshot();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->drives[0].has_receiver, 1);
}

// ---- child processes

// --child-send <number> <count>: MODE SENSE of page 0x0E on D:, count times.
int child_send(int number, int count)
{
    Aspi aspi;
    if (!aspi.load())
        return 2;
    HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, kReadyName);
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, kGoName);
    if (ready == NULL || go == NULL)
        return 4;
    // The first command maps the state before the start.
    aspi.support_info();
    ReleaseSemaphore(ready, 1, NULL);
    if (WaitForSingleObject(go, kChildTimeoutMs) != WAIT_OBJECT_0)
        return 5;
    std::vector<uint8_t> buffer(128);
    for (int i = 0; i < count; ++i) {
        aspi::ExecRequest r =
            page_request(1, vdrive::kOpModeSense10, 0x0E, buffer, (uint16_t)(kChildAllocation + number));
        if (aspi.send(&r) != aspi::SS_COMP)
            return 3;
    }
    return 0;
}

// --child-late: loads vdrive_late_detach.dll before wnaspi32.dll, so that at exit
// wnaspi32.dll is detached first and the helper sends after it.
int child_late()
{
    if (LoadLibraryA("vdrive_late_detach.dll") == NULL)
        return 2;
    Aspi aspi;
    if (!aspi.load())
        return 3;
    std::vector<uint8_t> none;
    aspi::ExecRequest r = page_request(1, vdrive::kOpTestUnitReady, 0, none, 0);
    r.cdb_length = 6;
    r.flags = 0;
    return aspi.send(&r) == aspi::SS_COMP ? 0 : 4;
}

// The shared test main runs these when the tests start this program as a child.
const itest::ChildMode kSendMode("--child-send", [](int argc, char** argv) {
    return argc == 4 ? child_send(atoi(argv[2]), atoi(argv[3])) : 100;
});
const itest::ChildMode kLateMode("--child-late", [](int argc, char**) {
    return argc == 2 ? child_late() : 100;
});

}  // namespace
