#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include "qt_test_support.h"
#include "shell/base/display.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/qt_port.h"

namespace zelmo {
namespace {

using testing::ProcessEventsUntil;
using testing::TestApp;

class MessageDisplayTest : public ::testing::Test {
 protected:
  // First, so that the application exists before any widget.
  QApplication& app_ = TestApp();

  LogView& Display() { return window_.Display(); }
  QTextDocument& Document() { return *Display().document(); }
  QTextBlock Block(int number) { return Document().findBlockByNumber(number); }
  static QTextCharFormat FormatOf(const QTextBlock& block) {
    return block.begin().fragment().charFormat();
  }
  static QColor ColorOf(const QTextBlock& block) { return FormatOf(block).foreground().color(); }

  MainWindow window_;
  QtPort port_{window_};
};

TEST_F(MessageDisplayTest, EachLineKeepsItsOwnColour) {
  port_.AppendDisplayLine("[1.1.2026 10:00:00] (Re)Loaded Config file...", clGreen);
  port_.AppendDisplayLine("[1.1.2026 10:00:00] Opening ZelmoBot v0.5..", clBlack);
  port_.AppendDisplayLine("[1.1.2026 10:00:01] lost", clRed);
  port_.AppendDisplayLine("role", RoleColor(kRoleHighlight));

  ASSERT_EQ(Document().blockCount(), 4);
  EXPECT_EQ(Block(0).text(), QStringLiteral("[1.1.2026 10:00:00] (Re)Loaded Config file..."));
  EXPECT_EQ(ColorOf(Block(0)), QColor(0, 128, 0));
  EXPECT_EQ(Block(1).text(), QStringLiteral("[1.1.2026 10:00:00] Opening ZelmoBot v0.5.."));
  EXPECT_EQ(ColorOf(Block(1)), QColor(0, 0, 0));
  EXPECT_EQ(ColorOf(Block(2)), QColor(255, 0, 0));
  EXPECT_EQ(ColorOf(Block(3)), QGuiApplication::palette().color(QPalette::Highlight));
}

TEST_F(MessageDisplayTest, EmptyLinesAndBytesAreKept) {
  port_.AppendDisplayLine("", clRed);
  port_.AppendDisplayLine(
      "\x03"
      "4colour\x0F p\xE4iv\xE4\xE4",
      clBlue);
  port_.AppendDisplayLine("", clGreen);
  ASSERT_EQ(Document().blockCount(), 3);
  EXPECT_EQ(Block(0).text(), QString());
  EXPECT_EQ(Block(1).text(), QStringLiteral(u"\u00034colour\u000F päivää"));
  EXPECT_EQ(ColorOf(Block(1)), QColor(0, 0, 255));
  EXPECT_EQ(Block(2).text(), QString());
}

TEST_F(MessageDisplayTest, ClearRemovesEveryLineAndTheNextLineIsTheFirst) {
  window_.show();
  port_.AppendDisplayLine("one", clRed);
  port_.ClearDisplay();  // in the middle of a burst
  EXPECT_TRUE(Document().isEmpty());
  port_.AppendDisplayLine("two", clGreen);
  QCoreApplication::processEvents();
  port_.ClearDisplay();
  port_.AppendDisplayLine("Message display cleared by host", clBlack);
  ProcessEventsUntil([] { return false; }, 20);
  ASSERT_EQ(Document().blockCount(), 1);
  EXPECT_EQ(Block(0).text(), QStringLiteral("Message display cleared by host"));
  EXPECT_EQ(ColorOf(Block(0)), QColor(0, 0, 0));
}

TEST_F(MessageDisplayTest, BackgroundAndFontApplyToTheWholeDisplay) {
  port_.AppendDisplayLine("before", clBlack);
  port_.SetDisplayBackground(clNavy);
  port_.SetDisplayFont("DejaVu Sans Mono");
  port_.AppendDisplayLine("after", clBlack);

  EXPECT_EQ(Display().palette().color(QPalette::Base), QColor(0, 0, 128));
  EXPECT_EQ(Display().font().family(), QStringLiteral("DejaVu Sans Mono"));
  EXPECT_EQ(Display().font().pointSize(), LogView::kFontPointSize);
  // No line carries a font or background of its own, so the widget's
  // settings reach old and new lines alike.
  for (int number : {0, 1}) {
    const QTextCharFormat format = FormatOf(Block(number));
    EXPECT_FALSE(format.hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_FALSE(format.hasProperty(QTextFormat::FontFamilies));
    EXPECT_FALSE(format.hasProperty(QTextFormat::FontPointSize));
  }

  port_.SetDisplayBackground(clWindow);
  EXPECT_EQ(Display().palette().color(QPalette::Base),
            QGuiApplication::palette().color(QPalette::Base));
  port_.SetDisplayBackground(clDefault);
  EXPECT_EQ(Display().palette().color(QPalette::Base),
            QGuiApplication::palette().color(QPalette::Base));
}

TEST_F(MessageDisplayTest, FollowsTheNewestLineOnlyFromTheBottom) {
  window_.show();
  QScrollBar* bar = Display().verticalScrollBar();
  for (int i = 0; i < 200; ++i) port_.AppendDisplayLine("line " + std::to_string(i), clBlack);
  // The scroll bar catches up when the event loop turns.
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->maximum() > 0; }));
  EXPECT_EQ(bar->value(), bar->maximum());

  // The operator scrolled up to read: new lines leave the view alone.
  bar->setValue(10);
  int old_maximum = bar->maximum();
  port_.AppendDisplayLine("more", clBlack);
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->maximum() > old_maximum; }));
  EXPECT_EQ(bar->value(), 10);

  bar->setValue(bar->maximum());
  old_maximum = bar->maximum();
  port_.AppendDisplayLine("newest", clBlack);
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->maximum() > old_maximum; }));
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(MessageDisplayTest, AppendingKeepsTheOperatorsSelection) {
  port_.AppendDisplayLine("select me", clBlack);
  QTextCursor selection(&Document());
  selection.setPosition(0);
  selection.setPosition(6, QTextCursor::KeepAnchor);
  Display().setTextCursor(selection);
  port_.AppendDisplayLine("next", clBlack);
  EXPECT_EQ(Display().textCursor().selectedText(), QStringLiteral("select"));
}

TEST_F(MessageDisplayTest, ABurstOfFiveThousandLines) {
  window_.show();
  const std::string text(60, 'x');
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 5000; ++i) {
    port_.AppendDisplayLine("[6.12.2026 18:31:23] " + std::to_string(i) + text,
                            i % 2 == 0 ? clRed : clGreen);
  }
  ASSERT_EQ(Document().blockCount(), 5000);
  QScrollBar* bar = Display().verticalScrollBar();
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->maximum() > 0; }));
  RecordProperty("append_ms", static_cast<int>(clock.elapsed()));
  EXPECT_EQ(Block(4999).text(), QString::fromStdString("[6.12.2026 18:31:23] 4999" + text));
  EXPECT_EQ(ColorOf(Block(4998)), QColor(255, 0, 0));
  EXPECT_EQ(ColorOf(Block(4999)), QColor(0, 128, 0));
  EXPECT_EQ(bar->value(), bar->maximum());
  // The newest line is the last one in view.
  EXPECT_EQ(Display()
                .cursorForPosition(QPoint(2, Display().viewport()->height() - 4))
                .block()
                .blockNumber(),
            4999);
}

// The window keeps the newest MaxLines lines in one burst and across turns
// of the event loop, after CLEAR, and drops lines at once when the limit is
// lowered; 0 keeps every line.
TEST_F(MessageDisplayTest, KeepsTheNewestMaxLinesLines) {
  window_.show();
  TMessageDisplay display(port_);
  display.SetMaxLines(3);
  for (int i = 0; i < 10; ++i) display.DisplayLine("line " + std::to_string(i));
  auto texts = [this] {
    std::vector<std::string> out;
    for (QTextBlock b = Document().begin(); b.isValid(); b = b.next()) {
      std::string text = b.text().toStdString();
      out.push_back(text.substr(text.find("] ") + 2));
    }
    return out;
  };
  // A batch of lines is trimmed when it is drawn; a slow machine draws later.
  auto settles_at = [&](const std::vector<std::string>& expected) {
    ProcessEventsUntil([&] { return texts() == expected; });
    return expected;
  };
  EXPECT_EQ(texts(), settles_at({"line 7", "line 8", "line 9"}));
  display.DisplayColoredLine("line 10", Errorous);
  EXPECT_EQ(texts(), settles_at({"line 8", "line 9", "line 10"}));
  EXPECT_EQ(ColorOf(Block(2)), QColor(255, 0, 0));

  display.Clear();
  for (int i = 0; i < 5; ++i) display.DisplayLine("again " + std::to_string(i));
  EXPECT_EQ(texts(), settles_at({"again 2", "again 3", "again 4"}));

  display.SetMaxLines(0);
  for (int i = 0; i < 5; ++i) display.DisplayLine("kept " + std::to_string(i));
  EXPECT_EQ(Document().blockCount(), 8);
  display.SetMaxLines(2);  // in the middle of a batch
  EXPECT_EQ(texts(), (std::vector<std::string>{"kept 3", "kept 4"}));
}

}  // namespace
}  // namespace zelmo
