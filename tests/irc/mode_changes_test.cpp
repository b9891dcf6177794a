#include "irc/protocol/mode_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelmo {
namespace {

using Kind = ChannelModeChange::Kind;

std::vector<ChannelModeChange> Parse(std::string_view letters,
                                     const std::vector<std::string>& arguments) {
  return ParseChannelModes(letters, arguments);
}

ChannelModeChange Change(Kind kind, bool add, ChannelModes flag, std::string argument = "",
                         int limit = 0) {
  ChannelModeChange change;
  change.kind = kind;
  change.add = add;
  change.flag = flag;
  change.argument = std::move(argument);
  change.limit = limit;
  return change;
}

TEST(ParseChannelModes, EachSignCoversTheLettersAfterItAndTheyTakeTheirArgumentsInTurn) {
  EXPECT_EQ(Parse("+o-v", {"alice", "bob"}), (std::vector{Change(Kind::Op, true, 0, "alice"),
                                                          Change(Kind::Voice, false, 0, "bob")}));
  // No sign in front means add; a sign with no letter after it changes nothing.
  EXPECT_EQ(Parse("b-+-", {"*!*@x"}), (std::vector{Change(Kind::Ban, true, 0, "*!*@x")}));
}

TEST(ParseChannelModes, AMissingArgumentReadsAsEmptyAndTheLetterStillCounts) {
  EXPECT_EQ(Parse("+ov", {"alice"}),
            (std::vector{Change(Kind::Op, true, 0, "alice"), Change(Kind::Voice, true, 0, "")}));
  EXPECT_EQ(Parse("-b", {}), (std::vector{Change(Kind::Ban, false, 0, "")}));
}

TEST(ParseChannelModes, UnknownLettersAreSkippedWithoutTakingAnArgument) {
  EXPECT_EQ(Parse("+qeIo", {"alice"}), (std::vector{Change(Kind::Op, true, 0, "alice")}));
  // Mode letters are case-sensitive: "O" and "K" are not "o" and "k".
  EXPECT_EQ(Parse("+OKt", {"alice"}), (std::vector{Change(Kind::Flag, true, cmOpsTopic)}));
}

TEST(ParseChannelModes, AKeyIsTakenWhenAddedAndNotWhenRemoved) {
  EXPECT_EQ(Parse("+k-k+o", {"secret", "alice"}),
            (std::vector{Change(Kind::Key, true, cmKey, "secret"), Change(Kind::Key, false, cmKey),
                         Change(Kind::Op, true, 0, "alice")}));
}

TEST(ParseChannelModes, ALimitThatIsNoNumberIsZeroAndRemovingOneTakesNoArgument) {
  EXPECT_EQ(Parse("+l", {"ten"}), (std::vector{Change(Kind::Limit, true, cmUserLimit, "", 0)}));
  EXPECT_EQ(Parse("+l", {}), (std::vector{Change(Kind::Limit, true, cmUserLimit, "", 0)}));
  EXPECT_EQ(Parse("+l-l+v", {"12", "bob"}),
            (std::vector{Change(Kind::Limit, true, cmUserLimit, "", 12),
                         Change(Kind::Limit, false, cmUserLimit, "", 0),
                         Change(Kind::Voice, true, 0, "bob")}));
}

TEST(ParseUserModes, StartsFromTheGivenModesAndIgnoresOtherLetters) {
  EXPECT_EQ(ParseUserModes(umWallops, "+ix-w"), umInvisible);
  EXPECT_EQ(ParseUserModes(0, "o-o+s"), umServerNotices);
  EXPECT_EQ(ParseUserModes(umOperator, ""), umOperator);
}

}  // namespace
}  // namespace zelmo
