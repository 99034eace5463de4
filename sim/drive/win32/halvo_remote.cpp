// halvo-remote: shows and changes the virtual drive's state from the
// command line. "halvo-remote help" lists the commands.
#include <windows.h>

#include <ctype.h>
#include <string.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "sim/drive/button_code.h"
#include "sim/drive/remote_commands.h"
#include "sim/drive/win32/drive_files.h"
#include "sim/drive/win32/vdrive_store.h"

namespace {

const char kSuiteKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";

class SharedState : public vdrive::StateAccess {
public:
    SharedState() : store_() {}

    vdrive::MachineState* acquire(std::string& error) override
    {
        vdrive::StoreError reason;
        vdrive::MachineState* state = vdrive::store_lock(&store_, &reason);
        if (state == NULL)
            error = vdrive::store_error_text(reason);
        return state;
    }

    void release() override { vdrive::store_unlock(&store_); }

    std::string location() const override { return store_.path; }

private:
    vdrive::Store store_;
};

// A name relative to the current folder made whole, without a trailing
// backslash unless it is a drive's root. A name starting with '/' is a
// path of the Linux host, which Wine shows as drive Z:.
bool full_path(const std::string& name, std::string& full)
{
    std::string windows = name;
    if (!windows.empty() && windows[0] == '/') {
        windows = "Z:" + windows;
        for (size_t i = 0; i < windows.size(); ++i)
            if (windows[i] == '/')
                windows[i] = '\\';
    }
    char path[MAX_PATH];
    DWORD length = GetFullPathNameA(windows.c_str(), MAX_PATH, path, NULL);
    if (length == 0 || length >= MAX_PATH)
        return false;
    full.assign(path, length);
    if (full.size() > 3 && full[full.size() - 1] == '\\')
        full.erase(full.size() - 1);
    return true;
}

bool is_folder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_file(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool read_remote_controller(std::string& value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSuiteKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char text[MAX_PATH + 1];
    DWORD type = 0;
    DWORD size = MAX_PATH;
    LONG result = RegQueryValueExA(key, "RemoteController", NULL, &type, (BYTE*)text, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    text[size < MAX_PATH ? size : MAX_PATH] = '\0';
    value = text;
    return true;
}

std::string profile_string(const char* section, const char* key, const std::string& file)
{
    char text[512];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, file.c_str());
    return text;
}

// Button maps from profile files, discs as folders whose files are copied
// onto the drive letter's own folder.
class WindowsHost : public vdrive::RemoteHost {
public:
    bool mapping_value(const std::string& button, const std::string& map_option,
                       std::string& value, std::string& file, std::string& error) override
    {
        std::string setting;
        bool has_setting = read_remote_controller(setting);
        std::string name = vdrive::button_map_file(map_option, has_setting ? &setting : NULL);
        if (!full_path(name, file)) {
            error = "button map '" + name + "': not a usable path";
            return false;
        }
        if (!is_file(file)) {
            error = "button map " + file + " not found";
            return false;
        }
        value = profile_string("Mapping", button.c_str(), file);
        if (value.empty()) {
            error = "no button " + button + " in the Mapping section of " + file;
            return false;
        }
        return true;
    }

    bool find_disc(const std::string& folder, vdrive::DiscFolder& disc,
                   std::string& error) override
    {
        if (!full_path(folder, disc.path) || !is_folder(disc.path)) {
            error = "disc folder '" + folder + "' not found";
            return false;
        }
        std::string ini = disc.path + "\\disc.ini";
        disc.has_ini = is_file(ini);
        if (disc.has_ini) {
            disc.type = profile_string("Disc", "Type", ini);
            disc.tracks = profile_string("Disc", "Tracks", ini);
        }
        return true;
    }

    bool show_files(char letter, const std::string& folder, std::string& error) override
    {
        return vdrive::show_disc_files(letter, folder, error);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    SharedState shared;
    WindowsHost host;
    std::string out;
    std::string err;
    int rc = vdrive::run_remote(args, shared, host, out, err);
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
    fwrite(err.data(), 1, err.size(), stderr);
    return rc;
}
