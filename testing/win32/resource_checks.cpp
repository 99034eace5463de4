#include "testing/win32/resource_checks.h"

#include <commctrl.h>

#include <string.h>

#include "testing/win32/driver.h"

namespace itest {

namespace {

const DWORD kButtonType = 0x0F;  // BS_TYPEMASK

#pragma pack(push, 2)
struct IconGroupEntry {  // GRPICONDIRENTRY
  BYTE width, height, colours, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

INT_PTR CALLBACK plain_dialog(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

}  // namespace

std::string beside_test(const char* name) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1) + name;
}

void ResourceLibraryTest::SetUp() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  dll_ = LoadLibraryA(path().c_str());
  ASSERT_TRUE(dll_ != NULL) << path() << " error " << GetLastError();
}

void ResourceLibraryTest::TearDown() {
  if (dll_) FreeLibrary(dll_);
}

std::string ResourceLibraryTest::string(UINT id) {
  char text[1024];
  int n = LoadStringA(dll_, id, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

std::pair<const BYTE*, DWORD> ResourceLibraryTest::data(LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(dll_, name, type);
  if (!found) return {nullptr, 0};
  HGLOBAL loaded = LoadResource(dll_, found);
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(dll_, found)};
}

HWND ResourceLibraryTest::create_dialog(int id, HWND owner) {
  return CreateDialogParamA(dll_, MAKEINTRESOURCEA(id), owner, plain_dialog, 0);
}

void expect_resources_only(HMODULE dll, const char* name) {
  auto base = reinterpret_cast<const BYTE*>(dll);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  EXPECT_EQ(0u, nt->OptionalHeader.AddressOfEntryPoint);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.Size) {
    auto first = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    EXPECT_EQ(0u, first->Name) << name << " imports a library";
  }
  EXPECT_NE(0, nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
}

ParentWindow::ParentWindow() {
  window_ = CreateWindowExA(0, "STATIC", "resource test", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                            NULL, NULL, GetModuleHandleA(NULL), NULL);
}

ParentWindow::~ParentWindow() { DestroyWindow(window_); }

HWND expect_control(HWND dialog, int id, const char* window_class, DWORD style_mask,
                    DWORD style) {
  HWND control = GetDlgItem(dialog, id);
  EXPECT_TRUE(control != NULL) << "control " << id;
  if (!control) return NULL;
  EXPECT_EQ(0, lstrcmpiA(window_class, class_of(control).c_str()))
      << "control " << id << " is a " << class_of(control);
  DWORD s = GetWindowLongA(control, GWL_STYLE);
  // Tree and list views trade a plain border for the sunken edge.
  if (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) s |= WS_BORDER;
  EXPECT_EQ(style, s & style_mask) << "control " << id << " style " << std::hex << s;
  return control;
}

void expect_text_fits(HWND control, int dialog_id) {
  std::string cls = class_of(control), text = text_of(control);
  if (text.empty()) return;
  DWORD style = GetWindowLongA(control, GWL_STYLE);
  RECT room;
  GetClientRect(control, &room);
  int extra = 0;
  UINT format = DT_CALCRECT | (style & SS_NOPREFIX ? DT_NOPREFIX : 0);
  if (lstrcmpiA(cls.c_str(), "Static") == 0) {
    if ((style & SS_TYPEMASK) > SS_RIGHT) return;  // icons and frames
    format |= DT_WORDBREAK;
  } else if (lstrcmpiA(cls.c_str(), "Button") == 0) {
    format = DT_CALCRECT | DT_SINGLELINE;
    switch (style & kButtonType) {
      case BS_OWNERDRAW: return;  // its text names a picture
      case BS_PUSHBUTTON: case BS_DEFPUSHBUTTON: extra = 8; break;
      case BS_GROUPBOX: extra = 16; break;
      default: extra = GetSystemMetrics(SM_CXMENUCHECK) + 4; break;
    }
  } else {
    return;
  }
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
  RECT need = {0, 0, room.right - extra, 0};
  DrawTextA(dc, text.c_str(), -1, &need, format);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  EXPECT_LE(need.right + extra, room.right)
      << "dialog " << dialog_id << ", \"" << text << "\" is too wide";
  if (format & DT_WORDBREAK) {
    EXPECT_LE(need.bottom, room.bottom)
        << "dialog " << dialog_id << ", \"" << text << "\" needs more lines";
  }
}

void expect_children_fit(HWND dialog, int dialog_id) {
  RECT client;
  GetClientRect(dialog, &client);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << "control " << GetDlgCtrlID(child) << " \"" << text_of(child) << "\" at " << r.left
        << "," << r.top << "-" << r.right << "," << r.bottom << " outside " << client.right
        << "x" << client.bottom;
    expect_text_fits(child, dialog_id);
  }
}

void expect_icon_sizes(HMODULE dll, UINT id, std::initializer_list<int> sizes) {
  HRSRC found = FindResourceA(dll, MAKEINTRESOURCEA(id), (LPCSTR)RT_GROUP_ICON);
  ASSERT_TRUE(found != NULL) << "icon " << id;
  auto group = static_cast<const BYTE*>(LockResource(LoadResource(dll, found)));
  ASSERT_TRUE(group != nullptr) << "icon " << id;
  WORD count = reinterpret_cast<const WORD*>(group)[2];
  ASSERT_GE(SizeofResource(dll, found), 6u + count * sizeof(IconGroupEntry)) << "icon " << id;
  auto entries = reinterpret_cast<const IconGroupEntry*>(group + 6);
  for (int size : sizes) {
    bool found_size = false;
    for (WORD i = 0; i < count; ++i) {
      found_size |= entries[i].width == size && entries[i].height == size;
      // More colours than 256 show only on later systems.
      EXPECT_LE(entries[i].bits, 8) << "icon " << id;
    }
    EXPECT_TRUE(found_size) << "icon " << id << " has no " << size << "x" << size << " image";
    HICON icon = (HICON)LoadImageA(dll, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0);
    EXPECT_TRUE(icon != NULL) << "icon " << id << " at " << size;
    if (icon) DestroyIcon(icon);
  }
}

const BITMAPINFOHEADER* expect_palette_bitmap(std::pair<const BYTE*, DWORD> bits,
                                              DWORD most_colours) {
  EXPECT_GE(bits.second, sizeof(BITMAPINFOHEADER));
  if (!bits.first || bits.second < sizeof(BITMAPINFOHEADER)) return nullptr;
  auto header = reinterpret_cast<const BITMAPINFOHEADER*>(bits.first);
  EXPECT_EQ(8, header->biBitCount);
  EXPECT_EQ(DWORD(BI_RGB), header->biCompression);
  DWORD colours = colour_count(*header);
  EXPECT_LE(colours, most_colours);
  DWORD stride = (header->biWidth + 3) & ~3u;
  EXPECT_GE(bits.second, header->biSize + colours * sizeof(RGBQUAD) + stride * header->biHeight)
      << "colour table and pixels";
  if (colours > 256 || bits.second < header->biSize + colours * sizeof(RGBQUAD)) return header;
  // A table of many distinct colours, not a blank one.
  auto table = reinterpret_cast<const RGBQUAD*>(bits.first + header->biSize);
  int distinct = 0;
  for (DWORD i = 1; i < colours; ++i)
    distinct += memcmp(&table[i], &table[i - 1], sizeof(RGBQUAD)) != 0;
  EXPECT_GT(distinct, 16) << "a colour table of many colours";
  return header;
}

}  // namespace itest
