#include "sim/server/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <cstring>
#include <optional>
#include <random>

#include "sim/server/identity_check.h"

namespace vsrv {
namespace {

uint64_t now_ms() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') q += '\\';
    if (c == '\n') {
      q += "\\n";
      continue;
    }
    q += c;
  }
  return q + "\"";
}

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

class Session {
 public:
  Session(const Options& opt, std::FILE* log, int tcp, const sockaddr_in& peer, int udp)
      : opt_(opt), log_(log), tcp_(tcp), udp_(udp), peer_(peer), rng_(opt.seed) {
    set_nonblocking(tcp_);
    int one = 1;
    setsockopt(tcp_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    deadline_ = now_ms() + opt_.linger_ms;
  }

  std::string run() {
    while (end_.empty()) {
      uint64_t now = now_ms();
      on_time(now);
      if (!end_.empty()) break;
      pollfd p[2] = {{tcp_, short(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0}, {udp_, POLLIN, 0}};
      int wait = int(std::min<uint64_t>(next_due(now) - now, 50));
      if (poll(p, 2, wait) < 0 && errno != EINTR) return "poll failed";
      if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) read_control();
      if (!end_.empty()) break;
      if (p[0].revents & POLLOUT) flush();
      if (p[1].revents & POLLIN) drain_udp();
    }
    flush_before_close();
    return end_;
  }

 private:
  enum class Phase { kHandshake, kWaitReply, kStreaming, kFinishing, kWaitClose };

  void line(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(log_, fmt, ap);
    va_end(ap);
    std::fputc('\n', log_);
    std::fflush(log_);
  }

  void send_control(const Bytes& b) {
    out_.insert(out_.end(), b.begin(), b.end());
    flush();
  }

  void flush() {
    while (!out_.empty()) {
      ssize_t n = ::send(tcp_, out_.data(), out_.size(), MSG_NOSIGNAL);
      if (n <= 0) return;
      out_.erase(out_.begin(), out_.begin() + n);
    }
  }

  void flush_before_close() {
    uint64_t until = now_ms() + 1000;
    while (!out_.empty() && now_ms() < until) {
      pollfd p = {tcp_, POLLOUT, 0};
      if (poll(&p, 1, 50) > 0 && (p.revents & (POLLERR | POLLHUP))) break;
      flush();
    }
  }

  void read_control() {
    uint8_t buf[65536];
    ssize_t n = ::recv(tcp_, buf, sizeof buf, 0);
    if (n == 0) {
      end_ = "client closed";
      return;
    }
    if (n < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) end_ = "connection reset";
      return;
    }
    if (!reader_.feed(buf, std::size_t(n))) {
      line("protocol lost framing");
      end_ = "lost framing";
      return;
    }
    while (auto m = reader_.next()) {
      on_message(*m);
      if (!end_.empty()) return;
    }
  }

  void drain_udp() {
    uint8_t buf[2048];
    ssize_t n;
    while ((n = ::recv(udp_, buf, sizeof buf, MSG_DONTWAIT)) >= 0) line("udp-in %zd", n);
  }

  // Answers a fault of the client's handshake: protocol mismatch, then the
  // client is expected to hang up.
  void mismatch(const std::string& what) {
    line("protocol %s", what.c_str());
    refuse(8);
  }

  void refuse(uint32_t code) {
    line("send code %u", code);
    send_control(code_message(code));
    wait_close();
  }

  void wait_close() {
    phase_ = Phase::kWaitClose;
    deadline_ = now_ms() + opt_.linger_ms;
  }

  void on_message(const Message& m) {
    switch (m.type) {
      case kIdentity: return on_identity(m.payload);
      case kHello: return on_hello(m.payload);
      case kUserInfo: {
        auto u = decode_user_info(m.payload);
        if (!u) return mismatch("bad USER_INFO");
        line("user name=%s company=%s email=%s", quoted(u->name).c_str(),
             quoted(u->company).c_str(), quoted(u->email).c_str());
        return;
      }
      case kSlideMode: {
        auto v = decode_u32(m.payload);
        if (!v) return mismatch("bad SLIDE_MODE");
        line("slide-mode %u", *v >> 16);
        return;
      }
      case kOpen: return on_open(m.payload);
      case kReport: return on_report(m.payload);
      case kCode: {
        auto v = decode_u32(m.payload);
        if (!v) return mismatch("bad CODE");
        line("code %u", *v);
        return;
      }
      case kNotice: {
        auto v = decode_u32(m.payload);
        line("notice %s", v ? std::to_string(*v).c_str() : "malformed");
        return;
      }
      case kCommand: {
        auto t = decode_text(m.payload);
        line("command %s", t ? quoted(*t).c_str() : "malformed");
        return;
      }
      default:
        line("unknown type=%u length=%zu", m.type, m.payload.size());
    }
  }

  void on_identity(const Bytes& p) {
    auto id = decode_identity(p);
    if (!id) return mismatch("bad IDENTITY");
    if (!got_probe_) {
      got_probe_ = true;
      bool ok = id->version == 257 && id->kind == 0 && id->bytes == Bytes(10, 'x');
      line("identity-probe version=%u kind=%u n=%zu %s", id->version, id->kind, id->bytes.size(),
           ok ? "ok" : "unexpected");
      return;
    }
    if (opt_.identity_bytes.size() < 4) {
      line("identity-reply unexpected");
      return;
    }
    auto player = reply_player_id(opt_.identity_bytes, id->bytes);
    if (!player || id->version != 257 || id->kind != 0) {
      line("identity-reply undecipherable version=%u kind=%u n=%zu", id->version, id->kind,
           id->bytes.size());
      reply_ok_ = false;
    } else {
      reply_ok_ = opt_.player_id.empty() || *player == opt_.player_id;
      line("identity-reply id=%s %s", quoted(*player).c_str(), reply_ok_ ? "ok" : "mismatch");
    }
    got_reply_ = true;
    if (phase_ == Phase::kWaitReply) answer_open();
  }

  void on_hello(const Bytes& p) {
    auto h = decode_hello(p);
    if (!h) return mismatch("bad HELLO");
    line("hello version=%s magic=%s port=%u", quoted(h->version).c_str(), quoted(h->magic).c_str(),
         h->data_port);
    if (!got_probe_) return mismatch("HELLO before IDENTITY");
    if (h->version != "VTP 0.9.0" || h->magic != "QEM Live" || h->data_port == 0 ||
        h->data_port > 65535)
      return mismatch("HELLO fields");
    data_port_ = uint16_t(h->data_port);
    line("send identity version=%u kind=%u n=%zu", opt_.version, opt_.kind,
         opt_.identity_bytes.size());
    send_control(identity_message(opt_.version, opt_.kind, opt_.identity_bytes));
  }

  void on_open(const Bytes& p) {
    auto o = decode_open(p);
    if (!o) return mismatch("bad OPEN");
    line("open path=%s port=%u buffer=%u tag=%u bandwidth=%u", quoted(o->path).c_str(),
         o->data_port, o->buffering >> 16, o->buffering & 0xFFFF, o->bandwidth);
    if (phase_ != Phase::kHandshake) return mismatch("second OPEN");
    if (o->magic != "QEM Live" || o->data_port != data_port_ || (o->buffering & 0xFFFF) != 5)
      return mismatch("OPEN fields");
    if (!opt_.expect_path.empty() && o->path != opt_.expect_path) return refuse(1);
    if (opt_.identity_bytes.size() >= 4 && !got_reply_) {
      phase_ = Phase::kWaitReply;
      deadline_ = now_ms() + opt_.linger_ms;
      return;
    }
    answer_open();
  }

  void answer_open() {
    if (opt_.identity_bytes.size() >= 4 && !reply_ok_) return refuse(5);
    if (opt_.code != 7) return refuse(opt_.code);
    line("send code 7");
    send_control(code_message(7));
    send_control(stream_info_message(1, video_length(opt_.clip, opt_.version), stream_video_format(opt_.clip)));
    line("send stream-info video length=%u", video_length(opt_.clip, opt_.version));
    if (opt_.clip.audio) {
      send_control(stream_info_message(0, audio_length(opt_.clip), stream_audio_format(opt_.clip)));
      line("send stream-info audio length=%u", audio_length(opt_.clip));
    }
    if (opt_.hostile == Hostile::kZeroLength || opt_.hostile == Hostile::kHugeLength) {
      Bytes bad;
      put_u32(bad, opt_.hostile == Hostile::kZeroLength ? 0 : 0xFFFFFFF0u);
      put_u32(bad, kCode);
      put_u32(bad, 7);
      line("send hostile length=%s", opt_.hostile == Hostile::kZeroLength ? "0" : "0xFFFFFFF0");
      send_control(bad);
      return wait_close();
    }
    datagrams_ = pack_clip(opt_.clip, opt_.max_datagram, opt_.generation);
    phase_ = Phase::kStreaming;
    stream_start_ = now_ms();
    code11_due_ = stream_start_ + opt_.buffering_ms;
    next_seq_ = opt_.first_seq;
  }

  void on_report(const Bytes& p) {
    auto r = decode_report(p);
    if (!r) return mismatch("bad REPORT");
    std::string missing;
    for (uint32_t s : r->missing) missing += (missing.empty() ? "" : ",") + std::to_string(s);
    line("report counter=%u urgent=%d words=%u highest=%u generation=%u received=%u bytes=%u "
         "late=%u late-bytes=%u count=%zu missing=%s",
         r->counter, r->urgent, r->header_words, r->highest, r->generation, r->received,
         r->received_bytes, r->late, r->late_bytes, r->missing.size(), missing.c_str());
    if (phase_ == Phase::kFinishing && r->highest == last_seq_) {
      line("final-report ok");
      close_session();
    }
  }

  // Clip time of the datagrams in flight: the pace is rate datagrams per second.
  uint64_t due_of(std::size_t i) const { return stream_start_ + i * 1000 / std::max(opt_.rate, 1u); }

  uint64_t next_due(uint64_t now) const {
    uint64_t d = deadline_;
    if (phase_ == Phase::kStreaming) {
      if (!code11_sent_) d = std::min(d, code11_due_);
      d = std::min(d, due_of(sent_));
    }
    return std::max(d, now + 1);
  }

  void on_time(uint64_t now) {
    if (phase_ == Phase::kStreaming) {
      if (now >= code11_due_) send_code11();
      while (phase_ == Phase::kStreaming && due_of(sent_) <= now) send_next();
      return;
    }
    if (now < deadline_) return;
    switch (phase_) {
      case Phase::kHandshake: end_ = "handshake timeout"; break;
      case Phase::kWaitReply:
        line("identity-reply missing");
        reply_ok_ = false;
        answer_open();
        break;
      case Phase::kFinishing:
        line("final-report timeout");
        close_session();
        break;
      case Phase::kWaitClose: end_ = "client did not close"; break;
      case Phase::kStreaming: break;
    }
  }

  void send_code11() {
    if (code11_sent_) return;
    code11_sent_ = true;
    line("send code 11");
    send_control(code_message(11));
    if (!opt_.text.empty()) {
      line("send server-text flags=0x%x time=%u text=%s", opt_.text_flags, opt_.text_ms,
           quoted(opt_.text).c_str());
      send_control(server_text_message(opt_.text_flags, opt_.text_ms, opt_.text));
    }
  }

  // Every datagram, clip or extra, passes here in sending order.
  void send_next() {
    std::size_t clip_index = sent_ - extra_sent_;
    bool endless = opt_.hostile == Hostile::kEndlessFragments && clip_index == 5 &&
                   extra_sent_ < opt_.endless_count;
    bool long_entry = opt_.hostile == Hostile::kLongEntry && clip_index == 5 && extra_sent_ == 0;
    ++sent_;
    if (endless || long_entry) {
      ++extra_sent_;
      emit(endless ? endless_datagram() : long_entry_datagram(), false);
      return;
    }
    if (opt_.hostile == Hostile::kSeqJump && clip_index == 10) {
      next_seq_ += 0x80000000u;
      line("hostile seq-jump to %u", next_seq_);
    }
    bool last = clip_index + 1 == datagrams_.size();
    emit(datagrams_[clip_index], last);
    if (last) {
      send_code11();
      // Held open: the player plays out what it has and waits for more.
      phase_ = opt_.hold_open ? Phase::kWaitClose : Phase::kFinishing;
      if (opt_.hold_open) line("holding the connection open");
      deadline_ = now_ms() + opt_.linger_ms;
    }
  }

  Datagram endless_datagram() {
    // One frame's run of fragments 1..127 that never gets its last piece,
    // then the next frame's, at the clip's current time.
    uint32_t k = extra_sent_ - 1;
    uint32_t number = 1000000 + k / 127;
    uint8_t index = uint8_t(k % 127 + 1);
    uint32_t time = uint32_t(now_ms() - stream_start_);
    Datagram d;
    put_u32(d.bytes, 0);
    put_u32(d.bytes, opt_.generation);
    put_u32(d.bytes, 0);
    std::size_t len = (std::max<std::size_t>(opt_.max_datagram, 128) - 24) & ~std::size_t(3);
    put_u16(d.bytes, uint16_t(12 + len));
    d.bytes.push_back(0);
    d.bytes.push_back(index);
    put_u32(d.bytes, time);
    put_u32(d.bytes, number);
    d.bytes.resize(d.bytes.size() + len, uint8_t(k));
    d.entries.push_back({0, number, index});
    return d;
  }

  Datagram long_entry_datagram() {
    // Claims 60000 bytes, carries 100.
    Datagram d;
    put_u32(d.bytes, 0);
    put_u32(d.bytes, opt_.generation);
    put_u32(d.bytes, 0);
    put_u16(d.bytes, 60000);
    d.bytes.push_back(0);
    d.bytes.push_back(0);
    put_u32(d.bytes, 0);
    put_u32(d.bytes, 999999);
    d.bytes.resize(d.bytes.size() + 100, 0xEE);
    return d;
  }

  std::string names(const Datagram& d) const {
    std::string s;
    for (const Entry& e : d.entries) s += " " + entry_name(e);
    return s;
  }

  void put_datagram(const Bytes& b, uint32_t seq, const char* how, const std::string& what) {
    sockaddr_in to = peer_;
    to.sin_port = htons(data_port_);
    ::sendto(udp_, b.data(), b.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (!opt_.quiet) line("datagram %u %s%s", seq, how, what.c_str());
  }

  void emit(const Datagram& d, bool last) {
    uint32_t seq = next_seq_++;
    Bytes b = d.bytes;
    b[0] = uint8_t(seq >> 24);
    b[1] = uint8_t(seq >> 16);
    b[2] = uint8_t(seq >> 8);
    b[3] = uint8_t(seq);
    if (last || (opt_.report_every && (sent_ % opt_.report_every) == 0)) b[4] |= 0x80;
    std::string what = names(d);
    if (last) {
      last_seq_ = seq;
      release_held();
      put_datagram(b, seq, "sent", what);
      return;
    }
    std::uniform_real_distribution<double> u(0, 1);
    // The first datagram always arrives: it opens the client's data path.
    if (seq != opt_.first_seq && u(rng_) < opt_.loss) {
      if (!opt_.quiet) line("datagram %u dropped%s", seq, what.c_str());
      release_held();
      return;
    }
    if (!held_ && u(rng_) < opt_.reorder) {
      held_ = Held{b, seq, what};
      return;
    }
    put_datagram(b, seq, "sent", what);
    release_held();
    if (u(rng_) < opt_.dup) put_datagram(b, seq, "dup", what);
  }

  void release_held() {
    if (!held_) return;
    Held h = std::move(*held_);
    held_.reset();
    put_datagram(h.bytes, h.seq, "sent", h.what);
  }

  void close_session() {
    end_ = "done";
    phase_ = Phase::kWaitClose;
  }

  struct Held {
    Bytes bytes;
    uint32_t seq;
    std::string what;
  };

  const Options& opt_;
  std::FILE* log_;
  int tcp_, udp_;
  sockaddr_in peer_;
  std::mt19937 rng_;
  ControlReader reader_;
  Bytes out_;
  Phase phase_ = Phase::kHandshake;
  uint64_t deadline_ = 0;
  bool got_probe_ = false, got_reply_ = false, reply_ok_ = false;
  uint16_t data_port_ = 0;
  std::vector<Datagram> datagrams_;
  std::size_t sent_ = 0, extra_sent_ = 0;
  uint32_t next_seq_ = 1, last_seq_ = 0;
  uint64_t stream_start_ = 0, code11_due_ = 0;
  bool code11_sent_ = false;
  std::optional<Held> held_;
  std::string end_;
};

// Binds TCP host:port and UDP host:port+1; with port 0 tries free pairs.
bool bind_pair(const Options& opt, int& tcp, int& udp, uint16_t& port) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tcp = socket(AF_INET, SOCK_STREAM, 0);
    udp = socket(AF_INET, SOCK_DGRAM, 0);
    int one = 1;
    setsockopt(tcp, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, opt.host.c_str(), &a.sin_addr);
    a.sin_port = htons(opt.port);
    socklen_t len = sizeof a;
    if (bind(tcp, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(tcp, reinterpret_cast<sockaddr*>(&a), &len) == 0 &&
        ntohs(a.sin_port) != 65535) {
      port = ntohs(a.sin_port);
      a.sin_port = htons(uint16_t(port + 1));
      if (bind(udp, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(tcp, 4) == 0)
        return true;
    }
    close(tcp);
    close(udp);
    if (opt.port != 0) break;
  }
  return false;
}

}  // namespace

int serve(const Options& opt, std::FILE* log) {
  int tcp, udp;
  uint16_t port;
  if (!bind_pair(opt, tcp, udp, port)) {
    std::fprintf(log, "cannot bind %s %u and %u\n", opt.host.c_str(), opt.port, opt.port + 1);
    return 1;
  }
  std::fprintf(log, "listening %s %u data %u\n", opt.host.c_str(), port, port + 1);
  std::fflush(log);
  for (int n = 1; opt.sessions == 0 || n <= opt.sessions; ++n) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    int conn = accept(tcp, reinterpret_cast<sockaddr*>(&peer), &len);
    if (conn < 0) {
      if (errno == EINTR) continue;
      break;
    }
    char ip[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
    std::fprintf(log, "session %d client %s:%u\n", n, ip, ntohs(peer.sin_port));
    std::fflush(log);
    // Datagrams left over from an earlier session mean nothing now.
    uint8_t scratch[2048];
    while (recv(udp, scratch, sizeof scratch, MSG_DONTWAIT) >= 0) {
    }
    std::string why = Session(opt, log, conn, peer, udp).run();
    close(conn);
    std::fprintf(log, "end %s\n", why.c_str());
    std::fflush(log);
  }
  close(tcp);
  close(udp);
  return 0;
}

}  // namespace vsrv
