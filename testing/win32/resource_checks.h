// What the tests of the programs' resource libraries share: the library
// loaded beside the test, its strings and raw resources, and the checks
// every library's dialogs, icons and palette bitmaps must pass.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace itest {

// A file in the test executable's own folder.
std::string beside_test(const char* name);

// Loads the library for each test, with the common controls its dialogs use.
class ResourceLibraryTest : public ::testing::Test {
 protected:
  explicit ResourceLibraryTest(const char* name) : name_(name) {}
  void SetUp() override;
  void TearDown() override;

  std::string path() const { return beside_test(name_); }
  std::string string(UINT id);
  // The resource's bytes, or an empty span.
  std::pair<const BYTE*, DWORD> data(LPCSTR name, LPCSTR type);
  std::pair<const BYTE*, DWORD> data(UINT id, LPCSTR type) {
    return data(MAKEINTRESOURCEA(id), type);
  }
  // The dialog template made into a modeless dialog that does nothing.
  HWND create_dialog(int id, HWND owner);

  const char* name_;
  HMODULE dll_ = NULL;
};

// No entry point and no imports: loading the library runs nothing.
void expect_resources_only(HMODULE dll, const char* name);

// A hidden top-level window: the sheet a page sits in, the owner of a box.
class ParentWindow {
 public:
  ParentWindow();
  ~ParentWindow();
  ParentWindow(const ParentWindow&) = delete;
  ParentWindow& operator=(const ParentWindow&) = delete;
  HWND window() const { return window_; }

 private:
  HWND window_;
};

// The control with this id is of this class, and the bits of its style in
// style_mask equal style; the control, or null when it is missing.
HWND expect_control(HWND dialog, int id, const char* window_class, DWORD style_mask,
                    DWORD style);
// A label, check box, radio button or push button whose text needs more
// room than its control has (in the dialog's own font) is drawn cut off.
void expect_text_fits(HWND control, int dialog_id);
// Nothing sticks out of the dialog, and every text has its room.
void expect_children_fit(HWND dialog, int dialog_id);

// The icon group holds an image of each size, of 256 colours at most, and
// each size loads.
void expect_icon_sizes(HMODULE dll, UINT id, std::initializer_list<int> sizes);

// An uncompressed 8-bit bitmap whose colour table, of most_colours entries
// at most and many distinct colours, a palette is made from; its header,
// or null when the resource is too short to hold one.
const BITMAPINFOHEADER* expect_palette_bitmap(std::pair<const BYTE*, DWORD> bits,
                                              DWORD most_colours);
// The entries of a bitmap's colour table: the used-colour field, or all 256.
inline DWORD colour_count(const BITMAPINFOHEADER& header) {
  return header.biClrUsed ? header.biClrUsed : 256;
}

}  // namespace itest
