#include "shell/ui/qt/palette_colors.h"

#include <gtest/gtest.h>

#include <QPalette>

namespace zelmo::qtui {
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
  EXPECT_EQ(ColorFor(clBlue, palette, QPalette::Text), QColor(0, 0, 255));
  EXPECT_EQ(ColorFor(clOlive, palette, QPalette::Text), QColor(128, 128, 0));
  EXPECT_EQ(ColorFor(0x00123456, palette, QPalette::Text), QColor(0x56, 0x34, 0x12));
  EXPECT_EQ(ColorFor(clBlack, palette, QPalette::Text), QColor(0, 0, 0));
}

TEST(PaletteColors, RoleColoursComeFromThePalette) {
  const QPalette palette = DistinctPalette();
  const struct {
    int desktop_role;
    QPalette::ColorRole palette_role;
  } cases[] = {
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desktop_role);
    EXPECT_EQ(ColorFor(RoleColor(c.desktop_role), palette, QPalette::Text),
              palette.color(c.palette_role));
  }
  EXPECT_EQ(ColorFor(clWindow, palette, QPalette::Text), palette.color(QPalette::Base));
}

TEST(PaletteColors, EveryDesktopRoleHasAPaletteRole) {
  for (int role = kRoleScrollBar; role <= kRoleInfoBk; ++role) {
    EXPECT_TRUE(PaletteRoleFor(role).has_value()) << role;
  }
  EXPECT_TRUE(PaletteRoleFor(kRoleGradientActiveCaption).has_value());
  EXPECT_TRUE(PaletteRoleFor(kRoleGradientInactiveCaption).has_value());
}

TEST(PaletteColors, SpecialValuesAndUnknownRolesGiveTheWidgetDefault) {
  const QPalette palette = DistinctPalette();
  EXPECT_EQ(ColorFor(clNone, palette, QPalette::Text), palette.color(QPalette::Text));
  EXPECT_EQ(ColorFor(clDefault, palette, QPalette::Text), palette.color(QPalette::Text));
  EXPECT_EQ(ColorFor(clNone, palette, QPalette::Base), palette.color(QPalette::Base));
  EXPECT_EQ(ColorFor(clDefault, palette, QPalette::Base), palette.color(QPalette::Base));
  EXPECT_FALSE(PaletteRoleFor(25).has_value());
  EXPECT_EQ(ColorFor(RoleColor(25), palette, QPalette::Base), palette.color(QPalette::Base));
  EXPECT_EQ(ColorFor(RoleColor(200), palette, QPalette::Text), palette.color(QPalette::Text));
}

}  // namespace
}  // namespace zelmo::qtui
