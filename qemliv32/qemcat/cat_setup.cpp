#include "qemliv32/qemcat/cat_setup.h"

#include <cstring>

#include "qemliv32/messages.h"
#include "qemliv32/player_id.h"
#include "qemliv32/script_file.h"
#include "qemliv32/settings.h"

namespace qem {

bool parse_cat_options(int argc, char** argv, CatOptions& o, std::FILE* err) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ini") == 0 && i + 1 < argc) {
      o.ini = argv[++i];
    } else if (std::strcmp(argv[i], "--quiet") == 0) {
      o.quiet = true;
    } else if (argv[i][0] != '-' && o.target.empty()) {
      o.target = argv[i];
    } else {
      o.target.clear();
      break;
    }
  }
  if (o.target.empty()) std::fputs(kCatUsageText, err);
  return !o.target.empty();
}

int resolve_target(const std::string& target, QemUrl& url, std::FILE* out) {
  std::string text = target;
  if (target.find("://") == std::string::npos) {
    auto script = read_script_file(target);
    if (!script) {
      std::fprintf(out, "error %d script %s\n", kErrorScriptUnreadable, target.c_str());
      return kErrorScriptUnreadable;
    }
    text = *script;
  }
  QemUrlResult r = parse_qem_url(text);
  if (r.error != QemUrlError::none) {
    std::fprintf(out, "url %s: %s\n", qem_url_error_name(r.error), text.c_str());
    return 2;
  }
  url = r.url;
  std::fprintf(out, "url host=%s port=%u path=%s\n", url.host.c_str(), url.port, url.path.c_str());
  return 0;
}

ProfileStore& ini_text_store(const std::string& text) {
  static MemoryProfileStore store;
  store = MemoryProfileStore(text);
  return store;
}

PlaySettings prepare_play(ProfileStore& store, GuidSource* guids, std::FILE* out) {
  RuntimeRandom random;
  PlayerIdResult id = ensure_player_id(store, guids, random);
  std::fprintf(out, "player-id %s%s\n", id.id.c_str(), id.created ? " (new)" : "");
  QemSettings s = load_settings(store);
  return PlaySettings{uint32_t(s.slide_mode), uint32_t(s.band_width)};
}

const char* cat_error_text(int number) { return error_text(number); }

bool cat_error_lets_playback_go_on(int number) { return error_lets_playback_go_on(number); }

// Connect failure 6 is the data port's bind.
const char* cat_connect_failure_text(int code) {
  return code == 6 ? kStatusDataPortInUse : kStatusNoServer;
}

}  // namespace qem
