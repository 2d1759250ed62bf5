// The anchor rule. Every coordinate is scaled on its own, so a control keeps its scaled place in
// its group box whatever the rounding of the group box's own top.
#include "app/form_layout.h"

#include <algorithm>
#include <cstdint>

int Scaled(int value, Scale scale) {
  if (scale.numerator == scale.denominator) return value;
  const std::int64_t product = static_cast<std::int64_t>(value) * scale.numerator;
  const std::int64_t half = scale.denominator / 2;
  const std::int64_t rounded = product >= 0 ? (product + half) / scale.denominator : (product - half) / scale.denominator;
  return static_cast<int>(rounded);
}

ControlBox ControlRect(const ControlSpec& spec, int client_width, Scale scale) {
  const int design_width = spec.page == kOnWindow ? kDesignClientWidth : kDesignPageWidth;
  const int grow = client_width - Scaled(design_width, scale);
  const ControlSpec* group = spec.group ? FindControl(spec.group) : nullptr;
  ControlBox box{Scaled(spec.left, scale), Scaled(spec.top, scale), Scaled(spec.width, scale),
                 Scaled(spec.height, scale)};
  if (group) box.top += Scaled(group->top, scale);
  switch (spec.anchor) {
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
