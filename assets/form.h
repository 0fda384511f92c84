#pragma once

// The game window's form: the window 窗口, its sprite canvas 动画框1 and the
// sprite templates 动画物体1 (player), 动画物体2 (maze) and 动画物体3 (goal).

#include "platform/toolkit/form.h"

inline constexpr toolkit::Control 窗口{0x52010001};
inline constexpr toolkit::Control 动画框1{0x16010004};
inline constexpr toolkit::Control 动画物体1{0x16010002};
inline constexpr toolkit::Control 动画物体2{0x16010014};
inline constexpr toolkit::Control 动画物体3{0x1601001e};

extern const toolkit::Form gameForm;
