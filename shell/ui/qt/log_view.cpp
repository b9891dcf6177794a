#include "shell/ui/qt/log_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <algorithm>
#include <climits>

namespace zelmo {
namespace {

// Blank pixels around the text, as a text document leaves them.
constexpr int kMargin = 4;

qreal HeightOf(const QTextLayout& layout, const QFontMetricsF& metrics) {
  return std::max(layout.boundingRect().height(), metrics.lineSpacing());
}

}  // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("MessageDisplay"));
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::IBeamCursor);
  verticalScrollBar()->setSingleStep(1);
  QFont display_font = font();
  display_font.setPointSize(kFontPointSize);
  setFont(display_font);

  refresh_.setSingleShot(true);
  // Lines handed over one at a time each come in their own turn of the event
  // loop: the view catches up once per frame rather than once per line.
  refresh_.setInterval(16);
  connect(&refresh_, &QTimer::timeout, this, [this] { Refresh(); });
}

LogView::~LogView() = default;

void LogView::AppendLine(const QString& text, const QColor& color) {
  lines_.push_back({text.toStdString(), color.rgb()});
  DropOldest();
  ScheduleRefresh();
}

void LogView::ClearLines() {
  first_line_ += LineCount();
  lines_.clear();
  top_line_ = first_line_;
  anchor_ = cursor_ = Position{first_line_, 0};
  Refresh();
}

void LogView::SetMaxLines(int count) {
  max_lines_ = std::max(count, 0);
  DropOldest();
  ScheduleRefresh();
}

void LogView::DropOldest() {
  if (max_lines_ == 0) return;
  while (LineCount() > max_lines_) {
    lines_.pop_front();
    ++first_line_;
  }
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

QString LogView::LineText(int number) const {
  return QString::fromStdString(lines_.at(static_cast<std::size_t>(number)).text);
}

QColor LogView::LineColor(int number) const {
  return QColor(lines_.at(static_cast<std::size_t>(number)).color);
}

void LogView::ScheduleRefresh() {
  if (!refresh_.isActive()) refresh_.start();
}

// Sets the scroll range for the lines kept now. A view at the newest line
// stays there; one where the operator reads older lines keeps its top line
// while it is kept.
void LogView::Refresh() {
  refresh_.stop();
  QScrollBar* bar = verticalScrollBar();
  const bool follow_newest = bar->value() >= bar->maximum();
  const std::int64_t top = top_line_;
  const int fitting = LinesFittingAtBottom();
  const int maximum = std::max(0, LineCount() - fitting);
  bar->setPageStep(std::max(1, fitting));
  bar->setRange(0, maximum);
  bar->setValue(follow_newest
                    ? maximum
                    : static_cast<int>(std::clamp<std::int64_t>(top - first_line_, 0, maximum)));
  top_line_ = first_line_ + bar->value();
  viewport()->update();
}

// How many of the newest lines fill the view: the scroll range ends where
// they begin, so the newest line is the last one in view.
int LogView::LinesFittingAtBottom() const {
  const qreal room = viewport()->height() - 2 * kMargin;
  const QFontMetricsF metrics(font());
  qreal used = 0;
  int fitting = 0;
  for (int number = LineCount() - 1; number >= 0; --number) {
    used += HeightOf(*LayOut(number), metrics);
    if (used > room) break;
    ++fitting;
  }
  return std::max(fitting, std::min(LineCount(), 1));
}

std::unique_ptr<QTextLayout> LogView::LayOut(int number) const {
  auto layout = std::make_unique<QTextLayout>(LineText(number), font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout->setTextOption(option);
  const qreal width = std::max(1, viewport()->width() - 2 * kMargin);
  qreal height = 0;
  layout->beginLayout();
  for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout->endLayout();
  return layout;
}

void LogView::paintEvent(QPaintEvent*) {
  const QScrollBar* bar = verticalScrollBar();
  if (bar->maximum() > 0 && bar->value() == bar->maximum()) {
    LayOutUpFromNewest();
  } else {
    LayOutDownFrom(static_cast<int>(
        std::clamp<std::int64_t>(top_line_ - first_line_, 0, std::max(LineCount() - 1, 0))));
  }
  QPainter painter(viewport());
  for (const Shown& shown : shown_) {
    painter.setPen(LineColor(static_cast<int>(shown.line - first_line_)));
    shown.layout->draw(&painter, QPointF(kMargin, shown.top),
                       SelectionIn(shown.line, static_cast<int>(shown.layout->text().size())));
  }
}

void LogView::LayOutDownFrom(int number) {
  const QFontMetricsF metrics(font());
  shown_.clear();
  for (qreal top = kMargin; number < LineCount() && top < viewport()->height(); ++number) {
    auto layout = LayOut(number);
    const qreal height = HeightOf(*layout, metrics);
    shown_.push_back({first_line_ + number, top, std::move(layout)});
    top += height;
  }
}

// Following the newest line, the view ends with it, the oldest line in view
// cut at the top if need be.
void LogView::LayOutUpFromNewest() {
  const QFontMetricsF metrics(font());
  shown_.clear();
  qreal bottom = viewport()->height() - kMargin;
  for (int number = LineCount() - 1; number >= 0 && bottom > 0; --number) {
    auto layout = LayOut(number);
    bottom -= HeightOf(*layout, metrics);
    shown_.push_back({first_line_ + number, bottom, std::move(layout)});
  }
  std::reverse(shown_.begin(), shown_.end());
}

void LogView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Refresh();
}

void LogView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) Refresh();
}

void LogView::scrollContentsBy(int, int) {
  top_line_ = first_line_ + verticalScrollBar()->value();
  viewport()->update();
}

QList<QTextLayout::FormatRange> LogView::SelectionIn(std::int64_t line, int length) const {
  if (!HasSelection()) return {};
  const auto [from, to] = std::minmax({anchor_, cursor_});
  if (line < from.line || line > to.line) return {};
  const int start = line == from.line ? from.column : 0;
  const int end = line == to.line ? to.column : length;
  if (end <= start) return {};
  QTextLayout::FormatRange range;
  range.start = start;
  range.length = end - start;
  range.format.setBackground(palette().brush(QPalette::Highlight));
  range.format.setForeground(palette().brush(QPalette::HighlightedText));
  return {range};
}

LogView::Position LogView::Clamped(Position position) const {
  if (lines_.empty()) return {first_line_, 0};
  const std::int64_t last = first_line_ + LineCount() - 1;
  if (position.line < first_line_) return {first_line_, 0};
  if (position.line > last) position = {last, INT_MAX};
  const int length =
      static_cast<int>(LineText(static_cast<int>(position.line - first_line_)).size());
  return {position.line, std::clamp(position.column, 0, length)};
}

void LogView::Select(Position anchor, Position cursor) {
  anchor_ = anchor;
  cursor_ = cursor;
  viewport()->update();
}

void LogView::SelectAll() {
  Select({first_line_, 0}, Clamped({first_line_ + LineCount(), 0}));
}

QString LogView::SelectedText() const {
  const auto [from, to] = std::minmax({Clamped(anchor_), Clamped(cursor_)});
  if (from == to) return {};
  QStringList parts;
  for (std::int64_t line = from.line; line <= to.line; ++line) {
    const QString text = LineText(static_cast<int>(line - first_line_));
    const int start = line == from.line ? from.column : 0;
    const int end = line == to.line ? to.column : static_cast<int>(text.size());
    parts << text.mid(start, end - start);
  }
  return parts.join(QLatin1Char('\n'));
}

void LogView::CopySelection() const {
  if (HasSelection()) QGuiApplication::clipboard()->setText(SelectedText());
}

// The place the mouse points at among the lines painted last; above them is
// the start of the first, below them the end of the last.
LogView::Position LogView::PositionAt(const QPoint& point) const {
  if (shown_.empty()) return {first_line_, 0};
  const QFontMetricsF metrics(font());
  for (const Shown& shown : shown_) {
    if (point.y() < shown.top) return {shown.line, 0};
    const qreal y = point.y() - shown.top;
    if (y >= HeightOf(*shown.layout, metrics)) continue;
    for (int i = 0; i < shown.layout->lineCount(); ++i) {
      const QTextLine row = shown.layout->lineAt(i);
      if (y < row.y() + row.height() || i + 1 == shown.layout->lineCount()) {
        return {shown.line, row.xToCursor(point.x() - kMargin)};
      }
    }
  }
  return {shown_.back().line, static_cast<int>(shown_.back().layout->text().size())};
}

int LogView::LineAt(const QPoint& point) const {
  const QFontMetricsF metrics(font());
  for (const Shown& shown : shown_) {
    if (point.y() >= shown.top && point.y() < shown.top + HeightOf(*shown.layout, metrics)) {
      return static_cast<int>(shown.line - first_line_);
    }
  }
  return -1;
}

void LogView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
  } else if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

void LogView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Position at = PositionAt(event->position().toPoint());
  Select(at, at);
  selecting_ = true;
}

void LogView::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_) return;
  const QPoint point = event->position().toPoint();
  // Dragging past the view's edge scrolls it, a line per move.
  if (point.y() < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (point.y() > viewport()->height()) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  }
  Select(anchor_, PositionAt(point));
}

void LogView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !selecting_) return;
  selecting_ = false;
  // X11's primary selection: what is selected can be pasted with the middle button.
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (HasSelection() && clipboard->supportsSelection()) {
    clipboard->setText(SelectedText(), QClipboard::Selection);
  }
}

void LogView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Position at = PositionAt(event->position().toPoint());
  Select({at.line, 0}, Clamped({at.line, INT_MAX}));
}

void LogView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("&Copy"), this, [this] { CopySelection(); });
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(HasSelection());
  QAction* all = menu.addAction(QStringLiteral("Select &All"), this, [this] { SelectAll(); });
  all->setShortcut(QKeySequence::SelectAll);
  menu.exec(event->globalPos());
}

}  // namespace zelmo
