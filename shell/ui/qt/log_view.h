#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
#include <QTimer>

namespace zelmo {

// The operator's log: read-only, one block per line, each line in its own
// colour. Lines are only appended or all cleared.
//
// Lines that arrive within 16 ms go into the document at once but inside one
// open edit block, so the layout and the scroll bar catch up once per frame
// instead of once per line: a burst of thousands of lines then costs about
// as much as a few, also when each line comes in its own event-loop turn.
class LogView : public QPlainTextEdit {
 public:
  explicit LogView(QWidget* parent = nullptr);
  ~LogView() override;

  void AppendLine(const QString& text, const QColor& color);
  void ClearLines();
  void SetBackground(const QColor& color);
  void SetFontFace(const QString& face);
  // The most lines kept, the oldest dropped first; 0 keeps every line.
  void SetMaxLines(int count);

  static constexpr int kFontPointSize = 8;

 private:
  void OpenBatch();
  void CloseBatch();

  QTextCursor batch_cursor_;
  QTimer batch_end_;
  bool batch_open_ = false;
  int batch_lines_ = 0;
  // Whether the view was at the newest line when the batch began.
  bool follow_newest_ = false;
  // An empty first line leaves the document looking empty, so whether the
  // next line needs a block of its own is tracked here.
  bool has_lines_ = false;
};

}  // namespace zelmo
