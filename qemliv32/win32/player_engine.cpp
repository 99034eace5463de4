#include "qemliv32/win32/player_engine.h"

#include <mmsystem.h>

#include <algorithm>

#include "qemliv32/player_id.h"
#include "qemliv32/script_file.h"
#include "qemliv32/settings.h"
#include "qemliv32/win32/engine_flag.h"
#include "qemliv32/win32/engine_module.h"
#include "qemliv32/win32/message_shell.h"
#include "qemliv32/win32/setup_sheet.h"
#include "qemliv32/win32/system_settings.h"

extern "C" BOOL WINAPI mciDriverNotify(HANDLE callback, UINT device, UINT status);

namespace qem {

namespace {

RECT to_rect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

HBRUSH black_brush() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

// A handle given as a number: a window, or the same with its 16-bit halves
// swapped, or none.
HWND parent_window(HWND given) {
  if (!given) return NULL;
  if (IsWindow(given)) return given;
  uintptr_t v = reinterpret_cast<uintptr_t>(given) & 0xFFFFFFFFu;
  HWND swapped = reinterpret_cast<HWND>(((v & 0xFFFF) << 16) | (v >> 16));
  return IsWindow(swapped) ? swapped : NULL;
}

// Repaint's drawing on one device context.
class EnginePainter : public Painter {
 public:
  EnginePainter(HDC dc, HBITMAP idle, VideoDecoder* video, LogoAnimation& logo, HFONT font)
      : dc_(dc), idle_(idle), video_(video), logo_(logo), font_(font) {}

  void fill_black(const Rect& r) override {
    RECT rc = to_rect(r);
    FillRect(dc_, &rc, black_brush());
  }
  void draw_picture(const Rect& r, bool interlaced) override {
    if (video_) video_->draw(dc_, to_rect(r), interlaced, true);
  }
  void draw_idle_picture(const Rect& r) override {
    BITMAP info;
    if (!idle_ || !GetObjectA(idle_, sizeof info, &info)) return fill_black(r);
    HDC mem = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(mem, idle_);
    SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, r.left, r.top, r.width(), r.height(), mem, 0, 0, info.bmWidth, info.bmHeight,
               SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  void draw_logo(const Rect& r) override { logo_.draw(dc_, r); }
  void draw_bevel(const Rect& r) override {
    const int w = kBevelWidth;
    HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
    HBRUSH light = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
    RECT top = {r.left - w, r.top - w, r.right + w, r.top};
    RECT left = {r.left - w, r.top, r.left, r.bottom + w};
    RECT bottom = {r.left, r.bottom, r.right + w, r.bottom + w};
    RECT right = {r.right, r.top, r.right + w, r.bottom};
    FillRect(dc_, &top, shadow);
    FillRect(dc_, &left, shadow);
    FillRect(dc_, &bottom, light);
    FillRect(dc_, &right, light);
  }
  void draw_status_strip(const Rect& strip, const std::string& text) override {
    draw_status(dc_, font_, strip, text);
  }

  static void draw_status(HDC dc, HFONT font, const Rect& strip, const std::string& text) {
    RECT rc = to_rect(strip);
    FillRect(dc, &rc, black_brush());
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    rc.left += 2;
    DrawTextA(dc, text.c_str(), int(text.size()), &rc,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
  }

 private:
  HDC dc_;
  HBITMAP idle_;
  VideoDecoder* video_;
  LogoAnimation& logo_;
  HFONT font_;
};

}  // namespace

PlayerEngine* PlayerEngine::create(HWND parent, const std::string& script) {
  if (engine_exists()) {
    qem::show_server_message(kAlreadyInUse, kAlreadyInUseTitle);
    return nullptr;
  }
  return new PlayerEngine(parent, script);
}

PlayerEngine::PlayerEngine(HWND parent, const std::string& script)
    : store_(private_profile_store(kIniFileName)),
      core_(*this),
      transport_(core_.client(), store_),
      instance_(engine_module()) {
  set_engine_flag();
  parent_ = parent_window(parent);

  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = window_proc;
  wc.cbClsExtra = kEngineClassExtra;
  wc.cbWndExtra = kEngineWindowExtra;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = black_brush();
  wc.lpszClassName = kEngineWindowClass;
  RegisterClassA(&wc);

  Rect at = initial_own_window({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  DWORD style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
  style |= parent_ ? WS_CHILD : WS_POPUP;
  own_ = CreateWindowExA(0, kEngineWindowClass, kEngineWindowTitle, style, at.left, at.top,
                         at.width(), at.height(), parent_, NULL, instance_, this);
  use_output_window(own_);

  LOGFONTA lf = {};
  lf.lfHeight = -9;
  lf.lfWeight = FW_NORMAL;
  lstrcpyA(lf.lfFaceName, "Arial");
  status_font_ = CreateFontIndirectA(&lf);

  video_ = VideoDecoder::create();
  if (video_) audio_ = std::make_unique<AudioOutput>();
  logo_.load(instance_);
  idle_ = LoadBitmapA(instance_, MAKEINTRESOURCEA(kIdlePictureId));
  core_.create(video_ != nullptr && audio_ != nullptr, script);
}

PlayerEngine::~PlayerEngine() {
  clear_engine_flag();
  int stored = get_profile_int(store_, kSectionSettings, kKeyBandWidth, kDefaultBandWidthOnDestroy);
  int figure = core_.destroy(stored);
  video_.reset();
  audio_.reset();
  put_profile_int(store_, kSectionSettings, kKeyBandWidth, figure);
  release_output_dc();
  if (own_) {
    SetWindowLongPtrA(own_, 0, 0);
    DestroyWindow(own_);
  }
  own_ = NULL;
  UnregisterClassA(kEngineWindowClass, instance_);
  if (status_font_) DeleteObject(status_font_);
  if (idle_) DeleteObject(idle_);
}

// --- windows ---

LRESULT CALLBACK PlayerEngine::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* engine = reinterpret_cast<PlayerEngine*>(GetWindowLongPtrA(hwnd, 0));
  if (!engine) return DefWindowProcA(hwnd, msg, wp, lp);
  return engine->handle(hwnd, msg, wp, lp);
}

LRESULT PlayerEngine::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      EnginePainter painter(dc, idle_, video_.get(), logo_, status_font_);
      core_.paint(painter);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_CLOSE:
      core_.window_closed();
      return 0;
  }
  // Menu commands, help, double and right clicks serve the stand-alone
  // player's dialog, which is not there.
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void PlayerEngine::use_output_window(HWND window) {
  release_output_dc();
  output_ = window;
  if (!output_) return;
  output_dc_ = GetDC(output_);
  SetMapMode(output_dc_, MM_TEXT);
  SelectClipRgn(output_dc_, NULL);
}

void PlayerEngine::release_output_dc() {
  if (output_dc_) ReleaseDC(output_, output_dc_);
  output_dc_ = NULL;
}

void PlayerEngine::set_output_window(HWND window) {
  if (window) {
    if (own_) ShowWindow(own_, SW_HIDE);
    use_output_window(window);
    core_.set_hosted(true);
    return;
  }
  if (output_ != own_) use_output_window(own_);
  if (own_) ShowWindow(own_, SW_SHOW);
  core_.set_hosted(false);
  paint_now();
}

void PlayerEngine::set_output_window_state(int show_command) {
  if (output_) ShowWindow(output_, show_command);
}

void PlayerEngine::set_output_rect(const Rect& r) {
  if (core_.mode() == WindowMode::hosted) {
    core_.set_explicit_rect(r);
    return;
  }
  if (!output_) return;
  MoveWindow(output_, r.left, r.top, r.width(), r.height(), TRUE);
  paint_now();
}

void PlayerEngine::configure() {
  if (configuring_) return;
  configuring_ = true;
  run_setup_sheet(output_ ? output_ : parent_);
  configuring_ = false;
  core_.settings_changed();
}

// --- PlayerShell: transport, settings, files ---

int PlayerEngine::connect(const std::string& host, uint16_t port) {
  return transport_.connect(host, port);
}

PlayerSettings PlayerEngine::read_settings() {
  QemSettings s = load_settings(store_);
  PlayerSettings p;
  p.slide_mode = s.slide_mode;
  p.band_width = s.band_width;
  p.interlaced = s.interlaced;
  p.statistics = s.statistics;
  p.buffer_size = s.buffer_size;
  return p;
}

void PlayerEngine::ensure_player_id() {
  RuntimeRandom random;
  qem::ensure_player_id(store_, &system_guid_source(), random);
}

std::optional<std::string> PlayerEngine::read_script(const std::string& path) {
  return read_script_file(path);
}

void PlayerEngine::dispatch_one_message() {
  MSG msg;
  if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// --- PlayerShell: the output window ---

Rect PlayerEngine::output_client_rect() {
  RECT rc = {};
  if (output_) GetClientRect(output_, &rc);
  return {rc.left, rc.top, rc.right, rc.bottom};
}

void PlayerEngine::set_own_window_title(const std::string& text) {
  if (own_) SetWindowTextA(own_, text.c_str());
}

void PlayerEngine::paint_now() {
  if (!output_dc_) return;
  EnginePainter painter(output_dc_, idle_, video_.get(), logo_, status_font_);
  core_.paint(painter);
}

void PlayerEngine::invalidate(bool erase) {
  if (output_) InvalidateRect(output_, NULL, erase);
}

void PlayerEngine::draw_status_strip(const Rect& strip, const std::string& text) {
  if (output_dc_) EnginePainter::draw_status(output_dc_, status_font_, strip, text);
}

void PlayerEngine::draw_logo(const Rect& video) {
  if (output_dc_) logo_.draw(output_dc_, video);
}

void PlayerEngine::fill_black(const Rect& r) {
  if (!output_dc_) return;
  RECT rc = to_rect(r);
  FillRect(output_dc_, &rc, black_brush());
}

void PlayerEngine::bring_own_window_to_top() {
  if (own_) SetWindowPos(own_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void PlayerEngine::size_own_window(Size video, bool zoom) {
  if (!own_ || core_.mode() == WindowMode::hosted) return;
  RECT window, client;
  GetWindowRect(own_, &window);
  GetClientRect(own_, &client);
  Size s = own_window_size({window.right - window.left, window.bottom - window.top},
                           {client.right, client.bottom}, zoom, video);
  SetWindowPos(own_, NULL, 0, 0, s.width, s.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- PlayerShell: decoding and sound ---

std::optional<Size> PlayerEngine::prepare_video(const uint8_t* format, std::size_t n) {
  if (!video_) return std::nullopt;
  HDC screen = GetDC(NULL);
  int bpp = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(NULL, screen);
  if (!video_->prepare(format, n, bpp)) return std::nullopt;
  return Size{int(video_->width()), int(video_->height())};
}

int PlayerEngine::decode_video(const MediaFrame& frame, int flag) {
  return video_ ? video_->decode(frame.data(), frame.length(), flag) : -1;
}

void PlayerEngine::draw_picture(const Rect& r, bool interlaced, bool palette_allowed) {
  if (video_ && output_dc_) video_->draw(output_dc_, to_rect(r), interlaced, palette_allowed);
}

void PlayerEngine::close_video() {
  if (video_) video_->close();
}

bool PlayerEngine::open_audio(const uint8_t* format, std::size_t n, int buffer_size) {
  return audio_ && audio_->open(format, n, buffer_size);
}

bool PlayerEngine::play_audio(const MediaFrame& frame) { return audio_ && audio_->play(frame); }

void PlayerEngine::pause_audio() {
  if (audio_) audio_->pause();
}

void PlayerEngine::restart_audio() {
  if (audio_) audio_->restart();
}

void PlayerEngine::stop_audio() {
  if (audio_) audio_->stop();
}

bool PlayerEngine::audio_position_advancing() { return audio_ && audio_->position_advancing(); }

// --- PlayerShell: messages and notification ---

void PlayerEngine::show_error(int number) { qem::show_error(number); }

void PlayerEngine::show_system_message(const std::string& text) { qem::show_system_message(text); }

void PlayerEngine::show_server_message(const std::string& text, const std::string& title) {
  qem::show_server_message(text, title);
}

void PlayerEngine::notify_mci(uint32_t window, uint32_t device) {
  mciDriverNotify(reinterpret_cast<HANDLE>(uintptr_t(window)), device, MCI_NOTIFY_SUCCESSFUL);
}

void PlayerEngine::post_notify(uint32_t window) {
  PostMessageA(reinterpret_cast<HWND>(uintptr_t(window)), MM_MCINOTIFY, 0, 0);
}

}  // namespace qem
