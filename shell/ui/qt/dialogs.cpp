#include "shell/ui/qt/dialogs.h"

#include <QMessageBox>

namespace zelmo {

bool AskQuestion(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                  parent);
  box.setObjectName(QStringLiteral("QuestionBox"));
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

void ShowErrorBox(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("ErrorBox"));
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace zelmo
