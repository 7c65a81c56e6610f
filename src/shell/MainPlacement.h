#pragma once

#include <QVariant>

// Where the main window opens: a stored position in twips, a fixed size, and
// maximised on a screen too low for that size.
namespace mainplacement {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kWidthTwips = 15480;
inline constexpr int kHeightTwips = 11190;
inline constexpr float kDefaultTwips = 1000.0f;

// A stored coordinate; absent or not a number gives the default.
float storedTwips(const QVariant& stored);

// Only the height is compared: a narrow but tall screen keeps the window size.
bool maximise(int screenHeightPixels);

int toPixels(float twips);

} // namespace mainplacement
