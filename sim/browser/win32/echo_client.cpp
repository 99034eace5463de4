#include "sim/browser/win32/echo_client.h"

#include <dde.h>

#include <cstddef>
#include <cstring>

namespace browser {
namespace {

const char kClassName[] = "HalvoBrowserEcho";
const UINT kSendNext = WM_APP + 2;
const UINT_PTR kAckTimer = 1;
// As long as DDEML's own connect waits for one window.
const UINT kInitiateTimeoutMs = 2000;
const WORD kAckPositive = 0x8000;  // DDEACK.fAck

}  // namespace

EchoClient::~EchoClient() { close(); }

bool EchoClient::create(HINSTANCE instance) {
  WNDCLASSEXA window_class = {};
  window_class.hInstance = instance;
  window_class.lpszClassName = kClassName;
  if (!register_class(window_class)) return false;
  return Window::create(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance) != NULL;
}

bool EchoClient::connect() {
  if (server_) return true;
  // A client connecting to us during our own broadcast asks again.
  if (connecting_) return false;
  const ATOM service = GlobalAddAtomA(kEchoService);
  const ATOM topic = GlobalAddAtomA(kEchoTopic);
  connecting_ = true;
  SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(hwnd()),
                      MAKELPARAM(service, topic), SMTO_ABORTIFHUNG, kInitiateTimeoutMs, NULL);
  connecting_ = false;
  GlobalDeleteAtom(service);
  GlobalDeleteAtom(topic);
  log_.write(log_.line("echo-connect").text("result", server_ ? "connected" : "none"));
  return server_ != NULL;
}

void EchoClient::echo(const std::string& url) {
  queue_.push_back(url);
  PostMessageA(hwnd(), kSendNext, 0, 0);
}

void EchoClient::close() {
  if (in_flight_) finish("unanswered");
  if (server_ && hwnd())
    PostMessageA(server_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd()), 0);
  server_ = NULL;
}

LRESULT EchoClient::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DDE_ACK:
      if (connecting_ && InSendMessage())
        on_initiate_ack(reinterpret_cast<HWND>(wparam), lparam);
      else
        on_poke_ack(reinterpret_cast<HWND>(wparam), lparam);
      return 0;
    case WM_DDE_TERMINATE:
      on_terminate(reinterpret_cast<HWND>(wparam));
      return 0;
    case WM_TIMER:
      if (wparam == kAckTimer && in_flight_) {
        // Not freed: the partner may read it yet.
        data_ = NULL;
        finish("unanswered");
      }
      return 0;
    case kSendNext:
      send_next();
      return 0;
  }
  return default_handle(message, wparam, lparam);
}

void EchoClient::on_initiate_ack(HWND server, LPARAM atoms) {
  // The answer to the initiate carries its atoms unpacked; they are ours to
  // delete. A second server is told goodbye at once.
  GlobalDeleteAtom(LOWORD(atoms));
  GlobalDeleteAtom(HIWORD(atoms));
  if (!server_)
    server_ = server;
  else
    PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd()), 0);
}

void EchoClient::on_poke_ack(HWND server, LPARAM lparam) {
  UINT_PTR status = 0, item = 0;
  UnpackDDElParam(WM_DDE_ACK, lparam, &status, &item);
  FreeDDElParam(WM_DDE_ACK, lparam);
  char name[kMaxItem + 1] = "";
  if (item) {
    GlobalGetAtomNameA(static_cast<ATOM>(item), name, sizeof name);
    GlobalDeleteAtom(static_cast<ATOM>(item));
  }
  // A late answer to an echo already given up is not this one's.
  if (server != server_ || !in_flight_ || current_.item != name) return;
  // fRelease is not set: the data is ours again whatever the answer.
  if (data_) GlobalFree(data_);
  data_ = NULL;
  finish((status & kAckPositive) ? "accepted" : "refused");
}

void EchoClient::on_terminate(HWND server) {
  if (server != server_) return;
  PostMessageA(server_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd()), 0);
  server_ = NULL;
  log_.write(log_.line("echo-connect").text("result", "terminated"));
  if (in_flight_) finish("disconnected");
}

void EchoClient::send_next() {
  while (!in_flight_ && !queue_.empty()) {
    current_ = url_echo(queue_.front(), flood_);
    queue_.pop_front();
    in_flight_ = true;
    // No connecting from here: the partner may be waiting in a transaction
    // or a disconnect, which serve no sent message. Every transaction comes
    // with a connect, and that one opens the conversation (DdeServer).
    if (!server_) {
      finish("no-connection");
    } else if (post_poke()) {
      SetTimer(hwnd(), kAckTimer, kAckTimeoutMs, NULL);
    } else {
      // The partner went without a word.
      server_ = NULL;
      finish("failed");
    }
  }
}

bool EchoClient::post_poke() {
  const std::size_t size = current_.data.size() + 1;
  data_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, offsetof(DDEPOKE, Value) + size);
  DDEPOKE* poke = data_ ? static_cast<DDEPOKE*>(GlobalLock(data_)) : NULL;
  if (!poke) {
    if (data_) GlobalFree(data_);
    data_ = NULL;
    return false;
  }
  std::memset(poke, 0, offsetof(DDEPOKE, Value));
  poke->cfFormat = CF_TEXT;
  std::memcpy(poke->Value, current_.data.c_str(), size);
  GlobalUnlock(data_);
  const ATOM item = GlobalAddAtomA(current_.item.c_str());
  const LPARAM lparam = PackDDElParam(WM_DDE_POKE, reinterpret_cast<UINT_PTR>(data_), item);
  if (item && PostMessageA(server_, WM_DDE_POKE, reinterpret_cast<WPARAM>(hwnd()), lparam))
    return true;
  FreeDDElParam(WM_DDE_POKE, lparam);
  if (item) GlobalDeleteAtom(item);
  GlobalFree(data_);
  data_ = NULL;
  return false;
}

void EchoClient::finish(const char* result) {
  KillTimer(hwnd(), kAckTimer);
  in_flight_ = false;
  log_.write(log_.line("echo")
                 .text("item", current_.item)
                 .text("data", current_.data)
                 .text("result", result));
  if (!queue_.empty()) PostMessageA(hwnd(), kSendNext, 0, 0);
}

}  // namespace browser
