// qemsrv: the test video server. Options are "--name value"; see usage().
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "sim/decoders/audio_codec.h"
#include "sim/decoders/test_picture.h"
#include "sim/server/server.h"

namespace {

void usage() {
  std::fputs(
      "usage: qemsrv [--option value]...\n"
      "  --host 127.0.0.1  --port 0 (any free pair P, P+1)  --sessions 1 (0: forever)\n"
      "  --clip generated|picture (the test picture and a tone, test codecs)\n"
      "  --frames 100 --fps 25 --width 176 --height 144 --audio 1\n"
      "  --audio-every 4 --audio-block 320 (generated clip)\n"
      "  --audio-codec A|B|C|D --key-every 12 (picture clip)\n"
      "  --datagram 1400 --rate 2000 (datagrams/s) --buffering 100 (ms to CODE 11)\n"
      "  --loss 0 --reorder 0 --dup 0 (probabilities) --seed 1\n"
      "  --version 257 --kind 0 --identity HEX (the IDENTITY bytes) --player-id ID\n"
      "  --path PATH (expected OPEN path) --code 7 (answer to OPEN)\n"
      "  --first-seq 1 --generation 1 --report-every 0\n"
      "  --text-flags 2 --text-ms 2000 --text TEXT ('' for none)\n"
      "  --hostile none|zero-length|huge-length|seq-jump|long-entry|endless-fragments\n"
      "  --endless 2000 --linger 5000 (ms) --quiet 1 --hold-open 0 (1: keep the connection after the clip)\n",
      stderr);
}

bool parse_hex(const std::string& s, vsrv::Bytes& out) {
  if (s.size() % 2) return false;
  out.clear();
  for (std::size_t i = 0; i < s.size(); i += 2) {
    char* end;
    std::string byte = s.substr(i, 2);
    unsigned long v = std::strtoul(byte.c_str(), &end, 16);
    if (*end) return false;
    out.push_back(uint8_t(v));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  vsrv::Options o;
  std::map<std::string, std::string> kv;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--", 2) != 0 || i + 1 >= argc) {
      usage();
      return 2;
    }
    kv[argv[i] + 2] = argv[i + 1];
    ++i;
  }
  auto num = [&](const char* k, auto& field) {
    auto it = kv.find(k);
    if (it == kv.end()) return;
    field = decltype(field + 0)(std::strtoull(it->second.c_str(), nullptr, 0));
    kv.erase(it);
  };
  auto real = [&](const char* k, double& field) {
    auto it = kv.find(k);
    if (it == kv.end()) return;
    field = std::strtod(it->second.c_str(), nullptr);
    kv.erase(it);
  };
  auto text = [&](const char* k, std::string& field) {
    auto it = kv.find(k);
    if (it == kv.end()) return;
    field = it->second;
    kv.erase(it);
  };
  uint32_t audio = o.clip.audio, quiet = 0, hold_open = 0;
  std::string identity, hostile = "none", clip = "generated", codec = "A";
  bool identity_given = kv.count("identity") != 0;
  text("host", o.host);
  num("port", o.port);
  num("sessions", o.sessions);
  text("clip", clip);
  text("audio-codec", codec);
  num("frames", o.clip.video_frames);
  num("fps", o.clip.fps);
  num("width", o.clip.width);
  num("height", o.clip.height);
  num("key-every", o.clip.key_interval);
  num("audio", audio);
  num("audio-every", o.clip.audio_every);
  num("audio-block", o.clip.audio_block);
  num("datagram", o.max_datagram);
  num("rate", o.rate);
  num("buffering", o.buffering_ms);
  real("loss", o.loss);
  real("reorder", o.reorder);
  real("dup", o.dup);
  num("seed", o.seed);
  num("version", o.version);
  num("kind", o.kind);
  text("identity", identity);
  text("player-id", o.player_id);
  text("path", o.expect_path);
  num("code", o.code);
  num("first-seq", o.first_seq);
  num("generation", o.generation);
  num("report-every", o.report_every);
  num("text-flags", o.text_flags);
  num("text-ms", o.text_ms);
  text("text", o.text);
  text("hostile", hostile);
  num("endless", o.endless_count);
  num("linger", o.linger_ms);
  num("quiet", quiet);
  num("hold-open", hold_open);
  if (!kv.empty()) {
    std::fprintf(stderr, "qemsrv: unknown option --%s\n", kv.begin()->first.c_str());
    usage();
    return 2;
  }
  o.clip.audio = audio != 0;
  if (clip != "generated" && clip != "picture") {
    std::fprintf(stderr, "qemsrv: unknown --clip %s\n", clip.c_str());
    return 2;
  }
  if (codec.size() != 1 || !qdec::audio_kind(codec[0])) {
    std::fprintf(stderr, "qemsrv: --audio-codec wants A, B, C or D\n");
    return 2;
  }
  o.clip.audio_codec = codec[0];
  if (clip == "picture") {
    o.clip.kind = vsrv::ClipKind::kPicture;
    auto fits = [](uint32_t v) { return v >= qdec::kMinDimension && v <= qdec::kMaxDimension; };
    if (!fits(o.clip.width) || !fits(o.clip.height)) {
      std::fprintf(stderr, "qemsrv: the picture clip is %d to %d pixels wide and high\n",
                   qdec::kMinDimension, qdec::kMaxDimension);
      return 2;
    }
  }
  o.quiet = quiet != 0;
  o.hold_open = hold_open != 0;
  if (identity_given) {
    if (!parse_hex(identity, o.identity_bytes)) {
      std::fprintf(stderr, "qemsrv: --identity wants hex bytes\n");
      return 2;
    }
  }
  static const std::map<std::string, vsrv::Hostile> kinds = {
      {"none", vsrv::Hostile::kNone},
      {"zero-length", vsrv::Hostile::kZeroLength},
      {"huge-length", vsrv::Hostile::kHugeLength},
      {"seq-jump", vsrv::Hostile::kSeqJump},
      {"long-entry", vsrv::Hostile::kLongEntry},
      {"endless-fragments", vsrv::Hostile::kEndlessFragments}};
  auto h = kinds.find(hostile);
  if (h == kinds.end()) {
    std::fprintf(stderr, "qemsrv: unknown --hostile %s\n", hostile.c_str());
    return 2;
  }
  o.hostile = h->second;
  return vsrv::serve(o, stdout);
}
