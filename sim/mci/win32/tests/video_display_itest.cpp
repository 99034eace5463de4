// The video devices' window as it is drawn, under Xvfb with Wine's X11
// driver (label "display"): it paints the item's name and a time code that
// follows the play.
#include <windows.h>
#include <mmsystem.h>
#include <digitalv.h>

#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "sim/mci/win32/tests/mci_itest_support.h"

namespace {

using mcitest::Device;
using mcitest::remote;

const COLORREF kBackground = RGB(16, 24, 64);
const COLORREF kText = RGB(240, 240, 200);
const DWORD kDrawTimeoutMs = 5000;

// The window is this thread's: its paint and timer messages are served
// while a test waits.
bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        if (condition())
            return true;
        if (itest::check_stray_boxes() || GetTickCount() - start >= timeout_ms)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
    }
}

// The client area's pixels, as 0x00RRGGBB.
std::vector<COLORREF> capture(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    int width = client.right, height = client.bottom;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> quads((size_t)width * height);
    GetDIBits(memory, bitmap, 0, (UINT)height, quads.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    for (const RGBQUAD& q : quads)
        pixels.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
    return pixels;
}

size_t count_of(const std::vector<COLORREF>& pixels, COLORREF colour)
{
    size_t count = 0;
    for (COLORREF p : pixels)
        count += p == colour;
    return count;
}

// The window as it paints itself now; false when it shows no text.
bool painted(HWND window, std::vector<COLORREF>* picture)
{
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    *picture = capture(window);
    return count_of(*picture, kText) > 0 && count_of(*picture, kBackground) > 0;
}

class VideoWindowDisplay : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(remote("reset")); }
    void TearDown() override
    {
        video_.close();
        EXPECT_TRUE(remote("reset"));
    }
    Device video_;
};

TEST_F(VideoWindowDisplay, TimeCodeFollowsThePlay)
{
    ASSERT_TRUE(remote("insert " + mcitest::disc_folder("videocd-avseq")));
    ASSERT_EQ(0u, video_.open("mpegvideo", "D:\\MPEGAV\\AVSEQ01.DAT"));
    HWND window = (HWND)video_.status_ok(MCI_DGV_STATUS_HWND);
    ASSERT_EQ(0u, video_.time_format(MCI_FORMAT_MILLISECONDS));
    ASSERT_EQ(0u, video_.play(0));
    ASSERT_TRUE(IsWindowVisible(window));

    ASSERT_TRUE(remote("position D 0:10 --hold"));
    ASSERT_TRUE(mcitest::wait_status(video_, MCI_STATUS_POSITION, 10000, kDrawTimeoutMs));
    std::vector<COLORREF> at_ten;
    ASSERT_TRUE(painted(window, &at_ten));
    ASSERT_TRUE(remote("position D 1:02:03.5 --hold"));
    ASSERT_TRUE(mcitest::wait_status(video_, MCI_STATUS_POSITION, 3723500, kDrawTimeoutMs));
    std::vector<COLORREF> later;
    ASSERT_TRUE(painted(window, &later));
    EXPECT_NE(at_ten, later);  // another time code

    // Running again, the picture moves on by itself.
    ASSERT_TRUE(remote("position D --release"));
    EXPECT_TRUE(pump_until([&] { return capture(window) != later; }, kDrawTimeoutMs));
}

TEST_F(VideoWindowDisplay, EachItemShowsItsName)
{
    ASSERT_TRUE(remote("insert " + mcitest::disc_folder("videocd-avseq")));
    ASSERT_TRUE(remote("position D --hold"));
    std::vector<COLORREF> pictures[2];
    const char* items[2] = {"D:\\MPEGAV\\AVSEQ01.DAT", "D:\\MPEGAV\\AVSEQ02.DAT"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(items[i]);
        ASSERT_EQ(0u, video_.open("mpegvideo", items[i]));
        HWND window = (HWND)video_.status_ok(MCI_DGV_STATUS_HWND);
        ASSERT_EQ(0u, video_.play(0));  // held at 0:00:00.0 both times
        ASSERT_TRUE(painted(window, &pictures[i]));
        video_.close();
    }
    EXPECT_NE(pictures[0], pictures[1]);
}

}  // namespace
