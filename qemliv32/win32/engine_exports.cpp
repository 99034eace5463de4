// The engine's exported functions: a thin layer over PlayerEngine. Every
// function taking an engine does nothing when it is null.
#include <windows.h>

#include "qemliv32/player_geometry.h"
#include "qemliv32/win32/player_engine.h"

using qem::PlayerEngine;

namespace {
PlayerEngine* engine_of(void* engine) { return static_cast<PlayerEngine*>(engine); }
}  // namespace

extern "C" {

void* WINAPI QemCreate(HWND parent, const char* script) {
  return PlayerEngine::create(parent, qem::script_path_argument(script));
}

void WINAPI Open(void* engine, const char* script) {
  if (PlayerEngine* e = engine_of(engine)) e->core().open(qem::script_path_argument(script));
}

void WINAPI Play(void* engine) {
  if (PlayerEngine* e = engine_of(engine)) e->core().play();
}

void WINAPI PlayWithNotify(void* engine, HWND window, UINT value) {
  if (PlayerEngine* e = engine_of(engine))
    e->core().play_with_notify(uint32_t(reinterpret_cast<uintptr_t>(window)), value,
                               qem::NotifyKind::message);
}

void WINAPI PlayWithMCINotify(void* engine, HWND window, UINT device) {
  if (PlayerEngine* e = engine_of(engine))
    e->core().play_with_notify(uint32_t(reinterpret_cast<uintptr_t>(window)), device,
                               qem::NotifyKind::mci);
}

void WINAPI Stop(void* engine) {
  if (PlayerEngine* e = engine_of(engine)) e->core().stop();
}

void WINAPI Destroy(void* engine) { delete engine_of(engine); }

int WINAPI GetCurState(void* engine) {
  PlayerEngine* e = engine_of(engine);
  return e ? int(e->core().state()) : -1;
}

int WINAPI GetPos1000(void* engine) {
  PlayerEngine* e = engine_of(engine);
  return e ? e->core().position1000() : -1;
}

void WINAPI SetOutPutWindow(void* engine, HWND window) {
  if (PlayerEngine* e = engine_of(engine)) e->set_output_window(window);
}

void WINAPI SetOutPutWindowState(void* engine, int show_command) {
  if (PlayerEngine* e = engine_of(engine)) e->set_output_window_state(show_command);
}

void WINAPI SetOutPutRect(void* engine, int left, int top, int right,
                                                int bottom) {
  if (PlayerEngine* e = engine_of(engine)) e->set_output_rect({left, top, right, bottom});
}

void WINAPI GetOutPutRect(void* engine, int* left, int* top, int* right,
                                                int* bottom) {
  PlayerEngine* e = engine_of(engine);
  if (!e) return;
  qem::Rect r = e->core().output_rect();
  if (left) *left = r.left;
  if (top) *top = r.top;
  if (right) *right = r.right;
  if (bottom) *bottom = r.bottom;
}

void WINAPI Stretch(void* engine, BOOL on) {
  if (PlayerEngine* e = engine_of(engine)) e->core().set_stretch(on != FALSE);
}

void WINAPI SetZoom(void* engine, BOOL on) {
  if (PlayerEngine* e = engine_of(engine)) e->core().set_zoom(on != FALSE);
}

void WINAPI ShowMsg(void* engine, const char* text) {
  if (PlayerEngine* e = engine_of(engine)) e->core().show_message(text ? text : "");
}

void WINAPI Update(void* engine) {
  if (PlayerEngine* e = engine_of(engine)) e->update();
}

void WINAPI Configure(void* engine) {
  if (PlayerEngine* e = engine_of(engine)) e->configure();
}

}  // extern "C"
