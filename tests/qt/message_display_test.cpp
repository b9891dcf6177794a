#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QScrollBar>

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
  int Lines() { return Display().LineCount(); }
  QString Text(int number) { return Display().LineText(number); }
  QColor ColorOf(int number) { return Display().LineColor(number); }

  MainWindow window_;
  QtPort port_{window_};
};

TEST_F(MessageDisplayTest, EachLineKeepsItsOwnColour) {
  port_.AppendDisplayLine("[1.1.2026 10:00:00] (Re)Loaded Config file...", clGreen);
  port_.AppendDisplayLine("[1.1.2026 10:00:00] Opening ZelmoBot v0.5..", clBlack);
  port_.AppendDisplayLine("[1.1.2026 10:00:01] lost", clRed);
  port_.AppendDisplayLine("role", RoleColor(kRoleHighlight));

  ASSERT_EQ(Lines(), 4);
  EXPECT_EQ(Text(0), QStringLiteral("[1.1.2026 10:00:00] (Re)Loaded Config file..."));
  EXPECT_EQ(ColorOf(0), QColor(0, 128, 0));
  EXPECT_EQ(Text(1), QStringLiteral("[1.1.2026 10:00:00] Opening ZelmoBot v0.5.."));
  EXPECT_EQ(ColorOf(1), QColor(0, 0, 0));
  EXPECT_EQ(ColorOf(2), QColor(255, 0, 0));
  EXPECT_EQ(ColorOf(3), QGuiApplication::palette().color(QPalette::Highlight));
}

TEST_F(MessageDisplayTest, EmptyLinesAndBytesAreKept) {
  port_.AppendDisplayLine("", clRed);
  port_.AppendDisplayLine(
      "\x03"
      "4colour\x0F p\xE4iv\xE4\xE4",
      clBlue);
  port_.AppendDisplayLine("", clGreen);
  ASSERT_EQ(Lines(), 3);
  EXPECT_EQ(Text(0), QString());
  EXPECT_EQ(Text(1), QStringLiteral(u"\u00034colour\u000F päivää"));
  EXPECT_EQ(ColorOf(1), QColor(0, 0, 255));
  EXPECT_EQ(Text(2), QString());
}

TEST_F(MessageDisplayTest, ClearRemovesEveryLineAndTheNextLineIsTheFirst) {
  window_.show();
  port_.AppendDisplayLine("one", clRed);
  port_.ClearDisplay();  // in the middle of a burst
  EXPECT_EQ(Lines(), 0);
  port_.AppendDisplayLine("two", clGreen);
  QCoreApplication::processEvents();
  port_.ClearDisplay();
  port_.AppendDisplayLine("Message display cleared by host", clBlack);
  ProcessEventsUntil([] { return false; }, 20);
  ASSERT_EQ(Lines(), 1);
  EXPECT_EQ(Text(0), QStringLiteral("Message display cleared by host"));
  EXPECT_EQ(ColorOf(0), QColor(0, 0, 0));
}

TEST_F(MessageDisplayTest, BackgroundAndFontApplyToTheWholeDisplay) {
  port_.AppendDisplayLine("before", clBlack);
  port_.SetDisplayBackground(clNavy);
  port_.SetDisplayFont("DejaVu Sans Mono");
  port_.AppendDisplayLine("after", clBlack);

  EXPECT_EQ(Display().palette().color(QPalette::Base), QColor(0, 0, 128));
  EXPECT_EQ(Display().font().family(), QStringLiteral("DejaVu Sans Mono"));
  EXPECT_EQ(Display().font().pointSize(), LogView::kFontPointSize);
  // What is drawn: the background behind every line, each line in its colour.
  port_.AppendDisplayLine(std::string(40, '#'), clRed);
  window_.show();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Lines() == 3; }));
  const QImage shown = Display().viewport()->grab().toImage();
  EXPECT_EQ(shown.pixelColor(1, 1), QColor(0, 0, 128));
  int red_pixels = 0;  // red text, smoothed into the navy around it
  for (int x = 0; x < shown.width(); ++x) {
    for (int y = 0; y < shown.height(); ++y) {
      const QColor pixel = shown.pixelColor(x, y);
      red_pixels += pixel.red() > 120 && pixel.red() > 2 * pixel.blue() && pixel.green() < 60;
    }
  }
  EXPECT_GT(red_pixels, 40);

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
  Display().Select(Display().LineStart(0), {Display().LineStart(0).line, 6});
  port_.AppendDisplayLine("next", clBlack);
  EXPECT_EQ(Display().SelectedText(), QStringLiteral("select"));
}

// The selection follows its lines while older ones are dropped, and what is
// dropped leaves the selection.
TEST_F(MessageDisplayTest, ASelectionAcrossLinesOutlivesTheDroppedLines) {
  Display().SetMaxLines(3);
  for (const char* text : {"zero", "one", "two"}) port_.AppendDisplayLine(text, clBlack);
  Display().Select({Display().LineStart(0).line, 2}, {Display().LineStart(2).line, 2});
  EXPECT_EQ(Display().SelectedText(), QStringLiteral("ro\none\ntw"));
  port_.AppendDisplayLine("three", clBlack);
  EXPECT_EQ(Display().SelectedText(), QStringLiteral("one\ntw"));
  Display().SelectAll();
  EXPECT_EQ(Display().SelectedText(), QStringLiteral("one\ntwo\nthree"));
  port_.ClearDisplay();
  EXPECT_EQ(Display().SelectedText(), QString());
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
  ASSERT_EQ(Lines(), 5000);
  QScrollBar* bar = Display().verticalScrollBar();
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->maximum() > 0; }));
  RecordProperty("append_ms", static_cast<int>(clock.elapsed()));
  EXPECT_EQ(Text(4999), QString::fromStdString("[6.12.2026 18:31:23] 4999" + text));
  EXPECT_EQ(ColorOf(4998), QColor(255, 0, 0));
  EXPECT_EQ(ColorOf(4999), QColor(0, 128, 0));
  EXPECT_EQ(bar->value(), bar->maximum());
  // The newest line is the last one in view.
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return Display().LineAt(QPoint(2, Display().viewport()->height() - 6)) == 4999; }));
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
    for (int number = 0; number < Lines(); ++number) {
      std::string text = Text(number).toStdString();
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
  EXPECT_EQ(ColorOf(2), QColor(255, 0, 0));

  display.Clear();
  for (int i = 0; i < 5; ++i) display.DisplayLine("again " + std::to_string(i));
  EXPECT_EQ(texts(), settles_at({"again 2", "again 3", "again 4"}));

  display.SetMaxLines(0);
  for (int i = 0; i < 5; ++i) display.DisplayLine("kept " + std::to_string(i));
  EXPECT_EQ(Lines(), 8);
  display.SetMaxLines(2);  // in the middle of a batch
  EXPECT_EQ(texts(), (std::vector<std::string>{"kept 3", "kept 4"}));
}

}  // namespace
}  // namespace zelmo
