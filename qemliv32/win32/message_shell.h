// How the engine shows its messages: through the outside player program,
// whose folder QEMPLAY.INI's Directory names, or, for the reception timeout,
// in a message box of this process. A program that cannot be started is
// followed by the next name; when none starts, nothing more is reported.
#pragma once

#include <windows.h>

#include <string_view>

namespace qem {

// Error 15 in a box here, with the error icon; any other number's text as
// a system message. False when nothing could show it.
bool show_error(int number);

// An error or fatal text: "QEMPLAY.EXE /SYSMSG" with the text, failing that
// "QEMPLAY32.EXE /SYSMSG". False when neither started.
bool show_system_message(std::string_view text);

// A server message (and "already in use"): the text, its line ends as "~",
// to lastmsg and the title to lasthdr, then "/MSGBOX" by each of the three
// names in turn. False when none started.
bool show_server_message(std::string_view text, std::string_view title);

// What the outside program shows for "/SYSMSG": the text in a box of this
// process with the error icon and an OK button.
void system_message_box(std::string_view text);

// What it shows for "/MSGBOX": lastmsg ("~" as line feeds) titled lasthdr,
// with an OK button.
void msgbox_message_box();

}  // namespace qem
