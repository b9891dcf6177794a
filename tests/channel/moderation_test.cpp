#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel_bot.h"
#include "shell/base/errors.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;
using DispatchTest = ChannelBotTest;
using ModeTest = ChannelBotTest;
using KickTest = ChannelBotTest;

TEST_F(DispatchTest, NonCommandsGiveOnlyTheDisplayLine) {
  for (const char* text : {"!opx bob", "!", "!help", "!op,", "!opbob", "! op"}) {
    Says("olli", text);
    EXPECT_EQ(bot.Shown().back(), std::string("#ROOM/olli: ") + text);
    EXPECT_EQ(bot.TakeSent(), Lines{}) << text;
  }
  EXPECT_EQ(bot.Shown().size(), 6u);
}

TEST_F(DispatchTest, DisplayLineUpperCasesOnlyAsciiOfTheChannel) {
  Says("olli", "!opx", "#R\xE4\xE4m-x");
  EXPECT_EQ(bot.Shown(), Lines{"#R\xE4\xE4M-X/olli: !opx"});
}

TEST_F(DispatchTest, CommandWordsIgnoreLetterCase) {
  for (const char* text : {"!op bob", "!OP bob", "!oP bob"}) Says("olli", text);
  EXPECT_EQ(bot.TakeSent(), (Lines{"MODE #room +o bob", "MODE #room +o bob", "MODE #room +o bob"}));
  Says("vera", "!DeVoice bob carol");
  Says("vera", "!VOICE bob");
  EXPECT_EQ(bot.TakeSent(), (Lines{"MODE #room -vv bob carol", "MODE #room +v bob"}));
}

TEST_F(ModeTest, AloneTheRequesterIsTheTarget) {
  Says("olli", "!op");
  Says("olli", "!deop");
  Says("vera", "!voice");
  Says("vera", "!devoice");
  EXPECT_EQ(bot.TakeSent(), (Lines{"MODE #room +o olli", "MODE #room -o olli", "MODE #room +v vera",
                                   "MODE #room -v vera"}));
  EXPECT_EQ(bot.Shown(), (Lines{"#ROOM/olli: !op", "-> #room: +o olli", "#ROOM/olli: !deop",
                                "-> #room: -o olli", "#ROOM/vera: !voice", "-> #room: +v vera",
                                "#ROOM/vera: !devoice", "-> #room: -v vera"}));
}

TEST_F(ModeTest, OneToFiveTargets) {
  Says("olli", "!op a");
  Says("olli", "!op a b");
  Says("olli", "!deop a b c");
  Says("olli", "!deop a b c d");
  Says("olli", "!voice a b c d e");
  EXPECT_EQ(bot.TakeSent(), (Lines{"MODE #room +o a", "MODE #room +oo a b", "MODE #room -ooo a b c",
                                   "MODE #room -ooo a b c", "MODE #room +vvv a b c"}));
}

TEST_F(ModeTest, DoubleBlanksGiveEmptyTargets) {
  Says("olli", "!op  bob");
  Says("olli", "!op ");
  EXPECT_EQ(bot.TakeSent(), (Lines{"MODE #room +oo  bob", "MODE #room +o "}));
}

TEST_F(ModeTest, OpNeedsLevelTwoOrMore) {
  for (const char* nick : {"nobody", "nora", "vera"}) Says(nick, "!op bob");
  Says("olli", "!deop bob");
  Says("mia", "!op bob");
  Says("olga", "!deop bob");
  EXPECT_EQ(bot.TakeSent(), (Lines{"PRIVMSG nobody :!Op: Error - Access rights too low",
                                   "PRIVMSG nora :!Op: Error - Access rights too low",
                                   "PRIVMSG vera :!Op: Error - Access rights too low",
                                   "MODE #room -o bob", "MODE #room +o bob", "MODE #room -o bob"}));
  EXPECT_EQ(bot.Shown()[1], "-> nobody: !Op: Error - Access rights too low");
}

TEST_F(ModeTest, VoiceNeedsLevelOne) {
  Says("nora", "!voice bob");
  Says("nobody", "!devoice");
  Says("nora", "!deop");
  Says("vera", "!voice bob");
  EXPECT_EQ(bot.TakeSent(),
            (Lines{"PRIVMSG nora :!Voice: Error - Access rights too low",
                   "PRIVMSG nobody :!Devoice: Error - Access rights too low",
                   "PRIVMSG nora :!Deop: Error - Access rights too low", "MODE #room +v bob"}));
}

TEST_F(ModeTest, RightsAreThoseOfTheChannelAlone) {
  // olli is a bot owner and operator in #room, but has no key for #other.
  Says("olli", "!op bob", "#other");
  Says("olga", "!op bob", "#other");
  EXPECT_EQ(bot.TakeSent(),
            (Lines{"PRIVMSG olli :!Op: Error - Access rights too low", "MODE #other +o bob"}));
}

TEST_F(ModeTest, BadStoredLevelEndsTheCommandWithoutReply) {
  bot.WriteUsers("[Address]\nolli@host=olli\n[olli]\nRights_#room=lots\n");
  EXPECT_THROW(Says("olli", "!op bob"), EConvertError);
  EXPECT_EQ(bot.TakeSent(), Lines{});
  EXPECT_EQ(bot.Shown(), Lines{"#ROOM/olli: !op bob"});
}

TEST_F(KickTest, ParameterCheckComesBeforeRightsCheck) {
  Says("nobody", "!kick");
  Says("nobody", "!KICK bob");
  Says("nora", "!kick bob");
  EXPECT_EQ(bot.TakeSent(), (Lines{"PRIVMSG nobody :!Kick: Error - Not enough parameters",
                                   "PRIVMSG nobody :!Kick: Error - Access rights too low",
                                   "PRIVMSG nora :!Kick: Error - Access rights too low"}));
}

TEST_F(KickTest, ReasonIsOneWordOrTheRequestersNick) {
  RoomWithMembers("@ZelmoBot vera bob");
  Says("vera", "!kick bob");
  Says("vera", "!kick bob spam");
  Says("vera", "!kick bob stop spam");
  Says("vera", "!kick bob stop the spam");
  EXPECT_EQ(bot.TakeSent(), (Lines{"KICK #room bob :vera", "KICK #room bob :spam",
                                   "KICK #room bob :vera", "KICK #room bob :vera"}));
  EXPECT_EQ(bot.Shown()[1], "-> #room: Kicked bob");
}

TEST_F(KickTest, RequesterMustBeOnTheChannel) {
  RoomWithMembers("@ZelmoBot bob");
  Says("olga", "!kick bob spam");
  EXPECT_EQ(bot.TakeSent(), Lines{"PRIVMSG olga :!Kick - olga is not on #room"});
  EXPECT_EQ(bot.Shown().back(), "-> olga: !Kick - olga is not on #room");
}

TEST_F(KickTest, NoChannelRecordEndsTheCommandSilently) {
  EXPECT_THROW(Says("vera", "!kick bob spam"), Exception);
  EXPECT_EQ(bot.TakeSent(), Lines{});
  EXPECT_EQ(bot.Shown(), Lines{"#ROOM/vera: !kick bob spam"});
}

}  // namespace
}  // namespace zelmo::testing
