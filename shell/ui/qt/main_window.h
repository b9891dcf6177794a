#pragma once

#include <QWidget>
#include <string>

#include "shell/base/ui_port.h"

namespace zelmo {

class FormHost;
class InputBox;
class LogView;
class StatusLine;
class TrayIcon;

// The bot's main window: the log above the input box, a status line for
// notices without a tray, and the tray icon. Closing asks the form.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kStartWidth = 696;
  static constexpr int kStartHeight = 480;

  MainWindow();
  ~MainWindow() override;

  // The form that answers close requests and receives the operator's input;
  // null while there is none (the window then closes without asking).
  void SetHost(FormHost* host) { host_ = host; }

  LogView& Display() { return *display_; }
  InputBox& Input() { return *input_; }
  StatusLine& Status() { return *status_; }
  TrayIcon& Tray() { return *tray_; }

  void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                   int seconds);
  // Back from the tray or the task bar: restored, visible, in front.
  void BringBack();

 signals:
  // The close was accepted; the window is gone from the screen.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void HandOverInput(const std::string& line);
  bool MayClose();

  FormHost* host_ = nullptr;
  LogView* display_;
  InputBox* input_;
  StatusLine* status_;
  TrayIcon* tray_;
  bool asking_to_close_ = false;
};

}  // namespace zelmo
