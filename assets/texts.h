#pragma once

#include <string_view>

namespace assets {

// The game's two message texts, in UTF-8.
inline constexpr std::string_view wallMessage = "撞墙身亡";
inline constexpr std::string_view successMessagePrefix = "成功逃离迷宫,用时 ";   // ASCII comma, one trailing blank

// How far up and left of the pointer the dragged player sprite stands.
inline constexpr double dragOffset = 10.0;

} // namespace assets
