#include "sim/mci/win32/video_window.h"

#include <stdio.h>

namespace videowindow {
namespace {

const wchar_t kClassName[] = L"HalvoVideoWindow";
const UINT_PTR kTickTimer = 1;
const UINT kTickMs = 100;
const UINT WM_RELEASE = WM_APP + 1;  // destroy, sent by release() from any thread
const COLORREF kBackground = RGB(16, 24, 64);
const COLORREF kText = RGB(240, 240, 200);

struct Owner {
    PictureSource source;
    void* device;
};

Owner* owner_of(HWND window) { return (Owner*)GetWindowLongPtrW(window, GWLP_USERDATA); }

void on_paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH background = CreateSolidBrush(kBackground);
    FillRect(dc, &client, background);
    DeleteObject(background);

    Owner* owner = owner_of(window);
    Picture picture;
    picture.ms = 0;
    picture.mode = L"closed";
    picture.held = false;
    if (owner != NULL && owner->source != NULL)
        owner->source(owner->device, &picture);
    std::wstring state = picture.mode;
    if (picture.held)
        state += L" (held)";
    std::wstring lines = picture.name + L"\n" + time_code(picture.ms) + L"\n" + state;

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
    HGDIOBJ font = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    RECT text = client;
    int height = DrawTextW(dc, lines.c_str(), -1, &text, DT_CENTER | DT_CALCRECT | DT_NOPREFIX);
    text = client;
    text.top = (client.bottom - height) / 2;
    DrawTextW(dc, lines.c_str(), -1, &text, DT_CENTER | DT_NOPREFIX);
    SelectObject(dc, font);
    EndPaint(window, &paint);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          (LONG_PTR)((CREATESTRUCTW*)lparam)->lpCreateParams);
        SetTimer(window, kTickTimer, kTickMs, NULL);
        return 0;
    case WM_TIMER:
        if (wparam == kTickTimer && IsWindowVisible(window))
            InvalidateRect(window, NULL, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        on_paint(window);
        return 0;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE);
        return 0;
    case WM_RELEASE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kTickTimer);
        delete owner_of(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

std::wstring time_code(unsigned long ms)
{
    wchar_t text[32];
    swprintf(text, 32, L"%lu:%02lu:%02lu.%lu", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
             ms / 100 % 10);
    return text;
}

HWND create(HINSTANCE instance, const wchar_t* caption, int width, int height,
            PictureSource source, void* device)
{
    WNDCLASSW existing;
    if (!GetClassInfoW(instance, kClassName, &existing)) {
        WNDCLASSW window_class = {};
        window_class.lpfnWndProc = window_proc;
        window_class.hInstance = instance;
        window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
        window_class.lpszClassName = kClassName;
        if (!RegisterClassW(&window_class))
            return NULL;
    }
    RECT frame = {0, 0, width, height};
    DWORD style = WS_OVERLAPPEDWINDOW;
    AdjustWindowRect(&frame, style, FALSE);
    Owner* owner = new Owner{source, device};
    HWND window = CreateWindowExW(0, kClassName, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                                  instance, owner);
    if (window == NULL)
        delete owner;
    return window;
}

void release(HWND window)
{
    if (window == NULL)
        return;
    Owner* owner = owner_of(window);
    if (owner != NULL)
        owner->source = NULL;
    if (GetWindowThreadProcessId(window, NULL) == GetCurrentThreadId())
        DestroyWindow(window);
    else
        PostMessageW(window, WM_RELEASE, 0, 0);
}

void unregister(HINSTANCE instance)
{
    UnregisterClassW(kClassName, instance);
}

}  // namespace videowindow
