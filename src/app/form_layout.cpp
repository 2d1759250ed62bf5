// The anchor rule. Places in a group box are scaled on their own, so a control keeps its scaled
// place in its group box whatever the rounding of the group box's own top.
#include "app/form_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

int Scaled(int value, Scale scale) {
  if (scale.numerator == scale.denominator) return value;
  const std::int64_t product = static_cast<std::int64_t>(value) * scale.numerator;
  const std::int64_t half = scale.denominator / 2;
  const std::int64_t rounded = product >= 0 ? (product + half) / scale.denominator : (product - half) / scale.denominator;
  return static_cast<int>(rounded);
}

ControlBox ControlRect(const ControlEntry& entry, int client_width, Scale scale) {
  const int design_width = entry.page == kOnWindow ? kDesignClientWidth : kDesignPageWidth;
  const int grow = client_width - Scaled(design_width, scale);
  const ControlEntry* group = entry.group ? FindControl(entry.group) : nullptr;
  // Edges scale, and sizes are their differences: controls that meet at 96 DPI meet at any DPI.
  const int left = Scaled(entry.left, scale);
  const int top = Scaled(entry.top, scale);
  ControlBox box{left, top, Scaled(entry.left + entry.width, scale) - left, Scaled(entry.top + entry.height, scale) - top};
  if (group) box.top += Scaled(group->top, scale);
  switch (entry.anchor) {
    case Anchor::Fixed:
      break;
    case Anchor::Stretch:
      box.width = std::max(box.width + grow, 0);
      break;
    case Anchor::Right:
      box.left += grow;
      break;
  }
  return box;
}

int FontHeight(Scale scale) {
  // 96 pixels per inch at scale 1, 72 points per inch.
  return Scaled(kFontPoints, Scale{scale.numerator * 4, scale.denominator * 3});
}

FormSize FormSizeAt(Scale scale, int frame_width, int frame_height) {
  if (scale.numerator == scale.denominator) return {kFormWidth, kFormHeight, kMinFormWidth};
  return {Scaled(kDesignClientWidth, scale) + frame_width, Scaled(kDesignClientHeight, scale) + frame_height,
          Scaled(kMinClientWidth, scale) + frame_width};
}

namespace {

// Distances compared unrounded, in units of 1 / denominator: |size - 16 * scale|.
int GlyphSizeIndex(Scale scale) {
  const auto distance = [scale](int size) {
    return std::abs(static_cast<std::int64_t>(size) * scale.denominator -
                    static_cast<std::int64_t>(kGlyphSizes[0]) * scale.numerator);
  };
  int best = 0;
  for (int index = 1; index < static_cast<int>(std::size(kGlyphSizes)); ++index) {
    if (distance(kGlyphSizes[index]) < distance(kGlyphSizes[best])) best = index;
  }
  return best;
}

}  // namespace

int GlyphSize(Scale scale) { return kGlyphSizes[GlyphSizeIndex(scale)]; }

int GlyphResource(int glyph, Scale scale) { return glyph + kGlyphResourceStep * GlyphSizeIndex(scale); }
