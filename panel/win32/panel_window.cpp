#include "panel/win32/panel_window.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <optional>
#include <vector>

#include "panel/mcures_ids.h"
#include "panel/win32/about_dialog.h"

namespace {

const char kSuiteKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";
const char kHelpFile[] = "mmcu.hlp";

struct ControlPlace {
    int id;
    int x, y;
    int width, height;  // 0: the control sizes itself to its picture
    UINT tip;
};

// Where each control sits in the panel, and its tooltip.
const ControlPlace kPlaces[] = {
    {IDC_POWER, 6, 6, 0, 0, IDS_TIP_POWER},
    {IDC_PLAY_LIST, 6, 20, 0, 0, IDS_TIP_PLAY_LIST},
    {IDC_PREVIOUS, 264, 6, 0, 0, IDS_TIP_PREVIOUS},
    {IDC_PAUSE, 264, 20, 0, 0, IDS_TIP_PAUSE},
    {IDC_SKIP_BACK, 289, 6, 0, 0, IDS_TIP_SKIP_BACK},
    {IDC_PLAY, 289, 20, 0, 0, IDS_TIP_PLAY},
    {IDC_SKIP_FORWARD, 314, 6, 0, 0, IDS_TIP_SKIP_FORWARD},
    {IDC_STOP, 314, 20, 0, 0, IDS_TIP_STOP},
    {IDC_NEXT, 339, 6, 0, 0, IDS_TIP_NEXT},
    {IDC_EJECT, 339, 20, 0, 0, IDS_TIP_EJECT},
    {IDC_REPEAT, 36, 10, 22, 9, IDS_TIP_REPEAT},
    {IDC_DISC_TYPE, 59, 10, 22, 9, IDS_TIP_DISC_TYPE},
    {IDC_MUTE, 82, 10, 22, 9, IDS_TIP_MUTE},
    {IDC_VOLUME, 37, 23, 68, 3, IDS_TIP_VOLUME},
};

// The bitmap buttons, in the order of PanelWindow::buttons_.
const int kButtonIds[10] = {IDC_POWER, IDC_PLAY_LIST, IDC_PREVIOUS, IDC_PAUSE, IDC_SKIP_BACK,
                            IDC_PLAY, IDC_SKIP_FORWARD, IDC_STOP, IDC_NEXT, IDC_EJECT};

panel::Rect to_rect(const RECT& r) { return panel::Rect{r.left, r.top, r.right, r.bottom}; }

// The colour table of a resource bitmap as a logical palette; null for a
// bitmap without one.
HPALETTE palette_of(HINSTANCE module, UINT id)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    HGLOBAL loaded = found != NULL ? LoadResource(module, found) : NULL;
    const BITMAPINFOHEADER* header = loaded != NULL ? (const BITMAPINFOHEADER*)LockResource(loaded) : NULL;
    if (header == NULL || SizeofResource(module, found) < sizeof *header)
        return NULL;
    DWORD colours = header->biClrUsed;
    if (colours == 0) {
        switch (header->biBitCount) {
        case 1: colours = 2; break;
        case 4: colours = 16; break;
        case 8: colours = 256; break;
        default: colours = 0; break;
        }
    }
    if (colours == 0 || colours > 256 ||
        SizeofResource(module, found) < header->biSize + colours * sizeof(RGBQUAD))
        return NULL;
    const RGBQUAD* table = (const RGBQUAD*)((const BYTE*)header + header->biSize);
    std::vector<BYTE> block(sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
    LOGPALETTE* logical = (LOGPALETTE*)block.data();
    logical->palVersion = 0x300;
    logical->palNumEntries = (WORD)colours;
    for (DWORD i = 0; i < colours; ++i) {
        logical->palPalEntry[i].peRed = table[i].rgbRed;
        logical->palPalEntry[i].peGreen = table[i].rgbGreen;
        logical->palPalEntry[i].peBlue = table[i].rgbBlue;
        logical->palPalEntry[i].peFlags = 0;
    }
    return CreatePalette(logical);
}

}  // namespace

PanelWindow::PanelWindow(HINSTANCE resources)
    : resources_(resources),
      registry_(HKEY_CURRENT_USER),
      panel_(mci_, *this, remote_, folders_, registry_)
{
    led_.set_colours(RGB(0, 255, 255), RGB(0, 0, 0), RGB(0, 0, 0));
}

PanelWindow::~PanelWindow()
{
    if (hwnd() != NULL)
        DestroyWindow(hwnd());
}

void PanelWindow::run(const std::string& command_line)
{
    command_line_ = command_line;
    if (create(resources_, IDD_PANEL, NULL) == NULL)
        return;
    MSG msg;
    while (!ended_ && GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (pretranslate(msg))
            continue;
        if (hwnd() != NULL && IsDialogMessageA(hwnd(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PanelWindow::pretranslate(MSG& msg)
{
    HWND panel = hwnd();
    if (panel == NULL || (msg.hwnd != panel && !IsChild(panel, msg.hwnd)))
        return false;
    if (tooltip_ != NULL && msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
        SendMessageA(tooltip_, TTM_RELAYEVENT, 0, (LPARAM)&msg);
    // The keyboard cannot end the panel: Enter and Escape go nowhere.
    bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR;
    return key && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE);
}

BOOL PanelWindow::on_init_dialog()
{
    icon_ = LoadIconA(resources_, MAKEINTRESOURCEA(IDI_PANEL));
    cursor_ = LoadCursorA(resources_, MAKEINTRESOURCEA(IDCUR_INDICATOR));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, (LPARAM)icon_);
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, (LPARAM)icon_);
    load_face();
    lay_out_controls();
    for (int i = 0; i < 10; ++i)
        buttons_[i].attach(hwnd(), kButtonIds[i], resources_);
    repeat_.attach(hwnd(), IDC_REPEAT, resources_, IDB_REPEAT, 2);
    disc_type_.attach(hwnd(), IDC_DISC_TYPE, resources_, IDB_DISC_TYPE, 9);
    mute_.attach(hwnd(), IDC_MUTE, resources_, IDB_MUTE, 2);
    volume_.attach(hwnd(), IDC_VOLUME);
    enable_button(IDC_STOP, false);
    enable_button(IDC_PAUSE, false);
    panel_.on_init((panel::WindowHandle)hwnd(), command_line_);
    return TRUE;
}

void PanelWindow::load_face()
{
    palette_ = palette_of(resources_, IDB_BACKGROUND);
    face_ = LoadBitmapA(resources_, MAKEINTRESOURCEA(IDB_BACKGROUND));
    if (face_ == NULL)
        return;
    BITMAP info;
    if (GetObjectA(face_, sizeof info, &info) == sizeof info) {
        face_size_.cx = info.bmWidth;
        face_size_.cy = info.bmHeight;
    }
    HDC dc = GetDC(hwnd());
    face_dc_ = CreateCompatibleDC(dc);
    ReleaseDC(hwnd(), dc);
    if (face_dc_ != NULL)
        face_old_ = SelectObject(face_dc_, face_);
}

void PanelWindow::lay_out_controls()
{
    if (tooltip_ == NULL)
        tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, NULL, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), NULL,
                                   GetModuleHandleA(NULL), NULL);
    for (const ControlPlace& place : kPlaces) {
        HWND control = item(place.id);
        if (control == NULL)
            continue;
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (place.width == 0 ? SWP_NOSIZE : 0);
        SetWindowPos(control, NULL, place.x, place.y, place.width, place.height, flags);
        if (tooltip_ == NULL)
            continue;
        std::string tip = load_string(place.tip);
        TOOLINFOA info = {};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd();
        info.uId = (UINT_PTR)control;
        info.lpszText = (LPSTR)tip.c_str();
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, (LPARAM)&info);
    }
    if (tooltip_ != NULL)
        SendMessageA(tooltip_, TTM_ACTIVATE, TRUE, 0);
}

void PanelWindow::on_command(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case IDC_POWER:
        show_power_menu();
        return;
    case IDM_MINIMIZE:
        PostMessageA(hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return;
    case IDM_HELP:
        show_help();
        return;
    case IDM_ABOUT: {
        panel::AboutDialog about;
        about.run(resources_, hwnd());
        return;
    }
    case IDM_CLOSE:
        PostMessageA(hwnd(), WM_CLOSE, 0, 0);
        return;
    case IDC_VOLUME: {
        RECT bar;
        GetWindowRect(item(IDC_VOLUME), &bar);
        DWORD at = GetMessagePos();
        panel_.on_volume_click((short)LOWORD(at) - bar.left);
        return;
    }
    default:
        if (id >= IDC_PLAY_LIST && id <= IDC_MUTE)
            panel_.on_control(id);
        return;
    }
}

void PanelWindow::show_power_menu()
{
    HMENU menu = LoadMenuA(resources_, MAKEINTRESOURCEA(IDM_POWER_POPUP));
    if (menu == NULL)
        return;
    DWORD at = GetMessagePos();
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, (short)LOWORD(at), (short)HIWORD(at), 0,
                   hwnd(), NULL);
    DestroyMenu(menu);
}

void PanelWindow::show_help()
{
    std::string file = kHelpFile;
    // AppPath is read into 80 bytes, as the suite's other programs do.
    std::optional<std::string> folder = registry_.read_string(kSuiteKey, "AppPath");
    if (folder && folder->size() < 80)
        file = *folder + "\\" + kHelpFile;
    if (!WinHelpA(hwnd(), file.c_str(), HELP_FINDER, 0)) {
        panel::Message failed;
        failed.text_id = IDS_NO_HELP;
        message_box(failed);
    }
}

INT_PTR PanelWindow::answer(HWND hwnd, LRESULT value)
{
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, value);
    return TRUE;
}

bool PanelWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result)
{
    if (message != 0 && message == panel_.remote_message()) {
        result = answer(hwnd(), panel_.on_remote((uint32_t)wparam, (MMCD_CMD*)lparam));
        return true;
    }
    switch (message) {
    case WM_PAINT:
        paint();
        result = TRUE;
        return true;
    case WM_ERASEBKGND:
        if (!IsIconic(hwnd()))
            return false;
        result = answer(hwnd(), TRUE);
        return true;
    case WM_QUERYDRAGICON:
        result = (INT_PTR)icon_;  // returned as is, not through DWLP_MSGRESULT
        return true;
    case WM_DRAWITEM:
        result = draw_item(*(const DRAWITEMSTRUCT*)lparam) ? TRUE : FALSE;
        return true;
    case WM_SETCURSOR:
        if (!set_cursor((HWND)wparam))
            return false;
        result = answer(hwnd(), TRUE);
        return true;
    case WM_TIMER:
        panel_.on_timer((int)wparam);
        result = TRUE;
        return true;
    case MM_MCINOTIFY:
        panel_.on_mci_notify((uint32_t)wparam, (panel::MciDeviceId)LOWORD(lparam));
        result = TRUE;
        return true;
    case WM_SETFOCUS:
    case WM_ACTIVATEAPP:
        panel_.on_activate();
        return false;
    case WM_QUERYNEWPALETTE:
        panel_.on_query_new_palette();
        result = answer(hwnd(), 0);
        return true;
    case WM_QUERYENDSESSION:
        panel_.on_query_end_session();
        result = answer(hwnd(), TRUE);
        return true;
    case WM_NCHITTEST: {
        // The panel is dragged by its body.
        LRESULT hit = DefWindowProcA(hwnd(), message, wparam, lparam);
        result = answer(hwnd(), hit == HTCLIENT ? HTCAPTION : hit);
        return true;
    }
    case WM_INITMENU:
        EnableMenuItem(GetSystemMenu(hwnd(), FALSE), SC_MOVE, MF_BYCOMMAND | MF_GRAYED);
        result = TRUE;
        return true;
    case WM_CLOSE:
        close();
        result = TRUE;
        return true;
    }
    return false;
}

bool PanelWindow::draw_item(const DRAWITEMSTRUCT& item)
{
    for (const panel::BitmapButton& button : buttons_)
        if (button.draw(item))
            return true;
    return repeat_.draw(item) || disc_type_.draw(item) || mute_.draw(item) || volume_.draw(item);
}

bool PanelWindow::set_cursor(HWND over)
{
    if (cursor_ == NULL || over == NULL)
        return false;
    if (over != repeat_.hwnd() && over != disc_type_.hwnd() && over != mute_.hwnd() &&
        over != volume_.hwnd())
        return false;
    SetCursor(cursor_);
    return true;
}

void PanelWindow::paint()
{
    SetWindowTextA(hwnd(), load_string(IDS_PANEL_TITLE).c_str());
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    if (IsIconic(hwnd())) {
        SendMessageA(hwnd(), WM_ICONERASEBKGND, (WPARAM)dc, 0);
        RECT client;
        GetClientRect(hwnd(), &client);
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON)) / 2,
                 (client.bottom - GetSystemMetrics(SM_CYICON)) / 2, icon_);
    } else {
        HPALETTE old_palette = NULL;
        if (palette_ != NULL) {
            old_palette = SelectPalette(dc, palette_, FALSE);
            RealizePalette(dc);
        }
        if (face_dc_ != NULL)
            BitBlt(dc, 0, 0, face_size_.cx, face_size_.cy, face_dc_, 0, 0, SRCCOPY);
        panel::draw_time_display(dc, led_, time_.track, time_.hours, time_.minutes, time_.seconds);
        if (old_palette != NULL)
            SelectPalette(dc, old_palette, FALSE);
    }
    EndPaint(hwnd(), &ps);
}

void PanelWindow::close()
{
    if (ended_)
        return;
    panel_.on_close();
    if (tooltip_ != NULL)
        DestroyWindow(tooltip_);
    tooltip_ = NULL;
    ended_ = true;
    DestroyWindow(hwnd());
    // Wakes the loop when the close came as a sent message.
    PostQuitMessage(0);
}

void PanelWindow::on_destroy()
{
    if (face_dc_ != NULL) {
        SelectObject(face_dc_, face_old_);
        DeleteDC(face_dc_);
        face_dc_ = NULL;
    }
    if (face_ != NULL)
        DeleteObject(face_);
    face_ = NULL;
    if (palette_ != NULL)
        DeleteObject(palette_);
    palette_ = NULL;
    ended_ = true;
}

// ---- PanelShell

std::string PanelWindow::load_string(uint32_t id) { return halvo::load_string(resources_, id); }

void PanelWindow::enable_button(int control, bool enabled) { enable_item(control, enabled); }

void PanelWindow::show_indicator(int control, int cell)
{
    switch (control) {
    case IDC_REPEAT: repeat_.set_cell(cell); break;
    case IDC_DISC_TYPE: disc_type_.set_cell(cell); break;
    case IDC_MUTE: mute_.set_cell(cell); break;
    }
}

void PanelWindow::draw_volume(int level) { volume_.set_level(level); }

void PanelWindow::draw_time(const panel::TimeDisplay& time)
{
    time_ = time;
    if (hwnd() == NULL || IsIconic(hwnd()))
        return;
    HDC dc = GetDC(hwnd());
    panel::draw_time_display(dc, led_, time.track, time.hours, time.minutes, time.seconds);
    ReleaseDC(hwnd(), dc);
}

panel::Answer PanelWindow::message_box(const panel::Message& message)
{
    std::string text = message.text.empty() ? load_string(message.text_id) : message.text;
    std::string::size_type at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, message.insert);
    std::string caption = load_string(message.caption_id);
    UINT style = message.icon == panel::MessageIcon::question ? MB_ICONQUESTION : MB_ICONEXCLAMATION;
    style |= message.yes_no ? MB_YESNO : MB_OK;
    int chosen = MessageBoxA(message.owned ? hwnd() : NULL, text.c_str(), caption.c_str(), style);
    if (chosen == IDYES)
        return panel::Answer::yes;
    if (chosen == IDNO)
        return panel::Answer::no;
    return panel::Answer::ok;
}

void PanelWindow::beep_exclamation() { MessageBeep(MB_ICONEXCLAMATION); }

bool PanelWindow::start_timer(int id, uint32_t milliseconds)
{
    return SetTimer(hwnd(), (UINT_PTR)id, milliseconds, NULL) != 0;
}

void PanelWindow::kill_timer(int id) { KillTimer(hwnd(), (UINT_PTR)id); }

void PanelWindow::post_close() { PostMessageA(hwnd(), WM_CLOSE, 0, 0); }

void PanelWindow::set_normal_placement(panel::WindowHandle window, const panel::Rect& normal,
                                       panel::ShowState show)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement((HWND)window, &placement))
        return;
    placement.rcNormalPosition.left = normal.left;
    placement.rcNormalPosition.top = normal.top;
    placement.rcNormalPosition.right = normal.right;
    placement.rcNormalPosition.bottom = normal.bottom;
    placement.showCmd = show == panel::ShowState::hidden ? SW_HIDE : SW_SHOWNORMAL;
    SetWindowPlacement((HWND)window, &placement);
}

bool PanelWindow::normal_placement(panel::WindowHandle window, panel::Rect& normal)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement((HWND)window, &placement))
        return false;
    normal = to_rect(placement.rcNormalPosition);
    return true;
}

bool PanelWindow::screen_rect(panel::WindowHandle window, panel::Rect& rect)
{
    RECT r;
    if (!GetWindowRect((HWND)window, &r))
        return false;
    rect = to_rect(r);
    return true;
}

void PanelWindow::set_window_pos(panel::WindowHandle window, int32_t x, int32_t y, int32_t width,
                                 int32_t height)
{
    SetWindowPos((HWND)window, NULL, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PanelWindow::set_window_text(panel::WindowHandle window, const std::string& text)
{
    SetWindowTextA((HWND)window, text.c_str());
}

panel::Size PanelWindow::desktop_client_size()
{
    RECT desktop;
    GetClientRect(GetDesktopWindow(), &desktop);
    return panel::Size{desktop.right - desktop.left, desktop.bottom - desktop.top};
}

bool PanelWindow::is_foreground() { return GetForegroundWindow() == hwnd(); }

void PanelWindow::open_app_menu()
{
    SetForegroundWindow(hwnd());
    BringWindowToTop(hwnd());
    HWND power = item(IDC_POWER);
    PostMessageA(power, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 1));
    PostMessageA(power, WM_LBUTTONUP, 0, MAKELPARAM(5, 1));
}
