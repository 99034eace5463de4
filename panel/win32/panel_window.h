// The playback panel's window: dialog 102 of mcures.dll, a 369 x 37 strip
// that looks like a CD player's front. It lays out and draws its controls
// and hands every event to the PlaybackPanel, which answers through the
// PanelShell calls below.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/dialog.h"
#include "common/win32/win32_registry.h"
#include "panel/playback_panel.h"
#include "panel/win32/bitmap_button.h"
#include "panel/win32/disc_folders.h"
#include "panel/win32/indicator.h"
#include "panel/win32/mci_port.h"
#include "panel/win32/remote_port.h"
#include "panel/win32/seven_segment_digit.h"
#include "panel/win32/volume_bar.h"

class PanelWindow : public halvo::Dialog, public panel::PanelShell {
public:
    explicit PanelWindow(HINSTANCE resources);
    ~PanelWindow() override;

    // Creates the panel and runs its messages until it closes.
    void run(const std::string& command_line);

    // PanelShell
    std::string load_string(uint32_t id) override;
    void enable_button(int control, bool enabled) override;
    void show_indicator(int control, int cell) override;
    void draw_volume(int level) override;
    void draw_time(const panel::TimeDisplay& time) override;
    panel::Answer message_box(const panel::Message& message) override;
    void beep_exclamation() override;
    bool start_timer(int id, uint32_t milliseconds) override;
    void kill_timer(int id) override;
    void post_close() override;
    void set_normal_placement(panel::WindowHandle window, const panel::Rect& normal,
                              panel::ShowState show) override;
    bool normal_placement(panel::WindowHandle window, panel::Rect& normal) override;
    bool screen_rect(panel::WindowHandle window, panel::Rect& rect) override;
    void set_window_pos(panel::WindowHandle window, int32_t x, int32_t y, int32_t width,
                        int32_t height) override;
    void set_window_text(panel::WindowHandle window, const std::string& text) override;
    panel::Size desktop_client_size() override;
    bool is_foreground() override;
    void open_app_menu() override;

protected:
    BOOL on_init_dialog() override;
    void on_command(int id, int code, HWND control) override;
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override;
    void on_destroy() override;

private:
    // What the message loop does before dialog processing; true swallows.
    bool pretranslate(MSG& msg);
    void load_face();
    void lay_out_controls();
    void paint();
    void show_power_menu();
    void show_help();
    bool draw_item(const DRAWITEMSTRUCT& item);
    bool set_cursor(HWND over);
    void close();
    // A message's result as the dialog manager passes it on.
    static INT_PTR answer(HWND hwnd, LRESULT value);

    HINSTANCE resources_;
    MciPort mci_;
    RemotePort remote_;
    DiscFolders folders_;
    halvo::Win32Registry registry_;
    panel::PlaybackPanel panel_;
    std::string command_line_;

    HICON icon_ = NULL;
    HCURSOR cursor_ = NULL;
    HPALETTE palette_ = NULL;
    HDC face_dc_ = NULL;
    HBITMAP face_ = NULL;
    HGDIOBJ face_old_ = NULL;
    SIZE face_size_ = {0, 0};
    HWND tooltip_ = NULL;

    panel::BitmapButton buttons_[10];
    panel::Indicator repeat_, disc_type_, mute_;
    panel::VolumeBar volume_;
    panel::SevenSegmentDigit led_;
    panel::TimeDisplay time_;
    bool ended_ = false;
};
