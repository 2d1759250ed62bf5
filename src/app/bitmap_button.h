// Bitmap buttons: owner-drawn push buttons showing a square glyph beside their caption.
#pragma once

#include <windows.h>

#include "win32/handles.h"

// A 2n x n bitmap holding the normal n x n glyph and the disabled one side by side; the colour of
// its bottom-left pixel is transparent.
class GlyphImage {
 public:
  // nullptr-like (draws nothing) when the resource is missing.
  GlyphImage(HINSTANCE instance, int resource_id);

  int Size() const { return size_; }  // n
  void Draw(HDC dc, int x, int y, bool enabled) const;

 private:
  int size_ = 0;
  UniqueBitmap image_;  // transparent pixels turned black, so the image can be ORed on
  UniqueBitmap mask_;   // white where transparent
};

// Paints a bitmap button for WM_DRAWITEM: frame, glyph left of the caption, the pair centred,
// `spacing` pixels apart; pushed, focused and disabled looks, the focus rectangle `focus_inset`
// pixels inside the edge.
void DrawBitmapButton(const DRAWITEMSTRUCT& item, const GlyphImage* glyph, int spacing, int focus_inset);

// Owner-drawn buttons report a quick second click as a double click; this makes it a click, as
// with ordinary push buttons.
void TreatDoubleClickAsClick(HWND button);
