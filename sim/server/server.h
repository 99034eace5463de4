// The test video server: one control connection at a time on loopback,
// datagrams from the generated clip on the control port + 1, with knobs for
// loss, reordering, duplication, server kind, error codes and hostile input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "sim/server/clip.h"

namespace vsrv {

enum class Hostile {
  kNone,
  kZeroLength,        // a control message whose length word is 0
  kHugeLength,        // a control length word near 2^32
  kSeqJump,           // sequence numbers jump by 2^31 after ten datagrams
  kLongEntry,         // a datagram whose entry runs past its end
  kEndlessFragments,  // fragments whose run never completes
};

struct Options {
  std::string host = "127.0.0.1";
  uint16_t port = 0;  // 0: any free pair of ports P, P + 1
  int sessions = 1;   // 0: serve until killed
  ClipShape clip;
  std::size_t max_datagram = 1400;
  uint32_t rate = 2000;          // datagrams per second
  uint32_t buffering_ms = 100;   // CODE 11 this long after CODE 7
  double loss = 0, reorder = 0, dup = 0;  // probabilities per datagram
  uint32_t seed = 1;
  uint32_t version = 257, kind = 0;
  Bytes identity_bytes = {'Q', 'v', '7', '#', 'k', 0xD2, 'm', 'X'};
  std::string player_id;   // expected identifier; empty: log it only
  std::string expect_path; // a different OPEN path gets CODE 1
  uint32_t code = 7;       // the answer to OPEN
  uint32_t first_seq = 1;
  uint32_t generation = 1;
  uint32_t report_every = 0;  // report-request bit every N datagrams (the last always)
  uint32_t text_flags = 2, text_ms = 2000;
  std::string text = "End of test clip";  // empty: no SERVER_TEXT
  Hostile hostile = Hostile::kNone;
  uint32_t endless_count = 2000;  // datagrams of never-ending fragments
  uint32_t linger_ms = 5000;      // longest wait for the client at any step
  bool quiet = false;             // no line per datagram
  bool hold_open = false;         // after the last datagram, send nothing more and keep the connection
};

// Listens on host:port (TCP) and port + 1 (UDP), prints
// "listening HOST PORT data PORT+1", serves the sessions, logging to log.
// Returns 0, or 1 when the sockets cannot be set up.
int serve(const Options& opt, std::FILE* log);

}  // namespace vsrv
