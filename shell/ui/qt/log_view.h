#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>
#include <QTextLayout>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace zelmo {

// The operator's log: read-only lines, each in its own colour, wrapped at
// the view's width, selectable with the mouse and copied with the usual keys.
//
// The lines live here, compactly (UTF-8 and a colour), and only the lines in
// view are laid out when painted. A text document would keep a layout block,
// UTF-16 text and a piece table for every line, and dropping the oldest lines
// leaves their text in its buffer until a compaction copies all of it: a long
// run with a line limit then costs several times the text itself.
//
// Lines that arrive within 16 ms are shown together, so a burst costs one
// layout and one paint per frame however the lines come in.
class LogView : public QAbstractScrollArea {
 public:
  // A place in the log: the line (counted from the first line ever shown,
  // so it stays put when older lines are dropped) and the UTF-16 column.
  struct Position {
    std::int64_t line = 0;
    int column = 0;
    auto operator<=>(const Position&) const = default;
  };

  explicit LogView(QWidget* parent = nullptr);
  ~LogView() override;

  void AppendLine(const QString& text, const QColor& color);
  void ClearLines();
  void SetBackground(const QColor& color);
  void SetFontFace(const QString& face);
  // The most lines kept, the oldest dropped first; 0 keeps every line.
  void SetMaxLines(int count);

  int LineCount() const { return static_cast<int>(lines_.size()); }
  // Line `number` of those kept, 0 being the oldest.
  QString LineText(int number) const;
  QColor LineColor(int number) const;
  // Where line `number` of those kept begins.
  Position LineStart(int number) const { return {first_line_ + number, 0}; }
  // The number of the kept line shown at `point` of the viewport, or -1.
  int LineAt(const QPoint& point) const;

  void Select(Position anchor, Position cursor);
  void SelectAll();
  // The selected text, lines joined by "\n"; empty without a selection.
  QString SelectedText() const;
  void CopySelection() const;

  static constexpr int kFontPointSize = 8;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  struct Line {
    std::string text;
    QRgb color;
  };
  // A line as painted last, for finding what the mouse points at.
  struct Shown {
    std::int64_t line;
    qreal top;
    std::unique_ptr<QTextLayout> layout;
  };

  void DropOldest();
  void ScheduleRefresh();
  void Refresh();
  int LinesFittingAtBottom() const;
  void LayOutDownFrom(int number);
  void LayOutUpFromNewest();
  std::unique_ptr<QTextLayout> LayOut(int number) const;
  QList<QTextLayout::FormatRange> SelectionIn(std::int64_t line, int length) const;
  Position PositionAt(const QPoint& point) const;
  Position Clamped(Position position) const;
  bool HasSelection() const { return anchor_ != cursor_; }

  std::deque<Line> lines_;
  // The number of the oldest kept line among all lines ever shown.
  std::int64_t first_line_ = 0;
  // The line at the top of the view while the operator reads older lines.
  std::int64_t top_line_ = 0;
  int max_lines_ = 0;
  Position anchor_;
  Position cursor_;
  bool selecting_ = false;
  QTimer refresh_;
  std::vector<Shown> shown_;
};

}  // namespace zelmo
