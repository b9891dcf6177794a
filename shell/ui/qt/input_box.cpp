#include "shell/ui/qt/input_box.h"

#include <QKeyEvent>
#include <QTextDocument>

#include "shell/base/console_input.h"
#include "shell/ui/qt/text_bytes.h"

namespace zelmo {

InputBox::InputBox(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("UserInput"));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);
  FitToOneLine();
}

void InputBox::FitToOneLine() {
  const auto margin = static_cast<int>(document()->documentMargin());
  setFixedHeight(fontMetrics().lineSpacing() + 2 * margin + 2 * frameWidth());
}

void InputBox::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) FitToOneLine();
}

void InputBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  // The line is taken before the key lands.
  if (on_enter_) on_enter_(LineForEnter(BytesFromText(toPlainText())));
  // Every Enter, Shift+Enter included, starts a plain new line; the editor
  // would otherwise put a soft line break there or drop Ctrl+Enter.
  insertPlainText(QStringLiteral("\n"));
  ensureCursorVisible();
  event->accept();
}

}  // namespace zelmo
