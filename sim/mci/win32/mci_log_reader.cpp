#include "sim/mci/win32/mci_log_reader.h"

#include "sim/drive/vdrive.h"
#include "sim/drive/win32/vdrive_store.h"

namespace mcilog {
namespace {

vdrive::Store g_store;

std::string field(const char* text, size_t size)
{
    size_t length = 0;
    while (length < size && text[length] != '\0')
        ++length;
    return std::string(text, length);
}

vdrive::MciLogEntry record_of(const Entry& e)
{
    vdrive::MciLogEntry r = {};
    r.seq = e.seq;
    r.process = e.process;
    r.device = e.device;
    r.message = e.message;
    r.flags = e.flags;
    r.callback = e.callback;
    r.item = e.item;
    r.track = e.track;
    r.from = e.from;
    r.to = e.to;
    r.time_format = e.time_format;
    r.result = e.result;
    r.value = e.value;
    vdrive::set_field(r.type, e.type);
    vdrive::set_field(r.text, e.text);
    return r;
}

}  // namespace

std::string Entry::describe() const { return vdrive::format_mci_entry(record_of(*this)); }

std::vector<Entry> read()
{
    std::vector<Entry> log;
    vdrive::StoreError error;
    vdrive::MachineState* state = vdrive::store_lock(&g_store, &error);
    if (state == NULL)
        return log;
    uint32_t count = vdrive::mci_log_count(*state);
    for (uint32_t i = 0; i < count; ++i) {
        const vdrive::MciLogEntry& r = vdrive::mci_log_entry(*state, i);
        Entry e;
        e.seq = r.seq;
        e.process = r.process;
        e.type = field(r.type, sizeof r.type);
        e.device = r.device;
        e.message = r.message;
        e.flags = r.flags;
        e.callback = r.callback;
        e.item = r.item;
        e.track = r.track;
        e.from = r.from;
        e.to = r.to;
        e.time_format = r.time_format;
        e.result = r.result;
        e.value = r.value;
        e.text = field(r.text, sizeof r.text);
        log.push_back(e);
    }
    vdrive::store_unlock(&g_store);
    return log;
}

void clear()
{
    vdrive::StoreError error;
    vdrive::MachineState* state = vdrive::store_lock(&g_store, &error);
    if (state == NULL)
        return;
    vdrive::clear_mci_log(*state);
    vdrive::store_unlock(&g_store);
}

std::vector<Entry> of_type(const std::vector<Entry>& log, const char* type)
{
    std::vector<Entry> result;
    for (const Entry& e : log) {
        if (lstrcmpiA(e.type.c_str(), type) == 0)
            result.push_back(e);
    }
    return result;
}

std::vector<std::string> messages(const std::vector<Entry>& log)
{
    std::vector<std::string> names;
    for (const Entry& e : log) {
        const char* name = vdrive::mci_message_name(e.message);
        names.push_back(name != NULL ? name : std::to_string(e.message));
    }
    return names;
}

std::string dump(const std::vector<Entry>& log)
{
    std::string text;
    for (const Entry& e : log)
        text += e.describe() + "\n";
    return text;
}

bool wait_for(const std::function<bool(const std::vector<Entry>&)>& condition, DWORD timeout_ms,
              std::vector<Entry>* log)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<Entry> now = read();
        bool done = condition(now);
        if (log != NULL)
            *log = now;
        if (done)
            return true;
        if (GetTickCount() - start >= timeout_ms)
            return false;
        MSG msg;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_SENDMESSAGE);
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace mcilog
