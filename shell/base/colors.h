#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelmo {

// A colour as the configuration writes it: a direct colour 0x00BBGGRR (red in
// the low byte), a desktop role colour (0x80000000 plus the role number), or
// one of the special values clNone and clDefault.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor RoleColor(int role) {
  return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(role));
}
constexpr TColor clWindow = RoleColor(5);
constexpr TColor clWindowText = RoleColor(8);

// Desktop roles, by number.
enum ColorRole {
  kRoleScrollBar = 0,
  kRoleBackground = 1,
  kRoleActiveCaption = 2,
  kRoleInactiveCaption = 3,
  kRoleMenu = 4,
  kRoleWindow = 5,
  kRoleWindowFrame = 6,
  kRoleMenuText = 7,
  kRoleWindowText = 8,
  kRoleCaptionText = 9,
  kRoleActiveBorder = 10,
  kRoleInactiveBorder = 11,
  kRoleAppWorkSpace = 12,
  kRoleHighlight = 13,
  kRoleHighlightText = 14,
  kRoleBtnFace = 15,
  kRoleBtnShadow = 16,
  kRoleGrayText = 17,
  kRoleBtnText = 18,
  kRoleInactiveCaptionText = 19,
  kRoleBtnHighlight = 20,
  kRole3DDkShadow = 21,
  kRole3DLight = 22,
  kRoleInfoText = 23,
  kRoleInfoBk = 24,
  kRoleGradientActiveCaption = 27,
  kRoleGradientInactiveCaption = 28,
};

inline bool IsRoleColor(TColor color) {
  return (static_cast<std::uint32_t>(color) >> 24) == 0x80;
}
inline int RoleOf(TColor color) {
  return static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF);
}

// Names match without regard to case: "clred" and "ClRed" are clRed.
std::optional<TColor> IdentToColor(std::string_view name);

// A colour name, or else an integer (decimal, "$" or "0x" hexadecimal,
// blanks in front skipped); anything else raises EConvertError with
// "'%s' is not a valid integer value".
TColor StringToColor(std::string_view text);

// 0xRRGGBB for a colour, for front ends that draw with plain RGB. Role
// colours and the special values resolve through the given role table
// (a light desktop by default).
std::uint32_t ColorToRgb(TColor color);

}  // namespace zelmo
