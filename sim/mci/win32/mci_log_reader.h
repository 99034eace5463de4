// The MCI drivers' log as Wine tests read it: every command the virtual
// drive's MCI drivers answered, with its fields and result, and every
// notification they posted, oldest first, from the machine state that
// halvo-remote also prints ("halvo-remote mci-log").
#ifndef HALVO_MCI_LOG_READER_H
#define HALVO_MCI_LOG_READER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/drive/mci_log.h"

namespace mcilog {

struct Entry {
    uint32_t seq;
    uint32_t process;
    std::string type;      // "cdaudio", "mpegvideo", ...
    uint16_t device;
    uint16_t message;      // MCI_OPEN, MCI_PLAY, ...; vdrive::kMciNotifyPosted
    uint32_t flags;        // a notification's status
    uint32_t callback;
    uint32_t item;
    uint32_t track;
    uint32_t from;
    uint32_t to;
    uint32_t time_format;
    uint32_t result;
    uint64_t value;
    std::string text;      // open: element; window: text; info: the answer

    bool is_notify() const { return message == vdrive::kMciNotifyPosted; }
    uint32_t error() const { return result & 0xFFFF; }
    // The line halvo-remote prints for it.
    std::string describe() const;
};

// The entries since the last clear; empty when the state cannot be read.
std::vector<Entry> read();
void clear();

// The entries of one device type (without regard to case).
std::vector<Entry> of_type(const std::vector<Entry>& log, const char* type);
// Their messages by name ("open", "status", "notify", ...).
std::vector<std::string> messages(const std::vector<Entry>& log);
// The lines of a log, for a failing test's message.
std::string dump(const std::vector<Entry>& log);

// Reads the log about every 20 ms until condition holds: false at the
// deadline. Messages sent to the thread's windows are served meanwhile;
// posted ones stay queued. The last log read is left in *log.
bool wait_for(const std::function<bool(const std::vector<Entry>&)>& condition, DWORD timeout_ms,
              std::vector<Entry>* log = NULL);

}  // namespace mcilog

#endif
