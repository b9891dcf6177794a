#pragma once

#include <QString>

class QWidget;

namespace zelmo {

// Modal boxes that show their texts exactly as given (never as rich text).
// Question returns true for OK; closing the box counts as Cancel.
bool AskQuestion(QWidget* parent, const QString& title, const QString& text);
void ShowErrorBox(QWidget* parent, const QString& title, const QString& text);

}  // namespace zelmo
