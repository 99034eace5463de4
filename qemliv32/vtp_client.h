// VtpClient: the client side of the video transport protocol, without I/O.
// It takes control bytes, datagrams and the tick count, and gives back bytes
// to write on the control connection, a request to disconnect, and upcalls
// to the engine through VtpEvents.
//
// How an adapter drives it (all on one thread; `now` is the millisecond tick
// count, compared wrap-safe):
//
//   connect(host, port) returned 0    -> client.on_connect_started(now, local_data_port)
//   TCP connect completed             -> client.on_connected(now, details)   // handshake
//   TCP bytes read                    -> client.on_control_bytes(p, n, now)
//   UDP datagram read                 -> client.on_datagram(p, n, now)
//                                        (or on_datagram(PacketBuffer, now) when read
//                                         straight into a PacketBuffer of the data channel)
//   TCP closed by the server          -> client.on_socket_closed(now)
//   every 33 ms                       -> client.on_tick(now)
//   after each of the calls above     -> append client.take_output() to the TCP send
//                                        queue (partial writes are the adapter's);
//                                        if client.disconnect_requested(): close both
//                                        sockets, drop unsent bytes, then call
//                                        client.on_socket_closed(now), which clears the
//                                        request and does nothing more.
//
// A connect failure (codes 1-10) never reaches the client, nor does a connect
// event with an error (on_socket_closed is ignored while connecting): the
// connect time-out (30000 ms, error 9) is the client's, decided in on_tick.
//
// The engine calls send_slide_mode() and send_play_request() from its
// connected() upcall, send_command()/send_code() when it likes, lag_signal()
// from playback, and reset() for Stop. Upcalls may call back into the client,
// but the client must not be destroyed inside one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qemliv32/control_stream.h"
#include "qemliv32/fragment_list.h"
#include "qemliv32/lag_notice.h"
#include "qemliv32/loss_reporter.h"
#include "qemliv32/media_frame.h"
#include "qemliv32/messages.h"  // kErrorReceptionTimeout
#include "qemliv32/vtp_message.h"

namespace qem {

// ProtocolState: the 0x1000 bit waits for the server's answer, the 0x2 bit
// streams.
enum class ProtocolState : uint32_t {
  idle = 0,
  requested = 0x1002,
  streaming = 2,
  draining = 4,
};

constexpr uint32_t kTickIntervalMs = 33;
constexpr uint32_t kConnectTimeoutMs = 30000;
constexpr uint32_t kRequestTimeoutMs = 30000;  // error 9
constexpr uint32_t kDataTimeoutMs = 30000;     // error 15
constexpr uint32_t kMinBufferMs = 7500;
constexpr uint32_t kPurgeEveryTicks = 100;
constexpr uint32_t kPurgeLagMs = 1000;
constexpr uint32_t kInterfaceTickMs = 100;
constexpr uint32_t kKindLiftsFirstDatagramRule = 6;
constexpr uint32_t kMaxFirstSequence = 4;

// Error numbers the client raises besides the CODE ones.
constexpr int kErrorTimeout = 9;


// What the handshake reads from QEMPLAY.INI (the adapter fills it from the
// settings reader at connect completion). Texts longer than 255 characters
// are cut; a BufferSize below 7501 counts as 7500.
struct HandshakeDetails {
  std::string name = "User unknown";
  std::string company = "Company unknown";
  std::string email = "EMail unknown";
  uint32_t buffer_size_ms = 7500;
  std::string player_id;  // "Player ID" of "User Details", for the IDENTITY reply
};

// The engine side of the client: upcalls and the state queries the tick needs.
class VtpEvents {
 public:
  virtual ~VtpEvents() = default;

  // Reception progress in percent (0 when a stream starts, 100 when playback is about to start).
  virtual void progress(int percent) = 0;
  // An error number (1-18): CODE errors, 9 and 15 raised by the client.
  virtual void error(int number) = 0;
  // The handshake is done: show "Connected."/"Requesting...", then send
  // SLIDE_MODE and the play request.
  virtual void connected() = 0;
  // Every reset ends here (Stop, errors, time-outs, end of stream): the
  // connection is gone, the state is idle; empty the frame queues.
  virtual void disconnected() = 0;
  // STREAM_INFO: kind 0 is an audio format block, any other kind video. The
  // bytes are valid during the call only.
  virtual void stream_format(uint32_t kind, const uint8_t* format, std::size_t n) = 0;
  // STREAM_INFO has been handled: reception starts (seed, progress 0).
  virtual void reception_started(uint32_t now) = 0;
  // A SERVER_TEXT whose action is 1-6 (others are dropped by the client).
  virtual void server_text(const ServerText& text) = 0;
  virtual void end_of_transmission() = 0;
  // Buffering has ended: start playback (first step, audio lead).
  virtual void start_playback(uint32_t now) = 0;
  // A frame from the data channel; true when the pipeline took it. A frame
  // not taken is released by the client.
  virtual bool frame(MediaFrame&& frame) = 0;
  // The control stream lost its framing; show the text. The client stops the
  // stream and asks to disconnect by itself.
  virtual void fatal(std::string_view text) = 0;

  // Tick work of the engine: the playback steps (in Streaming and Draining,
  // not while buffering) and, every 100 ms or more, the interface tick.
  virtual void playback_tick(uint32_t now) = 0;
  virtual void interface_tick(uint32_t now) = 0;

  // Queries for the tick.
  virtual bool video_queue_empty() = 0;
  virtual bool audio_queue_empty() = 0;
  // Whether the audio output position changed since the last call (and is not 0).
  virtual bool audio_position_advancing() = 0;
  // Time (ms, stream time) of the last video frame shown.
  virtual uint32_t last_video_time_shown() = 0;
};

class VtpClient {
 public:
  explicit VtpClient(VtpEvents& events) : events_(events) {}
  VtpClient(const VtpClient&) = delete;
  VtpClient& operator=(const VtpClient&) = delete;

  // --- from the adapter ---
  // Play has started a connection (sockets made, connect in progress). Also
  // the per-play reset of the client: buffering on, first-datagram rule
  // armed, server version and kind unknown, lag-notice counter cleared.
  void on_connect_started(uint32_t now, uint32_t local_data_port);
  // The control connection is up: runs the handshake.
  void on_connected(uint32_t now, const HandshakeDetails& details);
  void on_control_bytes(const uint8_t* data, std::size_t n, uint32_t now);
  void on_datagram(const uint8_t* data, std::size_t n, uint32_t now);
  void on_datagram(PacketBuffer datagram, uint32_t now);
  void on_socket_closed(uint32_t now);
  void on_tick(uint32_t now);

  // Bytes to write on the control connection, oldest first; moved out.
  std::vector<uint8_t> take_output();
  bool has_output() const { return !output_.empty(); }
  // The client wants both sockets closed (after reset, errors, lost sync),
  // until on_socket_closed or the next on_connect_started.
  bool disconnect_requested() const { return disconnect_requested_; }

  // --- from the engine ---
  // Only in Idle with a connection: sends OPEN, state Requested. False otherwise.
  bool send_play_request(std::string_view path, uint32_t bandwidth, uint32_t now);
  bool send_slide_mode(uint32_t slide_mode);
  bool send_command(std::string_view text);  // "pause", "step", "rewind"
  bool send_code(uint32_t code);
  // Playback's lag signal; may send NOTICE 10.
  void lag_signal(uint32_t now);
  // Stops everything: state idle, queues, reports and fragments cleared,
  // disconnect requested when connected, then disconnected().
  void reset();

  // --- state ---
  ProtocolState state() const { return state_; }
  bool buffering() const { return buffering_; }
  bool connecting() const { return connecting_; }
  uint32_t request_time() const { return request_time_; }
  std::optional<uint32_t> last_datagram_time() const {
    return have_datagram_ ? std::optional<uint32_t>(last_datagram_) : std::nullopt;
  }
  uint32_t playback_start_time() const { return playback_start_; }
  uint32_t local_data_port() const { return data_port_; }
  const std::string& path() const { return path_; }
  // From the server's IDENTITY; none until one arrives in this play.
  std::optional<uint32_t> server_version() const { return server_version_; }
  std::optional<uint32_t> server_kind() const { return server_kind_; }
  // Version above 256 and n of 4 or more: the strict loss checks of playback.
  bool strict_loss() const { return strict_loss_; }
  bool stream_has_video() const { return has_video_; }
  // SERVER_TEXT's no-audio bit was seen: the end-of-stream test ignores audio.
  bool audio_expected() const { return !no_audio_; }
  // From STREAM_INFO; none until known.
  std::optional<uint32_t> stream_length() const { return stream_length_; }
  const LossReporter& loss_reporter() const { return loss_; }
  const FragmentList& fragments() const { return fragments_; }

 private:
  bool can_send() const { return connection_open_ && !connecting_; }
  void queue(const std::vector<uint8_t>& bytes);
  void dispatch(const PacketBuffer& message, uint32_t now);
  void handle_code(uint32_t code, uint32_t now);
  void handle_stream_info(const StreamInfo& info, uint32_t now);
  void handle_server_text(ServerText text);
  void handle_identity(const IdentityInfo& identity);
  void lose_sync();
  void stop_with_error(int number);
  void end_buffering(uint32_t now);
  void socket_closed_handling(uint32_t now);
  void tick_body(uint32_t now);

  VtpEvents& events_;
  ControlStreamReader reader_;
  std::vector<uint8_t> output_;
  bool connection_open_ = false;
  bool connecting_ = false;
  bool disconnect_requested_ = false;
  uint32_t connect_start_ = 0;
  uint32_t data_port_ = 0;
  HandshakeDetails details_;

  ProtocolState state_ = ProtocolState::idle;
  bool buffering_ = false;
  uint32_t request_time_ = 0;
  bool have_datagram_ = false;
  uint32_t last_datagram_ = 0;
  uint32_t playback_start_ = 0;
  std::string path_;

  std::optional<uint32_t> server_version_;
  std::optional<uint32_t> server_kind_;
  bool strict_loss_ = false;
  bool has_video_ = false;
  bool no_audio_ = false;
  std::optional<uint32_t> stream_length_;
  bool first_datagram_accepted_ = false;

  LossReporter loss_;
  FragmentList fragments_;
  LagNotice lag_;
  bool in_tick_ = false;
  uint32_t ticks_ = 0;
  uint32_t last_interface_tick_ = 0;
};

}  // namespace qem
