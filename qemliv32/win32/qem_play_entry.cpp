// QEM_Play, the stand-alone entry the outside player program calls with
// its command line. What it shows, it shows in this process: a message
// shown through the outside program would start another copy of it.
#include <windows.h>

#include <new>

#include "qemliv32/messages.h"
#include "qemliv32/qem_play.h"
#include "qemliv32/win32/about_box.h"
#include "qemliv32/win32/engine_flag.h"
#include "qemliv32/win32/message_shell.h"
#include "qemliv32/win32/setup_sheet.h"

extern "C" int WINAPI QEM_Play(const char* command_line) {
  using qem::QemPlaySwitches;
  try {
    const QemPlaySwitches switches = qem::parse_qem_play(command_line ? command_line : "");
    switch (switches.action) {
      case QemPlaySwitches::Action::setup:
        qem::run_setup_sheet(NULL);
        return 1;
      case QemPlaySwitches::Action::about:
        qem::run_about_box(NULL);
        return 1;
      case QemPlaySwitches::Action::sysmsg:
        qem::system_message_box(switches.text);
        return 1;
      case QemPlaySwitches::Action::msgbox:
        qem::msgbox_message_box();
        return 1;
      case QemPlaySwitches::Action::play:
        break;
    }
    if (qem::engine_exists()) return 0;
    // The stand-alone player dialog, which plays switches.script (looping,
    // without its window under /NOGUI), is not built yet: until it is, a
    // script is not played and the result is 0.
    return 0;
  } catch (const std::bad_alloc&) {
    MessageBoxA(NULL, qem::kOutOfMemoryPlayer, qem::kOutOfMemoryPlayerTitle, MB_OK | MB_ICONERROR);
    return 0;
  }
}
