// Drawing of the bitmap buttons with classic GDI: a mask from the transparent colour, no
// alpha blending, so that it works on every Windows the program runs on.
#include "app/bitmap_button.h"

#include <string>

#include "app/window_text.h"

namespace {

// A memory DC with one bitmap selected, restored and deleted on the way out.
class BitmapDc {
 public:
  BitmapDc(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like)), selected_(dc_.get(), bitmap) {}
  HDC get() const { return dc_.get(); }
  explicit operator bool() const { return static_cast<bool>(selected_); }

 private:
  UniqueMemoryDc dc_;
  SelectedObject selected_;
};

constexpr DWORD kDestinationAndNotSource = 0x00220326;  // DSna

WNDPROC g_button_proc = nullptr;

LRESULT CALLBACK DoubleClickAsClickProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_LBUTTONDBLCLK) message = WM_LBUTTONDOWN;
  return CallWindowProcA(g_button_proc, window, message, wparam, lparam);
}

}  // namespace

GlyphImage::GlyphImage(HINSTANCE instance, int resource_id) {
  image_.reset(static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(resource_id), IMAGE_BITMAP, 0, 0, 0)));
  if (!image_) return;
  BITMAP info{};
  GetObjectA(image_.get(), sizeof info, &info);
  size_ = info.bmHeight;
  mask_.reset(CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr));
  WindowDc screen;
  {
    BitmapDc image(screen.get(), image_.get());
    BitmapDc mask(screen.get(), mask_.get());
    if (image && mask) {
      COLORREF transparent = GetPixel(image.get(), 0, info.bmHeight - 1);
      SetBkColor(image.get(), transparent);
      BitBlt(mask.get(), 0, 0, info.bmWidth, info.bmHeight, image.get(), 0, 0, SRCCOPY);
      SetBkColor(image.get(), RGB(255, 255, 255));
      SetTextColor(image.get(), RGB(0, 0, 0));
      BitBlt(image.get(), 0, 0, info.bmWidth, info.bmHeight, mask.get(), 0, 0, kDestinationAndNotSource);
    }
  }
}

void GlyphImage::Draw(HDC dc, int x, int y, bool enabled) const {
  if (!image_ || !mask_) return;
  BitmapDc image(dc, image_.get());
  BitmapDc mask(dc, mask_.get());
  if (!image || !mask) return;
  int source_x = enabled ? 0 : size_;
  COLORREF old_background = SetBkColor(dc, RGB(255, 255, 255));
  COLORREF old_text = SetTextColor(dc, RGB(0, 0, 0));
  BitBlt(dc, x, y, size_, size_, mask.get(), source_x, 0, SRCAND);
  BitBlt(dc, x, y, size_, size_, image.get(), source_x, 0, SRCPAINT);
  SetBkColor(dc, old_background);
  SetTextColor(dc, old_text);
}

void DrawBitmapButton(const DRAWITEMSTRUCT& item, const GlyphImage* glyph, int spacing, int focus_inset) {
  HDC dc = item.hDC;
  RECT frame = item.rcItem;
  const bool pushed = item.itemState & ODS_SELECTED;
  const bool focused = item.itemState & ODS_FOCUS;
  const bool enabled = !(item.itemState & ODS_DISABLED);

  // The focused button wears the dark outline that marks the button Enter would press.
  if (focused) {
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&frame, -1, -1);
  }
  DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  SelectedObject font(dc, reinterpret_cast<HFONT>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
  const std::string caption = WindowText(item.hwndItem);
  SIZE text{};
  if (!caption.empty()) GetTextExtentPoint32A(dc, caption.data(), static_cast<int>(caption.size()), &text);

  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;
  const int glyph_width = glyph ? glyph->Size() : 0;
  const int gap = glyph && !caption.empty() ? spacing : 0;
  const int offset = pushed ? 1 : 0;
  int x = item.rcItem.left + (width - (glyph_width + gap + text.cx) + 1) / 2 + offset;
  if (glyph) {
    glyph->Draw(dc, x, item.rcItem.top + (height - glyph->Size() + 1) / 2 + offset, enabled);
    x += glyph_width + gap;
  }
  if (!caption.empty()) {
    RECT text_rect{x, item.rcItem.top + (height - text.cy + 1) / 2 + offset, 0, 0};
    text_rect.right = text_rect.left + text.cx;
    text_rect.bottom = text_rect.top + text.cy;
    int old_mode = SetBkMode(dc, TRANSPARENT);
    const UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
    if (enabled) {
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      DrawTextA(dc, caption.data(), static_cast<int>(caption.size()), &text_rect, format);
    } else {
      RECT raised = text_rect;
      OffsetRect(&raised, 1, 1);
      SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      DrawTextA(dc, caption.data(), static_cast<int>(caption.size()), &raised, format);
      SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
      DrawTextA(dc, caption.data(), static_cast<int>(caption.size()), &text_rect, format);
    }
    SetBkMode(dc, old_mode);
  }

  if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -focus_inset, -focus_inset);
    DrawFocusRect(dc, &focus);
  }
}

void TreatDoubleClickAsClick(HWND button) {
  WNDPROC previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DoubleClickAsClickProc)));
  // Every button shares the class's procedure; keep the first one seen.
  if (!g_button_proc && previous != &DoubleClickAsClickProc) g_button_proc = previous;
}
