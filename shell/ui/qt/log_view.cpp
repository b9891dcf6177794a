#include "shell/ui/qt/log_view.h"

#include <QScrollBar>
#include <QTextCharFormat>

namespace zelmo {

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("MessageDisplay"));
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  // The log only grows; an undo stack would hold a second copy of it.
  setUndoRedoEnabled(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont display_font = font();
  display_font.setPointSize(kFontPointSize);
  setFont(display_font);

  batch_end_.setSingleShot(true);
  // Lines handed over one at a time each come in their own turn of the event
  // loop: a batch stays open for one frame, so a burst is laid out and
  // painted once per frame rather than once per line.
  batch_end_.setInterval(16);
  connect(&batch_end_, &QTimer::timeout, this, [this] { CloseBatch(); });
  // While a batch is open the layout may catch up early (a resize, a show);
  // a view that was at the newest line stays there.
  connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int maximum) {
    if (batch_open_ && follow_newest_) verticalScrollBar()->setValue(maximum);
  });
  // The operator may scroll while a batch is open.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (batch_open_) follow_newest_ = value >= verticalScrollBar()->maximum();
  });
}

LogView::~LogView() {
  CloseBatch();
}

void LogView::AppendLine(const QString& text, const QColor& color) {
  OpenBatch();
  // The cursor is the log's own, so the operator's selection stays put.
  QTextCharFormat format;
  format.setForeground(color);
  if (has_lines_) batch_cursor_.insertBlock(QTextBlockFormat(), format);
  batch_cursor_.insertText(text, format);
  has_lines_ = true;
  // Old lines go only when the batch ends; a burst longer than the limit
  // must not hold them all meanwhile.
  if (maximumBlockCount() > 0 && ++batch_lines_ >= maximumBlockCount()) CloseBatch();
}

void LogView::OpenBatch() {
  if (batch_open_) return;
  const QScrollBar* bar = verticalScrollBar();
  follow_newest_ = bar->value() >= bar->maximum();
  batch_cursor_ = QTextCursor(document());
  batch_cursor_.movePosition(QTextCursor::End);
  batch_cursor_.beginEditBlock();
  batch_open_ = true;
  batch_lines_ = 0;
  batch_end_.start();
}

void LogView::CloseBatch() {
  if (!batch_open_) return;
  batch_open_ = false;
  batch_end_.stop();
  batch_cursor_.endEditBlock();
  batch_cursor_ = QTextCursor();
  if (follow_newest_) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::ClearLines() {
  CloseBatch();
  clear();
  has_lines_ = false;
}

void LogView::SetMaxLines(int count) {
  // The document drops blocks when an edit block ends; a new limit applies
  // to the lines shown at once.
  CloseBatch();
  setMaximumBlockCount(count);
}

void LogView::SetBackground(const QColor& color) {
  QPalette colors = palette();
  colors.setColor(QPalette::Base, color);
  setPalette(colors);
}

void LogView::SetFontFace(const QString& face) {
  QFont display_font = font();
  display_font.setFamily(face);
  display_font.setPointSize(kFontPointSize);
  setFont(display_font);
}

}  // namespace zelmo
