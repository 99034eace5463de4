#include "qemliv32/vtp_client.h"

#include "qemliv32/datagram.h"
#include "qemliv32/identity.h"

namespace qem {
namespace {

bool has_bit(ProtocolState state, uint32_t bit) { return (uint32_t(state) & bit) != 0; }

// Wrap-safe "more than `limit` ms have passed since `since`".
bool passed(uint32_t now, uint32_t since, uint32_t limit) { return now - since > limit; }

std::string cut(const std::string& text) {
  return text.size() > kMaxUserDetail ? text.substr(0, kMaxUserDetail) : text;
}

constexpr uint8_t kFillerIdentity[10] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};

}  // namespace

// --- connection ---

void VtpClient::on_connect_started(uint32_t now, uint32_t local_data_port) {
  reader_.reset();
  output_.clear();
  connection_open_ = true;
  connecting_ = true;
  disconnect_requested_ = false;
  connect_start_ = now;
  data_port_ = local_data_port;
  // A new play starts from scratch even when the last one never reached Idle.
  state_ = ProtocolState::idle;
  loss_.reset();
  fragments_.clear();
  have_datagram_ = false;
  buffering_ = true;
  first_datagram_accepted_ = false;
  server_version_.reset();
  server_kind_.reset();
  strict_loss_ = false;
  no_audio_ = false;
  stream_length_.reset();
  lag_.reset();
}

void VtpClient::on_connected(uint32_t now, const HandshakeDetails& details) {
  (void)now;
  if (!connection_open_) return;
  connecting_ = false;
  details_ = details;
  details_.name = cut(details.name);
  details_.company = cut(details.company);
  details_.email = cut(details.email);
  if (details_.buffer_size_ms < kMinBufferMs + 1) details_.buffer_size_ms = kMinBufferMs;

  output_.clear();
  queue(encode_identity(kClientIdentityVersion, 0, kFillerIdentity, sizeof kFillerIdentity));
  queue(encode_hello(data_port_));
  queue(encode_user_info(details_.name, details_.company, details_.email));
  events_.connected();
}

void VtpClient::on_socket_closed(uint32_t now) {
  disconnect_requested_ = false;
  // Our own disconnect coming back, or a failed connect (the time-out ends that).
  if (!connection_open_ || connecting_) return;
  connection_open_ = false;
  reader_.reset();
  output_.clear();
  if (state_ == ProtocolState::idle) {
    // Closed before a play request: nothing will drain, so stop here.
    reset();
    return;
  }
  socket_closed_handling(now);
}

void VtpClient::socket_closed_handling(uint32_t now) {
  if (!has_bit(state_, 0x2)) return;
  if (buffering_) {
    events_.progress(100);
    end_buffering(now);
  }
  state_ = ProtocolState::draining;
}

std::vector<uint8_t> VtpClient::take_output() {
  std::vector<uint8_t> out;
  out.swap(output_);
  return out;
}

void VtpClient::queue(const std::vector<uint8_t>& bytes) {
  output_.insert(output_.end(), bytes.begin(), bytes.end());
}

void VtpClient::reset() {
  state_ = ProtocolState::idle;
  reader_.reset();
  output_.clear();
  loss_.reset();
  fragments_.clear();
  connecting_ = false;
  if (connection_open_) disconnect_requested_ = true;
  connection_open_ = false;
  events_.disconnected();
}

// --- requests from the engine ---

bool VtpClient::send_play_request(std::string_view path, uint32_t bandwidth, uint32_t now) {
  if (state_ != ProtocolState::idle || !can_send()) return false;
  queue(encode_open(data_port_, details_.buffer_size_ms, kTransportTag, bandwidth, path));
  path_.assign(path.data(), path.size());
  state_ = ProtocolState::requested;
  request_time_ = now;
  have_datagram_ = false;
  has_video_ = false;
  return true;
}

bool VtpClient::send_slide_mode(uint32_t slide_mode) {
  if (!can_send()) return false;
  queue(encode_slide_mode(slide_mode));
  return true;
}

bool VtpClient::send_command(std::string_view text) {
  if (!can_send()) return false;
  queue(encode_command(text));
  return true;
}

bool VtpClient::send_code(uint32_t code) {
  if (!can_send()) return false;
  queue(encode_code(code));
  return true;
}

void VtpClient::lag_signal(uint32_t now) {
  if (lag_.signal(now) && can_send()) queue(encode_notice(kLagNoticeValue));
}

// --- control messages ---

void VtpClient::on_control_bytes(const uint8_t* data, std::size_t n, uint32_t now) {
  while (n > 0 && connection_open_) {
    std::size_t used = 0;
    PacketBuffer message;
    ControlStreamReader::Status status = reader_.read(data, n, used, message);
    data += used;
    n -= used;
    if (status == ControlStreamReader::Status::lost_sync) {
      lose_sync();
      return;
    }
    if (status == ControlStreamReader::Status::need_more) return;
    dispatch(message, now);
  }
}

void VtpClient::lose_sync() {
  events_.fatal(kLostProtocolSync);
  reset();
}

void VtpClient::dispatch(const PacketBuffer& message, uint32_t now) {
  if (message.size() < 4) return;  // no type word: nothing to act on
  const uint8_t* payload = message.data() + 4;
  std::size_t n = message.size() - 4;
  switch (MessageType(read_be32(message.data()))) {
    case MessageType::code:
      if (auto code = parse_code(payload, n)) handle_code(*code, now);
      break;
    case MessageType::stream_info:
      if (auto info = parse_stream_info(payload, n)) handle_stream_info(*info, now);
      break;
    case MessageType::server_text:
      if (auto text = parse_server_text(payload, n)) handle_server_text(std::move(*text));
      break;
    case MessageType::identity:
      if (auto identity = parse_identity(payload, n)) handle_identity(*identity);
      break;
    default:
      break;
  }
}

void VtpClient::handle_code(uint32_t code, uint32_t now) {
  switch (code) {
    case kCodeOpenFailed:
    case kCodeReadFailed:
    case kCodeWriteFailed:
    case kCodeCreateFailed:
    case kCodePermissionDenied:
    case kCodeServerError:
    case kCodeProtocolMismatch:
    case kCodeTooManyClients:
    case kCodeBandwidth:
    case kCodeVideoFormat:
    case kCodeAudioFormat:
      stop_with_error(int(code));
      break;
    case kCodeAccepted:
      if (has_bit(state_, 0x1000)) state_ = ProtocolState::streaming;
      break;
    case kCodeStartPlayback:
      if (buffering_) {
        events_.progress(100);
        end_buffering(now);
      }
      send_code(kCodeStartPlayback);
      break;
    default:
      break;
  }
}

void VtpClient::stop_with_error(int number) {
  reset();  // also asks for the disconnect
  events_.error(number);
}

void VtpClient::end_buffering(uint32_t now) {
  buffering_ = false;
  playback_start_ = now;
  events_.start_playback(now);
}

void VtpClient::handle_stream_info(const StreamInfo& info, uint32_t now) {
  stream_length_ = info.length;
  if (info.kind != 0) events_.progress(0);
  events_.stream_format(info.kind, info.format.data, info.format.size);
  events_.reception_started(now);
  buffering_ = true;
  if (info.kind == 1) has_video_ = true;
}

void VtpClient::handle_server_text(ServerText text) {
  if (text.no_audio()) no_audio_ = true;
  if (text.action() == 0) return;
  events_.server_text(text);
}

void VtpClient::handle_identity(const IdentityInfo& identity) {
  server_version_ = identity.version;
  server_kind_ = identity.kind;
  strict_loss_ = identity.version > 256 && identity.bytes.size >= 4;
  if (identity.bytes.size < 4) return;
  std::vector<uint8_t> cipher =
      encipher_player_id(identity.bytes.data, identity.bytes.size, details_.player_id);
  if (can_send())
    queue(encode_identity(kClientIdentityVersion, 0, cipher.data(), cipher.size()));
}

// --- data channel ---

void VtpClient::on_datagram(const uint8_t* data, std::size_t n, uint32_t now) {
  if (state_ == ProtocolState::idle || n < kDatagramHeaderSize) return;
  on_datagram(PacketBuffer::copy_of(data, n, PacketBuffer::Channel::data), now);
}

void VtpClient::on_datagram(PacketBuffer datagram, uint32_t now) {
  // Idle: a stray datagram after a stop must not refill the queues.
  if (state_ == ProtocolState::idle) return;
  DatagramHeader header;
  if (!read_datagram_header(datagram.data(), datagram.size(), header)) return;
  if (!first_datagram_accepted_ && header.sequence > kMaxFirstSequence &&
      server_kind_ != kKindLiftsFirstDatagramRule)
    return;
  first_datagram_accepted_ = true;
  loss_.on_datagram(header, datagram.size(), now);
  last_datagram_ = now;
  have_datagram_ = true;

  DatagramWalker walker(datagram.data(), datagram.size());
  DatagramEntry entry;
  while (walker.next(entry)) {
    if (entry.stream > 1) continue;
    MediaStream stream = MediaStream(entry.stream);
    PacketView bytes(datagram, entry.offset, entry.size);
    if (entry.whole()) {
      // A frame the pipeline does not take dies with the temporary.
      events_.frame(MediaFrame{entry.number + 1, entry.time, stream, std::move(bytes)});
      continue;
    }
    MediaFrame assembled;
    Fragment fragment{stream, entry.number, entry.fragment_index(), entry.last_fragment(),
                      entry.time, std::move(bytes)};
    if (fragments_.add(std::move(fragment), assembled)) events_.frame(std::move(assembled));
  }
}

// --- tick ---

void VtpClient::on_tick(uint32_t now) {
  if (in_tick_) return;
  in_tick_ = true;
  tick_body(now);
  in_tick_ = false;
}

void VtpClient::tick_body(uint32_t now) {
  ++ticks_;
  if (connecting_ && passed(now, connect_start_, kConnectTimeoutMs)) {
    reset();
    events_.error(kErrorTimeout);
    return;
  }
  if (has_bit(state_, 0x1000) && passed(now, request_time_, kRequestTimeoutMs)) {
    reset();
    events_.error(kErrorTimeout);
    return;
  }
  if (state_ == ProtocolState::streaming &&
      ((have_datagram_ && passed(now, last_datagram_, kDataTimeoutMs) &&
        events_.video_queue_empty()) ||
       (!have_datagram_ && passed(now, request_time_, kDataTimeoutMs)))) {
    events_.end_of_transmission();
    buffering_ = true;
    reset();
    events_.error(kErrorReceptionTimeout);
    last_datagram_ = now;
    return;
  }

  bool playing = (state_ == ProtocolState::streaming || state_ == ProtocolState::draining) &&
                 !buffering_;
  if (playing) events_.playback_tick(now);

  if (playing && ticks_ % kPurgeEveryTicks == 0) {
    uint32_t shown = events_.last_video_time_shown();
    if (shown > kPurgeLagMs) fragments_.purge(shown - kPurgeLagMs);
  }

  if (state_ == ProtocolState::streaming && loss_.report_due(now) && can_send())
    queue(loss_.take_report(now));

  if (state_ == ProtocolState::draining && events_.video_queue_empty() &&
      (!audio_expected() || events_.audio_queue_empty()) && !events_.audio_position_advancing()) {
    reset();
    events_.end_of_transmission();
    return;
  }

  if (now - last_interface_tick_ >= kInterfaceTickMs) {
    last_interface_tick_ = now;
    events_.interface_tick(now);
  }
}

}  // namespace qem
