#include <gtest/gtest.h>

#include <string>

#include "shell/channel_log_lines.h"

namespace zelmo {
namespace {

using namespace log_line;

TEST(ChannelLogLines, EachKindOfLine) {
  const struct {
    std::string made, expected;
  } cases[] = {
      {Message("bob", "hi there"), "<bob> hi there"},
      {Notice("bob", "hear ye"), "-bob- hear ye"},
      {Action("bob", "waves"), "* bob waves"},
      {Join("bob", "b@host"), "--> bob (b@host) joined"},
      {Join("ZelmoBot", ""), "--> ZelmoBot joined"},
      {Part("bob", "b@host", "bye"), "<-- bob (b@host) parted (bye)"},
      {Part("bob", "b@host", ""), "<-- bob (b@host) parted"},
      {Quit("bob", "Ping timeout"), "<-- bob quit (Ping timeout)"},
      {Quit("bob", ""), "<-- bob quit"},
      {Kick("bob", "alice", "No colors!"), "<-- bob was kicked by alice (No colors!)"},
      {Mode("alice", "+o bob"), "*** alice sets mode +o bob"},
      {Mode("", "+nt"), "*** Mode is +nt"},
      {Topic("alice", "news"), "*** alice changes topic to 'news'"},
      {Topic("", "news"), "*** Topic is 'news'"},
      {NickChange("bob", "bobby"), "*** bob is now known as bobby"},
      {Lost(1), "-- 1 line lost"},
      {Lost(12), "-- 12 lines lost"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.made, c.expected);
}

TEST(ChannelLogLines, FileLineIsOneLineOfUtf8) {
  EXPECT_EQ(FileLine("09:05:00", "<bob> hi"), "[09:05:00] <bob> hi\n");
  EXPECT_EQ(FileLine("09:05:00", std::string("a\rb\nc\0d", 7)), "[09:05:00] a b c d\n");
  // Latin-1 from an old client becomes UTF-8; UTF-8 stays as it is.
  EXPECT_EQ(FileLine("09:05:00", "k\xe4py"), "[09:05:00] k\xc3\xa4py\n");
  EXPECT_EQ(FileLine("09:05:00", "k\xc3\xa4py"), "[09:05:00] k\xc3\xa4py\n");
}

TEST(ChannelLogLines, SafeFileNames) {
  const struct {
    std::string channel, expected;
  } cases[] = {
      {"#Room", "#room"},
      {"&local", "&local"},
      {"#a/b", "#a%2Fb"},
      {"#a\\b", "#a%5Cb"},
      {"#50%", "#50%25"},
      {"..", "%2E."},
      {".hidden", "%2Ehidden"},
      {"#tab\there", "#tab%09here"},
      {std::string("#nul\0x", 6), "#nul%00x"},
      {"#del\x7f", "#del%7F"},
      {"#K\xc3\x84PY", "#k\xc3\x84py"},  // only ASCII letters are lowered
      {"", "%00"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeChannelFileName(c.channel), c.expected) << c.channel;
}

TEST(ChannelLogLines, LongNamesAreCutAndStayApart) {
  const std::string a = "#" + std::string(300, 'a');
  const std::string b = a + "b";
  EXPECT_EQ(SafeChannelFileName(a).size(), 200u);
  EXPECT_NE(SafeChannelFileName(a), SafeChannelFileName(b));
  EXPECT_EQ(SafeChannelFileName(a), SafeChannelFileName("#" + std::string(300, 'A')));
}

TEST(ChannelLogLines, DaysAndDayFiles) {
  EXPECT_EQ(DaysBefore("2026-03-01", 1), "2026-02-28");
  EXPECT_EQ(DaysBefore("2028-03-01", 1), "2028-02-29");
  EXPECT_EQ(DaysBefore("2027-01-01", 0), "2027-01-01");
  EXPECT_EQ(DaysBefore("2027-01-05", 30), "2026-12-06");
  EXPECT_EQ(DaysBefore("2027-02-30", 1), "");
  EXPECT_EQ(DaysBefore("yesterday", 1), "");
  EXPECT_TRUE(IsDayFileName("2026-12-09.log"));
  EXPECT_FALSE(IsDayFileName("2026-12-09.log.gz"));
  EXPECT_FALSE(IsDayFileName("2026-13-09.log"));
  EXPECT_FALSE(IsDayFileName("notes.txt"));
}

}  // namespace
}  // namespace zelmo
