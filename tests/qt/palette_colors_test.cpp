#include "shell/ui/qt/palette_colors.h"

#include <gtest/gtest.h>

namespace zelmo {
namespace {

// Every role in its own colour, so a wrong mapping cannot pass by accident.
QPalette DistinctPalette() {
  QPalette palette;
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    if (role == QPalette::NoRole) continue;
    palette.setColor(static_cast<QPalette::ColorRole>(role), QColor(role * 7, 255 - role, 3));
  }
  return palette;
}

TEST(PaletteColors, DirectColoursHaveRedInTheLowByte) {
  const QPalette palette = DistinctPalette();
  EXPECT_EQ(ColorFor(clRed, palette, QPalette::Text), QColor(255, 0, 0));
  EXPECT_EQ(ColorFor(clOlive, palette, QPalette::Text), QColor(128, 128, 0));
  EXPECT_EQ(ColorFor(0x00123456, palette, QPalette::Text), QColor(0x56, 0x34, 0x12));
}

TEST(PaletteColors, RoleColoursComeFromThePalette) {
  const QPalette palette = DistinctPalette();
  const std::pair<int, QPalette::ColorRole> cases[] = {
      {kRoleWindow, QPalette::Base},
      {kRoleWindowText, QPalette::Text},
      {kRoleBtnFace, QPalette::Button},
      {kRoleBtnText, QPalette::ButtonText},
      {kRoleHighlight, QPalette::Highlight},
      {kRoleHighlightText, QPalette::HighlightedText},
      {kRoleInfoBk, QPalette::ToolTipBase},
      {kRoleInfoText, QPalette::ToolTipText},
      {kRoleGrayText, QPalette::PlaceholderText},
      {kRoleMenu, QPalette::Window},
      {kRoleMenuText, QPalette::WindowText},
      {kRoleBtnShadow, QPalette::Dark},
      {kRoleBtnHighlight, QPalette::Light},
      {kRole3DDkShadow, QPalette::Shadow},
      {kRole3DLight, QPalette::Midlight},
  };
  for (const auto& [desktop_role, palette_role] : cases) {
    EXPECT_EQ(ColorFor(RoleColor(desktop_role), palette, QPalette::Text),
              palette.color(palette_role))
        << desktop_role;
  }
  for (int role = kRoleScrollBar; role <= kRoleInfoBk; ++role) {
    EXPECT_TRUE(PaletteRoleFor(role).has_value()) << role;
  }
}

TEST(PaletteColors, SpecialValuesAndUnknownRolesGiveTheWidgetDefault) {
  const QPalette palette = DistinctPalette();
  for (TColor special : {clNone, clDefault, RoleColor(25), RoleColor(200)}) {
    EXPECT_EQ(ColorFor(special, palette, QPalette::Text), palette.color(QPalette::Text));
    EXPECT_EQ(ColorFor(special, palette, QPalette::Base), palette.color(QPalette::Base));
  }
}

}  // namespace
}  // namespace zelmo
