#pragma once

// The dialog's layout, in twips (1440 to the inch; 15 to the pixel at 96 DPI),
// shared by every view so they all draw the same dialog.

namespace vireno::layout {

inline constexpr char kCaption[] = "Cambio SCT/Extasi";

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidth = 5445;
inline constexpr int kClientHeight = 3030;

struct ControlBox {
  const char* caption;
  int left;
  int top;
  int width;
  int height;
};

inline constexpr ControlBox kOption1{"Sct", 120, 360, 1935, 495};
inline constexpr ControlBox kOption2{"Extasi", 120, 1080, 2055, 495};

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel.
constexpr int ToPixels(int twips, int dpi) {
  return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

}  // namespace vireno::layout
