#include "detector/win32/settings/settings_sheet.h"

#include "common/win32/dialog.h"
#include "detector/general_page.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/help.h"
#include "detector/win32/settings/pages.h"

namespace detector {

namespace {
// Set for the whole run, not only once the information page has been
// created: a sheet opened at another page must refuse a second one too.
bool g_open = false;
}  // namespace

HIMAGELIST load_page_images(const UINT* bitmaps, int count) {
  HIMAGELIST list = NULL;
  for (int i = 0; i < count; ++i) {
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(g_app.resources, MAKEINTRESOURCEA(bitmaps[i]), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!picture) return list;
    if (!list) {
      BITMAP info;
      GetObjectA(picture, sizeof info, &info);
      list = ImageList_Create(info.bmWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, count, 0);
    }
    // The pictures are drawn on the mask colour.
    if (list) ImageList_AddMasked(list, picture, DETRES_IMAGE_MASK);
    DeleteObject(picture);
  }
  return list;
}

bool settings_sheet_open() { return g_open; }

SettingsPage::SettingsPage(int number, UINT template_id, UINT title_id)
    : PropertyPage(g_app.resources, template_id, resource_string(title_id)), number_(number) {}

void SettingsPage::on_help_button() { show_help(hwnd(), HELP_CONTEXT, help_topic(number_, 0)); }

bool SettingsPage::on_help(const HELPINFO& info) {
  if (info.iContextType != HELPINFO_WINDOW) return false;
  uint32_t topic = help_topic(number_, info.iCtrlId);
  if (topic == 0) topic = help_topic(number_, 0);
  show_help(hwnd(), HELP_CONTEXT, topic);
  return true;
}

int SettingsPage::box(UINT text_id, UINT flags) {
  return resource_box(sheet(), text_id, IDS_DETECTOR_CAPTION, flags);
}

void run_settings_sheet(HWND owner, int start_page) {
  if (g_open) return;
  g_open = true;
  {
    InfoPage info;
    GeneralPage general;
    PlayersPage players;
    LaunchPage launch;

    halvo::Sheet sheet(g_app.resources, resource_string(IDS_SHEET_CAPTION));
    sheet.set_icon(g_app.icon);
    sheet.set_flags(PSH_NOAPPLYNOW | PSH_HASHELP);
    sheet.set_start_page(start_page);
    sheet.add_page(info, PSP_HASHELP);
    sheet.add_page(general, PSP_HASHELP);
    sheet.add_page(players, PSP_HASHELP);
    sheet.add_page(launch, PSP_HASHELP);
    sheet.run(owner);
  }
  g_open = false;
}

}  // namespace detector
