#include "shell/ui/qt/status_line.h"

namespace zelmo {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("StatusLine"));
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setContentsMargins(4, 2, 4, 2);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  hide_timer_.setSingleShot(true);
  connect(&hide_timer_, &QTimer::timeout, this, [this] {
    clear();
    hide();
  });
  hide();
}

void StatusLine::ShowFor(const QString& text, int milliseconds) {
  setText(text);
  show();
  hide_timer_.start(milliseconds);
}

}  // namespace zelmo
