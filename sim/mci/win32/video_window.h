// The window a simulated video device plays into: a plain top-level window
// that shows the item's name, a moving time code and the play's mode, so
// that a screenshot tells what is playing. MCI_STATUS MCI_DGV_STATUS_HWND
// hands it to the application, which places it as it likes; closing it
// only hides it, as with the video windows of MCI.
#ifndef HALVO_MCI_VIDEO_WINDOW_H
#define HALVO_MCI_VIDEO_WINDOW_H

#include <windows.h>

#include <string>

namespace videowindow {

// What the window shows, asked of its device at every repaint.
struct Picture {
    std::wstring name;      // the item's file name, or the drive of a disc
    unsigned long ms;       // the position
    const wchar_t* mode;    // "playing", "paused", "stopped"
    bool held;              // the drive's clock is held
};
typedef bool (*PictureSource)(void* device, Picture* picture);

// A hidden window of the calling thread with a client area of the size
// given; null when it cannot be made.
HWND create(HINSTANCE instance, const wchar_t* caption, int width, int height,
            PictureSource source, void* device);
// Cuts the window off its device (from any thread of the process) and
// destroys it on its own thread.
void release(HWND window);
// Unregisters the window class as the module goes.
void unregister(HINSTANCE instance);

// "h:mm:ss.t" of a position.
std::wstring time_code(unsigned long ms);

}  // namespace videowindow

#endif
