#pragma once

#include <QColor>
#include <QPalette>
#include <optional>

#include "shell/base/colors.h"

namespace zelmo {

// The palette role that stands for a desktop colour role; none for role
// numbers that the desktop does not define.
std::optional<QPalette::ColorRole> PaletteRoleFor(int desktop_role);

// The colour to draw for a configured colour. Direct colours are 0x00BBGGRR;
// role colours come from the palette; clNone, clDefault and unknown roles
// give the palette's colour for the widget's own role (Text for a line,
// Base for a background).
QColor ColorFor(TColor color, const QPalette& palette, QPalette::ColorRole widget_default);

}  // namespace zelmo
