#include "shell/base/colors.h"

#include <array>
#include <utility>

#include "shell/base/convert.h"

namespace zelmo {

namespace {

struct NamedColor {
  std::string_view name;
  TColor value;
};

constexpr std::array<NamedColor, 49> kColorNames{{
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clScrollBar", RoleColor(kRoleScrollBar)},
    {"clBackground", RoleColor(kRoleBackground)},
    {"clActiveCaption", RoleColor(kRoleActiveCaption)},
    {"clInactiveCaption", RoleColor(kRoleInactiveCaption)},
    {"clMenu", RoleColor(kRoleMenu)},
    {"clWindow", RoleColor(kRoleWindow)},
    {"clWindowFrame", RoleColor(kRoleWindowFrame)},
    {"clMenuText", RoleColor(kRoleMenuText)},
    {"clWindowText", RoleColor(kRoleWindowText)},
    {"clCaptionText", RoleColor(kRoleCaptionText)},
    {"clActiveBorder", RoleColor(kRoleActiveBorder)},
    {"clInactiveBorder", RoleColor(kRoleInactiveBorder)},
    {"clAppWorkSpace", RoleColor(kRoleAppWorkSpace)},
    {"clHighlight", RoleColor(kRoleHighlight)},
    {"clHighlightText", RoleColor(kRoleHighlightText)},
    {"clBtnFace", RoleColor(kRoleBtnFace)},
    {"clBtnShadow", RoleColor(kRoleBtnShadow)},
    {"clGrayText", RoleColor(kRoleGrayText)},
    {"clBtnText", RoleColor(kRoleBtnText)},
    {"clInactiveCaptionText", RoleColor(kRoleInactiveCaptionText)},
    {"clBtnHighlight", RoleColor(kRoleBtnHighlight)},
    {"cl3DDkShadow", RoleColor(kRole3DDkShadow)},
    {"cl3DLight", RoleColor(kRole3DLight)},
    {"clInfoText", RoleColor(kRoleInfoText)},
    {"clInfoBk", RoleColor(kRoleInfoBk)},
    {"clGradientActiveCaption", RoleColor(kRoleGradientActiveCaption)},
    {"clGradientInactiveCaption", RoleColor(kRoleGradientInactiveCaption)},
    {"clNone", clNone},
    {"clDefault", clDefault},
}};

// A light desktop, used where no toolkit palette says otherwise.
std::uint32_t RoleRgb(int role) {
  switch (role) {
    case kRoleWindow:
    case kRoleHighlightText:
    case kRoleBtnHighlight:
      return 0xFFFFFF;
    case kRoleBackground:
    case kRoleAppWorkSpace:
      return 0x3A6EA5;
    case kRoleActiveCaption:
    case kRoleHighlight:
    case kRoleGradientActiveCaption:
      return 0x0A246A;
    case kRoleInactiveCaption:
    case kRoleGradientInactiveCaption:
    case kRoleBtnShadow:
    case kRoleGrayText:
      return 0x808080;
    case kRoleScrollBar:
    case kRoleMenu:
    case kRoleActiveBorder:
    case kRoleInactiveBorder:
    case kRoleBtnFace:
    case kRole3DLight:
      return 0xD4D0C8;
    case kRoleCaptionText:
      return 0xFFFFFF;
    case kRoleInactiveCaptionText:
      return 0xD4D0C8;
    case kRoleInfoBk:
      return 0xFFFFE1;
    case kRole3DDkShadow:
      return 0x404040;
    default:  // texts and frames
      return 0x000000;
  }
}

}  // namespace

std::optional<TColor> IdentToColor(std::string_view name) {
  for (const NamedColor& entry : kColorNames) {
    if (SameText(entry.name, name)) return entry.value;
  }
  return std::nullopt;
}

TColor StringToColor(std::string_view text) {
  if (auto named = IdentToColor(text)) return *named;
  return ConfigInteger(text);
}

std::uint32_t ColorToRgb(TColor color) {
  if (IsRoleColor(color)) return RoleRgb(RoleOf(color));
  if (color == clNone || color == clDefault) return RoleRgb(kRoleWindowText);
  auto bgr = static_cast<std::uint32_t>(color) & 0xFFFFFF;
  return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

}  // namespace zelmo
