#include "panel/win32/seven_segment_digit.h"

#include "panel/seven_segment.h"

namespace panel {

bool SevenSegmentDigit::draw(HDC dc, int x, int y, int width, int height, int digit) const {
  if (width <= 0 || height <= 0) return false;
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP cell = CreateCompatibleBitmap(dc, width, height);
  HPEN background_pen = CreatePen(PS_SOLID, 1, background_);
  HBRUSH background_brush = CreateSolidBrush(background_);
  HPEN lit_pen = CreatePen(PS_SOLID, 1, lit_);
  HPEN unlit_pen = CreatePen(PS_SOLID, 1, unlit_);
  bool made = memory && cell && background_pen && background_brush && lit_pen && unlit_pen;
  if (made) {
    HGDIOBJ old_bitmap = SelectObject(memory, cell);
    HGDIOBJ old_pen = SelectObject(memory, background_pen);
    HGDIOBJ old_brush = SelectObject(memory, background_brush);
    Rectangle(memory, 0, 0, width, height);

    const std::uint8_t mask = segment_mask(digit);
    for (std::uint8_t segment : kSegmentDrawOrder) {
      SelectObject(memory, (mask & segment) ? lit_pen : unlit_pen);
      const SegmentLines lines = segment_lines(segment, width, height);
      for (int i = 0; i < lines.count; ++i) {
        const SegmentLine& l = lines.line[static_cast<size_t>(i)];
        MoveToEx(memory, l.x0, l.y0, NULL);
        LineTo(memory, l.x1, l.y1);
      }
    }
    BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old_brush);
    SelectObject(memory, old_pen);
    SelectObject(memory, old_bitmap);
  }
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(unlit_pen), static_cast<HGDIOBJ>(lit_pen),
                    static_cast<HGDIOBJ>(background_brush), static_cast<HGDIOBJ>(background_pen),
                    static_cast<HGDIOBJ>(cell)}) {
    if (o) DeleteObject(o);
  }
  if (memory) DeleteDC(memory);
  return made;
}

bool draw_time_display(HDC dc, const SevenSegmentDigit& led, int track, int hours, int minutes,
                       int seconds) {
  const std::array<int, 8> digits = time_digits(track, hours, minutes, seconds);
  bool drawn = true;
  for (size_t i = 0; i < digits.size(); ++i) {
    drawn &= led.draw(dc, kTimeCellLeft[i], kTimeCellTop, kTimeCellWidth, kTimeCellHeight,
                      digits[i]);
  }
  return drawn;
}

}  // namespace panel
