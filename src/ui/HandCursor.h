// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The hyperlink pointer of the About dialog: a 32 x 32 black-and-white pointing hand,
// transparent around it. Image files carry no hot spot, so it is kept here: the top
// of the fingertip.
inline constexpr const char* HandCursorResource = ":/cursors/hand.xpm";
inline constexpr int HandCursorHotSpotX = 4;
inline constexpr int HandCursorHotSpotY = 0;
