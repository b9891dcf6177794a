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

TEST(LineReader, CutsLongLinesAndSkipsTheirRest) {
  LineReader reader(-1);
  reader.Feed(std::string(3000, 'a'));
  reader.Feed(std::string(3000, 'b') + "\r\nnext\n");
  auto lines = Lines(reader);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(3000, 'a') + std::string(1096, 'b'));
  EXPECT_EQ(lines[1], "next");
}

TEST(LineReader, CrAtTheCutIsKeptOnlyAsData) {
  LineReader reader(-1);
  // 4095 bytes and CR LF: a CR LF line of 4095 bytes.
  reader.Feed(std::string(4095, 'x') + "\r\n");
  // 4096 bytes and CR LF: the CR falls beyond the cut.
  reader.Feed(std::string(4096, 'y') + "\r\n");
  // The CR is byte 4096 but no line ending: it is data inside the cut.
  reader.Feed(std::string(4095, 'z') + "\rmore\n");
  auto lines = Lines(reader);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(4095, 'x'));
  EXPECT_EQ(lines[1], std::string(4096, 'y'));
  EXPECT_EQ(lines[2], std::string(4095, 'z') + "\r");
}

TEST(LineReader, EndWithoutAPartialLineAddsNoLine) {
  LineReader reader(-1);
  reader.Feed("one\n");
  reader.FeedEnd();
  EXPECT_EQ(Lines(reader), (std::vector<std::string>{"one"}));
}

}  // namespace
}  // namespace zelmo
