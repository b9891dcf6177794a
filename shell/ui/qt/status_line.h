#pragma once

#include <QLabel>
#include <QTimer>

namespace zelmo {

// A line at the bottom of the window for notices that have no tray to go
// to; hidden while it has nothing to say. A new notice replaces the old.
class StatusLine : public QLabel {
 public:
  explicit StatusLine(QWidget* parent = nullptr);

  void ShowFor(const QString& text, int milliseconds);

 private:
  QTimer hide_timer_;
};

}  // namespace zelmo
