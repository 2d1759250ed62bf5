// Bitmap buttons: owner-drawn push buttons showing a 16 x 16 glyph beside their caption.
#pragma once

#include <windows.h>

#include "win32/handles.h"

// A 32 x 16 bitmap holding the normal glyph and the disabled one side by side; the colour of its
// bottom-left pixel is transparent.
class GlyphImage {
 public:
  // nullptr-like (draws nothing) when the resource is missing.
  GlyphImage(HINSTANCE instance, int resource_id);

  static constexpr int kSize = 16;
  void Draw(HDC dc, int x, int y, bool enabled) const;

 private:
  UniqueBitmap image_;  // transparent pixels turned black, so the image can be ORed on
  UniqueBitmap mask_;   // white where transparent
};

// Paints a bitmap button for WM_DRAWITEM: frame, glyph left of the caption, the pair centred,
// `spacing` pixels apart; pushed, focused and disabled looks.
void DrawBitmapButton(const DRAWITEMSTRUCT& item, const GlyphImage* glyph, int spacing);

// Owner-drawn buttons report a quick second click as a double click; this makes it a click, as
// with ordinary push buttons.
void TreatDoubleClickAsClick(HWND button);
