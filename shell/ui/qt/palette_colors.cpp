#include "shell/ui/qt/palette_colors.h"

#include <cstdint>

namespace zelmo {

std::optional<QPalette::ColorRole> PaletteRoleFor(int desktop_role) {
  switch (desktop_role) {
    case kRoleScrollBar:
    case kRoleBtnFace:
      return QPalette::Button;
    case kRoleBackground:
    case kRoleMenu:
    case kRoleActiveBorder:
    case kRoleInactiveBorder:
      return QPalette::Window;
    case kRoleActiveCaption:
    case kRoleGradientActiveCaption:
    case kRoleHighlight:
      return QPalette::Highlight;
    case kRoleInactiveCaption:
    case kRoleGradientInactiveCaption:
    case kRoleAppWorkSpace:
      return QPalette::Mid;
    case kRoleWindow:
      return QPalette::Base;
    case kRoleWindowFrame:
    case kRoleMenuText:
      return QPalette::WindowText;
    case kRoleWindowText:
      return QPalette::Text;
    case kRoleCaptionText:
    case kRoleHighlightText:
      return QPalette::HighlightedText;
    case kRoleBtnShadow:
      return QPalette::Dark;
    case kRoleGrayText:
    case kRoleInactiveCaptionText:
      return QPalette::PlaceholderText;
    case kRoleBtnText:
      return QPalette::ButtonText;
    case kRoleBtnHighlight:
      return QPalette::Light;
    case kRole3DDkShadow:
      return QPalette::Shadow;
    case kRole3DLight:
      return QPalette::Midlight;
    case kRoleInfoText:
      return QPalette::ToolTipText;
    case kRoleInfoBk:
      return QPalette::ToolTipBase;
    default:
      return std::nullopt;
  }
}

QColor ColorFor(TColor color, const QPalette& palette, QPalette::ColorRole widget_default) {
  if (color == clNone || color == clDefault) return palette.color(widget_default);
  if (IsRoleColor(color)) {
    return palette.color(PaletteRoleFor(RoleOf(color)).value_or(widget_default));
  }
  const auto bgr = static_cast<std::uint32_t>(color);
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace zelmo
