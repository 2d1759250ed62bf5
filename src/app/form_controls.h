// The main window's controls, built from the layout table and placed by it: the tab row, its two
// pages, and every control of the table with its font and, for bitmap buttons, its glyph.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "app/bitmap_button.h"
#include "app/form_layout.h"
#include "win32/handles.h"

// Registers a window class of the program once; `icon` is a resource id, 0 for none.
void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, int icon);

class FormControls {
 public:
  // Builds everything on `form` for the display's `scale` (its DPI over 96), unplaced; raises
  // AppError when a control cannot be built.
  void Build(HWND form, Scale scale);
  // Places everything for a client area of `width` x `height`.
  void Place(int width, int height) const;

  // The control with `id` (PageControl1 and the pages included); nullptr for an unknown id.
  HWND Control(int id) const;
  HWND PageControl() const { return page_control_; }
  HWND Page(int index) const { return pages_[index]; }

  // Paints a bitmap button of the table for WM_DRAWITEM; false for any other item.
  bool DrawItem(const DRAWITEMSTRUCT& item) const;

 private:
  HWND CreateChild(HWND parent, int id, DWORD ex_style, const char* window_class, const char* caption, DWORD style);
  void LoadGlyphs(HINSTANCE instance);
  const GlyphImage* Glyph(int resource) const;

  HWND form_ = nullptr;
  HWND page_control_ = nullptr;
  HWND pages_[kPageCount] = {};
  Scale scale_;
  UniqueFont font_;
  UniqueFont bold_font_;
  std::vector<std::pair<int, std::unique_ptr<GlyphImage>>> glyphs_;  // by resource id
};
