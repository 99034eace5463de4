#include "detector/win32/detector_app.h"

namespace detector {

App g_app;

std::string resource_string(UINT id) {
  if (!g_app.resources) return std::string();
  char text[4096];
  int length = LoadStringA(g_app.resources, id, text, sizeof text);
  return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

int resource_box(HWND owner, UINT text_id, UINT caption_id, UINT flags) {
  return MessageBoxA(owner, resource_string(text_id).c_str(), resource_string(caption_id).c_str(), flags);
}

}  // namespace detector
