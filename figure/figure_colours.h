#pragma once
// The colours of the level-line figure. The mouse-over hints recognise an
// element only by the colour of the pixel under the pointer, so every value
// here is exact and no two elements that need different hints share one.
// The two axis greys and the axis-text grey differ in the red channel only,
// on purpose.
#include <QRgb>

#include "core/run_state.h"

namespace tarvik {

inline constexpr Colour clFigBack = 0xC0DCC0;          // (192, 220, 192)
inline constexpr Colour clAxisU1 = 0xA0A0A0;           // (160, 160, 160)
inline constexpr Colour clAxisU2 = 0xA1A0A0;           // (161, 160, 160)
inline constexpr Colour clAxisText = 0x9FA0A0;         // (159, 160, 160)
inline constexpr Colour clTitle = 0x0080FF;            // (0, 128, 255)
inline constexpr Colour clLevelLine = 0x000000;        // black: level lines and their numbers
inline constexpr Colour clSaddle = 0xFFFF88;           // (255, 255, 136)
inline constexpr Colour clOptimalPoint = 0xFF0000;     // (255, 0, 0)
inline constexpr Colour clInitialPoint = 0x0000FF;     // (0, 0, 255)
inline constexpr Colour clFinalPoint = 0xFFFFFF;       // (255, 255, 255)
inline constexpr Colour clFinalRim = 0x808000;         // (128, 128, 0)
inline constexpr Colour clOrt = 0x400000;              // (64, 0, 0)
inline constexpr Colour clDeltaVicinity = 0x808080;    // (128, 128, 128), the grey of clSubIter
// clTrajectory, clSubIter, clSteepestStep, clNoHessianUpdate and clAngleStep
// live in the run state, because the methods choose the segment colour.

// A pixel read outside the image: matches no figure colour.
inline constexpr Colour clNoPixel = 0xFFFFFFFF;

inline constexpr QRgb ToQRgb(Colour c) { return 0xFF000000u | (c & 0xFFFFFFu); }
inline constexpr Colour FromQRgb(QRgb p) { return p & 0xFFFFFFu; }

} // namespace tarvik
