#include "shell/ui/terminal/line_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace zelmo {
namespace {

std::vector<std::string> Lines(LineReader& reader) {
  std::vector<std::string> out;
  while (auto line = reader.Next()) out.push_back(*line);
  return out;
}

TEST(LineReader, SplitsAtLfAndDropsTheCrOfCrLf) {
  LineReader reader(-1);
  reader.Feed("connect\r\nstatus\n\nmid\rdle\n");
  EXPECT_EQ(Lines(reader), (std::vector<std::string>{"connect", "status", "", "mid\rdle"}));
}

TEST(LineReader, JoinsALineThatArrivesInPieces) {
  LineReader reader(-1);
  reader.Feed("comm");
  EXPECT_FALSE(reader.HasLine());
  reader.Feed("ent;hi\r");
  reader.Feed("\nrest");
  EXPECT_EQ(Lines(reader), (std::vector<std::string>{"comment;hi"}));
  reader.FeedEnd();
  EXPECT_EQ(Lines(reader), (std::vector<std::string>{"rest"}));
  EXPECT_TRUE(reader.Ended());
}

// The reader keeps 16384 bytes of a line, the most that 4096 characters
// take; the console cuts the line to its characters.
constexpr std::size_t kKept = 4 * 4096;

TEST(LineReader, CutsLongLinesAndSkipsTheirRest) {
  LineReader reader(-1);
  reader.Feed(std::string(10000, 'a'));
  reader.Feed(std::string(10000, 'b') + "\r\nnext\n");
  auto lines = Lines(reader);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(10000, 'a') + std::string(kKept - 10000, 'b'));
  EXPECT_EQ(lines[1], "next");
}

TEST(LineReader, CrAtTheCutIsKeptOnlyAsData) {
  LineReader reader(-1);
  // All but one of the bytes kept, and CR LF: a CR LF line.
  reader.Feed(std::string(kKept - 1, 'x') + "\r\n");
  // As many bytes as are kept, and CR LF: the CR falls beyond the cut.
  reader.Feed(std::string(kKept, 'y') + "\r\n");
  // The CR is the last byte kept but no line ending: it is data.
  reader.Feed(std::string(kKept - 1, 'z') + "\rmore\n");
  auto lines = Lines(reader);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(kKept - 1, 'x'));
  EXPECT_EQ(lines[1], std::string(kKept, 'y'));
  EXPECT_EQ(lines[2], std::string(kKept - 1, 'z') + "\r");
}

TEST(LineReader, EndWithoutAPartialLineAddsNoLine) {
  LineReader reader(-1);
  reader.Feed("one\n");
  reader.FeedEnd();
  EXPECT_EQ(Lines(reader), (std::vector<std::string>{"one"}));
}

}  // namespace
}  // namespace zelmo
