#pragma once

#include <QObject>

#include "shell/base/ui_port.h"

namespace zelmo {

class MainWindow;

// The logic's view of the Qt window. Everything but PostToUiThread runs on
// the GUI thread.
class QtPort : public UiPort {
 public:
  explicit QtPort(MainWindow& window);

  void AppendDisplayLine(const std::string& line, TColor color) override;
  void ClearDisplay() override;
  void SetDisplayBackground(TColor color) override;
  void SetDisplayFont(const std::string& face) override;
  void SetDisplayMaxLines(int count) override;
  void SetCaption(const std::string& caption) override;
  bool Question(const std::string& title, const std::string& text) override;
  void ErrorBox(const std::string& title, const std::string& text) override;
  void Balloon(const std::string& title, const std::string& text, BalloonIcon icon,
               int seconds) override;
  std::unique_ptr<UiTimer> CreateTimer(std::function<void()> on_tick) override;
  void PostToUiThread(std::function<void()> task) override;
  void RequestClose() override;
  bool OnUiThread() const override;

 private:
  MainWindow& window_;
  // Posted tasks are queued calls on this object, which lives on the GUI
  // thread; the event queue keeps them in posting order.
  QObject task_receiver_;
};

}  // namespace zelmo
