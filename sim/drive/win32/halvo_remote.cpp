// halvo-remote: shows and changes the virtual drive's state from the
// command line. "halvo-remote help" lists the commands.
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "sim/drive/remote_commands.h"
#include "sim/drive/win32/vdrive_store.h"

namespace {

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

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    SharedState shared;
    std::string out;
    std::string err;
    int rc = vdrive::run_remote(args, shared, out, err);
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
    fwrite(err.data(), 1, err.size(), stderr);
    return rc;
}
