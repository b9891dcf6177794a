#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>

namespace zelmo {

// The operator's input box: one text line high, keeps every line typed.
// Enter hands over the last line that holds text, then starts a new line.
class InputBox : public QPlainTextEdit {
 public:
  using EnterHandler = std::function<void(const std::string& line)>;

  explicit InputBox(QWidget* parent = nullptr);

  void SetEnterHandler(EnterHandler handler) { on_enter_ = std::move(handler); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FitToOneLine();

  EnterHandler on_enter_;
};

}  // namespace zelmo
