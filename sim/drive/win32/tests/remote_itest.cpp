// The virtual remote across processes: halvo-remote.exe queues reports and
// changes discs; this process reads the reports through wnaspi32.dll and
// the disc's files through the drive letter. Every test ends with
// "halvo-remote reset", which also empties the drive folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "beamhub/aspi.h"
#include "sim/drive/vdrive.h"
#include "sim/drive/win32/tests/itest_support.h"
#include "sim/drive/win32/vdrive_store.h"

namespace {

using namespace itest;

const char kSuiteKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";
const uint8_t kPlay[] = {0x14, 0xEB, 0x4E, 0xB1, 0x0A, 0xF5};
const uint8_t kStop[] = {0x15, 0xEA, 0x00, 0x00, 0x00, 0x00};

// A folder of the source tree as Wine's Z: drive shows it.
std::string source_path(const char* relative)
{
    std::string path = std::string("Z:") + HALVO_SOURCE_DIR + "/" + relative;
    for (size_t i = 0; i < path.size(); ++i)
        if (path[i] == '/')
            path[i] = '\\';
    return path;
}

bool write_file(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == text.size();
}

// The first bytes of a file, read as any program reads a disc's file.
std::string read_start(const char* path, DWORD count)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "(cannot open)";
    std::string bytes(count, '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], count, &got, NULL);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

bool drive_is_empty(const char* letter)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((std::string(letter) + ":\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do {
        if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0)
            empty = false;
    } while (empty && FindNextFileA(find, &entry));
    FindClose(find);
    return empty;
}

// The suite's RemoteController value, put back as it was at the end.
class SavedSetting {
public:
    SavedSetting() : present_(false)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSuiteKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return;
        char text[MAX_PATH + 1];
        DWORD size = MAX_PATH;
        DWORD type = 0;
        if (RegQueryValueExA(key, "RemoteController", NULL, &type, (BYTE*)text, &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            text[size < MAX_PATH ? size : MAX_PATH] = '\0';
            present_ = true;
            value_ = text;
        }
        RegCloseKey(key);
    }

    ~SavedSetting()
    {
        if (present_)
            set(value_.c_str());
        else
            set(NULL);
    }

    // Writes the value, or deletes it for null.
    static bool set(const char* value)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSuiteKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                            NULL) != ERROR_SUCCESS)
            return false;
        LONG result;
        if (value != NULL)
            result = RegSetValueExA(key, "RemoteController", 0, REG_SZ, (const BYTE*)value,
                                    (DWORD)strlen(value) + 1);
        else
            result = RegDeleteValueA(key, "RemoteController");
        RegCloseKey(key);
        return result == ERROR_SUCCESS || (value == NULL && result == ERROR_FILE_NOT_FOUND);
    }

private:
    bool present_;
    std::string value_;
};

class VirtualRemote : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        ASSERT_EQ(run_remote("reset", &output), 0u) << output;
        ASSERT_TRUE(aspi.load()) << "wnaspi32.dll";
        ASSERT_EQ(GetDriveTypeA("D:\\"), (UINT)DRIVE_CDROM) << "the prefix lacks the D: drive";

        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "halvo-remote-itest";
        CreateDirectoryA(folder.c_str(), NULL);
    }

    void TearDown() override
    {
        std::string output;
        EXPECT_EQ(run_remote("reset", &output), 0u) << output;
        EXPECT_TRUE(drive_is_empty("D"));
        DeleteFileA((folder + "\\zk.rcb").c_str());
        DeleteFileA((folder + "\\other.rcb").c_str());
        RemoveDirectoryA(folder.c_str());
    }

    // One MODE SENSE of page 0x00 on D:, as the poll reads it.
    std::vector<uint8_t> read_report()
    {
        std::vector<uint8_t> buffer(vdrive::kReportPageSize, 0xCC);
        aspi::ExecRequest r =
            page_request(1, vdrive::kOpModeSense10, vdrive::kPageReport, buffer, 20);
        EXPECT_EQ(aspi.send(&r), aspi::SS_COMP);
        EXPECT_EQ(buffer[8], 0x00);
        EXPECT_EQ(buffer[9], 10);
        return buffer;
    }

    void expect_code(const std::vector<uint8_t>& report, const uint8_t* code, const char* what)
    {
        EXPECT_EQ(report[10] >> 6, 1) << what;
        EXPECT_EQ(std::vector<uint8_t>(report.begin() + 12, report.begin() + 18),
                  std::vector<uint8_t>(code, code + 6))
            << what;
    }

    Aspi aspi;
    std::string folder;  // the test's own files
};

TEST_F(VirtualRemote, HeldButtonAnswersConsecutiveReads)
{
    std::string map = folder + "\\other.rcb";
    ASSERT_TRUE(write_file(map, "[Mapping]\r\nPlay=010614eb4eb10af5\r\nStop=010215ea\r\n"));
    std::string output;
    ASSERT_EQ(run_remote("press Play --hold 3 --map \"" + map + "\"", &output), 0u) << output;

    for (int i = 1; i <= 3; ++i) {
        std::vector<uint8_t> report = read_report();
        expect_code(report, kPlay, "held Play");
        EXPECT_EQ(report[11], 0xF8) << "read " << i;
    }
    EXPECT_EQ(read_report()[10] >> 6, 2) << "nothing after the hold";

    // A two-byte code is padded with zeros.
    output.clear();
    ASSERT_EQ(run_remote("press stop --map \"" + map + "\"", &output), 0u) << output;
    expect_code(read_report(), kStop, "Stop");

    // Each read is one line of the log.
    output.clear();
    ASSERT_EQ(run_remote("log", &output), 0u);
    size_t reads = 0;
    for (size_t at = output.find("page 00"); at != std::string::npos;
         at = output.find("page 00", at + 1))
        ++reads;
    EXPECT_EQ(reads, 5u) << output;
    EXPECT_NE(output.find("GOOD  code 14 EB 4E B1 0A F5 value 00, medium F status 8"),
              std::string::npos)
        << output;
}

TEST_F(VirtualRemote, ButtonMapFromTheSettingOrTheCurrentFolder)
{
    SavedSetting saved;
    std::string named = folder + "\\other.rcb";
    ASSERT_TRUE(write_file(named, "[Mapping]\r\nPlay=010614eb4eb10af5\r\n"));
    ASSERT_TRUE(write_file(folder + "\\zk.rcb", "[Mapping]\r\nPlay=010215ea\r\n"));

    struct Case {
        const char* name;
        const char* setting;  // null: no RemoteController value
        const uint8_t* code;
    };
    const Case cases[] = {
        {"the RemoteController setting", named.c_str(), kPlay},
        {"zk.rcb in the current folder", NULL, kStop},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SavedSetting::set(c.setting));
        std::string output;
        ASSERT_EQ(run_remote("press Play", &output, folder.c_str()), 0u) << output;
        expect_code(read_report(), c.code, c.name);
    }

    // No map at all: refused, nothing queued.
    std::string output;
    ASSERT_TRUE(SavedSetting::set((folder + "\\missing.rcb").c_str()));
    EXPECT_EQ(run_remote("press Play", &output, folder.c_str()), 3u);
    EXPECT_NE(output.find("missing.rcb not found"), std::string::npos) << output;
    EXPECT_EQ(read_report()[10] >> 6, 2);
}

TEST_F(VirtualRemote, InsertedDiscIsReadThroughTheDriveLetter)
{
    // A folder relative to halvo-remote's current folder.
    std::string discs = source_path("sim/discs");
    std::string output;
    ASSERT_EQ(run_remote("insert videocd", &output, discs.c_str()), 0u) << output;
    EXPECT_EQ(read_start("D:\\vcd\\info.vcd", 16), std::string("VIDEO_CD\x02\x00", 10));
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA("D:\\MPEGAV\\MUSIC??.DAT", &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_STREQ(entry.cFileName, "MUSIC01.DAT");

    // A disc change: the tray seen open, closing with the event, stopped.
    std::vector<uint8_t> report = read_report();
    EXPECT_EQ(report[10] >> 6, 2);
    EXPECT_EQ(report[11], 0xF0);
    report = read_report();
    EXPECT_EQ(report[10] >> 6, 0) << "drive event";
    EXPECT_EQ(report[11], 0x01) << "data disc, tray closed";
    EXPECT_EQ(report[13], 0);
    EXPECT_EQ(report[14], 0x20) << "no event bits, mixer, settings not held";
    EXPECT_EQ(read_report()[11], 0x08);

    // Eject: the files go, the tray is open for every read after.
    output.clear();
    ASSERT_EQ(run_remote("eject", &output), 0u) << output;
    EXPECT_EQ(GetFileAttributesA("D:\\vcd\\info.vcd"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(drive_is_empty("D"));
    EXPECT_EQ(read_report()[11], 0xF0);
    EXPECT_EQ(read_report()[11], 0xF0);

    // Close: the same disc again, announced.
    output.clear();
    ASSERT_EQ(run_remote("close", &output), 0u) << output;
    EXPECT_EQ(read_start("D:\\vcd\\info.vcd", 8), "VIDEO_CD");
    report = read_report();
    EXPECT_EQ(report[10] >> 6, 0);
    EXPECT_EQ(report[11], 0x01);
    EXPECT_EQ(read_report()[11], 0x08);

    // Another disc by its Linux path, its medium type from disc.ini; the
    // old files are gone.
    output.clear();
    ASSERT_EQ(run_remote(std::string("insert ") + HALVO_SOURCE_DIR + "/sim/discs/audio", &output),
              0u)
        << output;
    EXPECT_EQ(GetFileAttributesA("D:\\vcd"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA("D:\\disc.ini"), INVALID_FILE_ATTRIBUTES);
    read_report();
    EXPECT_EQ(read_report()[11], 0x41);
}

TEST_F(VirtualRemote, EventsCarryTheSettingsTheDriveWasGiven)
{
    // The library programs both settings pages, special mode on.
    std::vector<uint8_t> standalone(38, 0), pc_mode(56, 0);
    standalone[8] = 0x20;
    standalone[9] = 28;
    standalone[11] = vdrive::kSpecialModeBit;
    pc_mode[8] = 0x21;
    pc_mode[9] = 46;
    aspi::ExecRequest r = page_request(1, vdrive::kOpModeSelect10, 0x20, standalone, 38);
    ASSERT_EQ(aspi.send(&r), aspi::SS_COMP);
    r = page_request(1, vdrive::kOpModeSelect10, 0x21, pc_mode, 56);
    ASSERT_EQ(aspi.send(&r), aspi::SS_COMP);

    struct Case {
        const char* name;
        const char* commands;  // halvo-remote command lines, ';' between them
        uint8_t byte13, byte14, value;
    };
    const Case cases[] = {
        {"settings held, special mode, mixer", "event special --value 3", 0x00, 0x3A, 3},
        {"the drive takes the volume", "volume-target drive;event volup", 0x80, 0x18, 0},
        {"power cycle", "lose-settings;event stopped,announce", 0x01, 0x04, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string commands = c.commands;
        size_t start = 0;
        while (start <= commands.size()) {
            size_t end = commands.find(';', start);
            if (end == std::string::npos)
                end = commands.size();
            std::string output;
            ASSERT_EQ(run_remote(commands.substr(start, end - start), &output), 0u) << output;
            start = end + 1;
        }
        std::vector<uint8_t> report = read_report();
        EXPECT_EQ(report[10] >> 6, 0);
        EXPECT_EQ(report[13], c.byte13);
        EXPECT_EQ(report[14], c.byte14);
        EXPECT_EQ(report[15], c.value);
    }
}

}  // namespace
