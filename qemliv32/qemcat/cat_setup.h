// qemcat's command line and what it does before connecting, shared by the
// POSIX and the Win32 program.
#pragma once

#include <cstdio>
#include <string>

#include "qemliv32/HTTP/qem_url.h"

namespace qem {

class ProfileStore;
class GuidSource;

struct CatOptions {
  std::string target;  // a qem:// URL or a script file
  std::string ini;     // QEMPLAY.INI to read instead of the default one
  bool quiet = false;  // no frame lines
};

constexpr const char* kCatUsageText =
    "usage: qemcat [--ini QEMPLAY.INI] [--quiet] <qem://host[:port]/path | script.qem>\n";

// False (usage printed to err) when the command line is not understood.
bool parse_cat_options(int argc, char** argv, CatOptions& options, std::FILE* err);

// The stream address: the target itself when it holds "://", else the
// first line of the script file it names. 0 with url filled, or qemcat's
// exit status: error 17 for an unreadable script, usage for a URL that is
// not a qem one.
int resolve_target(const std::string& target, QemUrl& url, std::FILE* out);

// The program's QEMPLAY.INI held in memory from its text (it lives as
// long as the program).
ProfileStore& ini_text_store(const std::string& text);

struct PlaySettings {
  uint32_t slide_mode = 0;
  uint32_t bandwidth = 12;
};

// What Play does before connecting: the Player ID made when missing
// (printed), and the settings the request needs.
PlaySettings prepare_play(ProfileStore& store, GuidSource* guids, std::FILE* out);

// Texts: an error's, and the status a connect failure shows.
const char* cat_error_text(int number);
bool cat_error_lets_playback_go_on(int number);
const char* cat_connect_failure_text(int code);

}  // namespace qem
