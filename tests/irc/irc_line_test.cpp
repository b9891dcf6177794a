#include "irc/protocol/irc_line.h"

#include <gtest/gtest.h>

#include <string>

#include "irc/protocol/ctcp.h"

namespace zelmo {
namespace {

ParsedLine Split(std::string_view line) {
  ParsedLine parsed;
  SplitLine(line, parsed);
  return parsed;
}

std::string Params(int count, int first = 0) {
  std::string text;
  for (int i = first; i < first + count; ++i) text += " p" + std::to_string(i);
  return text;
}

TEST(SplitLine, PrefixCommandAndParameters) {
  ParsedLine p = Split(":N!U@H PRIVMSG #room :hi there");
  EXPECT_EQ(p.SenderNick, "N");
  EXPECT_EQ(p.SenderAddress, "U@H");
  EXPECT_EQ(p.CommandText, "PRIVMSG");
  EXPECT_EQ(p.LineContent, "#room :hi there");
  EXPECT_EQ(p.ParamTable[0], "N!U@H");
  EXPECT_EQ(p.ParamTable[1], "PRIVMSG");
  EXPECT_EQ(p.ParamTable[2], "#room");
  EXPECT_EQ(p.ParamTable[3], "hi there");
  EXPECT_EQ(p.ParamTable[4], "");

  EXPECT_EQ(Split(":a!b!c@h QUIT :bye").SenderAddress, "b!c@h");
  ParsedLine names = Split(":S 353 bot = #room :@alice +bob carol");
  EXPECT_EQ(names.SenderNick, "");
  EXPECT_EQ(names.SenderAddress, "S");
  EXPECT_EQ(names.ParamTable[4], "#room");
  EXPECT_EQ(names.ParamTable[5], "@alice +bob carol");
  ParsedLine notice = Split(":S NOTICE * :text");
  EXPECT_EQ(notice.SenderNick, "");
  EXPECT_EQ(notice.SenderAddress, "S");
  EXPECT_EQ(notice.ParamTable[3], "text");
}

TEST(SplitLine, PingWithAndWithoutColon) {
  for (const char* line : {"PING :x", "PING x"}) {
    ParsedLine p = Split(line);
    EXPECT_EQ(p.ParamTable[0] + p.SenderNick + p.SenderAddress, "") << line;
    EXPECT_EQ(p.CommandText, "PING") << line;
    EXPECT_EQ(p.ParamTable[2], "x") << line;
  }
}

TEST(SplitLine, EmptyAndSpecialParameters) {
  EXPECT_EQ(Split(":N!U@H PRIVMSG #room :").ParamTable[3], "");
  EXPECT_EQ(Split(":N!U@H PRIVMSG #room").ParamTable[3], "");
  ParsedLine p = Split("MODE #c +ov  bob a:b :c d");
  EXPECT_EQ(p.ParamTable[4], "");  // two blanks in a row
  EXPECT_EQ(p.ParamTable[5], "bob");
  EXPECT_EQ(p.ParamTable[6], "a:b");
  EXPECT_EQ(p.ParamTable[7], "c d");
  EXPECT_EQ(Split("CMD a ").ParamTable[3], "");
}

TEST(SplitLine, LinesWithoutBlank) {
  ParsedLine word = Split("WORD");
  EXPECT_EQ(word.CommandText, "");
  EXPECT_EQ(word.ParamTable[2], "WORD");
  EXPECT_EQ(word.LineContent, "WORD");

  // A ":" line without a blank has no prefix and is kept whole as the rest.
  ParsedLine colon = Split(":server.only");
  EXPECT_EQ(colon.ParamTable[0] + colon.SenderAddress + colon.CommandText, "");
  EXPECT_EQ(colon.LineContent, ":server.only");
  EXPECT_EQ(colon.ParamTable[2], "server.only");
}

TEST(SplitLine, ExcessParametersJoinTheLastSlot) {
  ParsedLine p = Split("CMD" + Params(60));
  for (std::size_t i = 2; i <= 28; ++i) EXPECT_EQ(p.ParamTable[i], "p" + std::to_string(i - 2));
  EXPECT_EQ(p.ParamTable[29], Params(33, 27).substr(1));
  EXPECT_EQ(Split("CMD" + Params(27) + " :a  b :c").ParamTable[29], "a  b :c");
  EXPECT_EQ(Split("CMD" + Params(28)).ParamTable[29], "p27");
}

TEST(SplitLine, EachCutKeepsAtMost512Characters) {
  std::string text(600, 'x');
  ParsedLine p = Split(":N!U@H PRIVMSG #c :" + text);
  // The rest behind the prefix is cut to 512, then "PRIVMSG " and "#c :" go.
  EXPECT_EQ(p.LineContent.size(), 512u - 8);
  EXPECT_EQ(p.ParamTable[3], std::string(500, 'x'));
  ParsedLine address = Split(":N!" + text + " PING x");
  EXPECT_EQ(address.SenderAddress, std::string(512, 'x'));
  EXPECT_EQ(address.ParamTable[0], "N!" + text);
  ParsedLine word = Split(text);
  EXPECT_EQ(word.LineContent, text);
  EXPECT_EQ(word.ParamTable[2], std::string(512, 'x'));
}

TEST(SplitLine, ReuseClearsOldSlotsAndKeepsBuffers) {
  ParsedLine p;
  SplitLine(":N!U@H PRIVMSG #a-long-channel-name-here :first text" + Params(10), p);
  const char* slot2 = p.ParamTable[2].data();
  SplitLine("PING :another-long-server-name", p);
  EXPECT_EQ(p.SenderNick + p.SenderAddress + p.ParamTable[0], "");
  EXPECT_EQ(p.ParamTable[2], "another-long-server-name");
  EXPECT_EQ(p.ParamTable[2].data(), slot2);
  for (std::size_t i = 3; i < kParamSlots; ++i) EXPECT_EQ(p.ParamTable[i], "") << i;
}

TEST(IrcLine, ChannelNamesAndNumerics) {
  for (const char* name : {"#room", "&local", "+modeless", "!ABCDEroom"}) {
    EXPECT_TRUE(IsChannelName(name)) << name;
  }
  for (const char* name : {"", "bob", "a#room"}) EXPECT_FALSE(IsChannelName(name)) << name;
  EXPECT_EQ(ReplyNumber("001"), 1);
  EXPECT_EQ(ReplyNumber("0"), 0);
  for (const char* word : {"-1", "PRIVMSG", "", "12a", "x01", "0x1", "$1", "+1"}) {
    EXPECT_EQ(ReplyNumber(word), std::nullopt) << word;
  }
}

TEST(Ctcp, CommandAndArguments) {
  EXPECT_EQ(ParseCtcp(""), std::nullopt);
  EXPECT_EQ(ParseCtcp("hi \001VERSION\001"), std::nullopt);
  struct Case {
    std::string text, command, arguments;
  };
  const Case cases[] = {
      {"\001VERSION\001", "VERSION", ""},
      {"\001PING 12345\001", "PING", "12345"},
      {"\001PING 123", "PING", "12"},
      {"\001VERSION", "VERSIO", ""},
      {"\001ACTION a  b\001", "ACTION", "a  b"},
      {"\001PING \001", "PING", ""},
      {"\001PING ", "PING", ""},
      {"\001", "", ""},
  };
  for (const Case& c : cases) {
    std::optional<CtcpMessage> message = ParseCtcp(c.text);
    ASSERT_TRUE(message) << c.text;
    EXPECT_EQ(message->Command, c.command) << c.text;
    EXPECT_EQ(message->Arguments, c.arguments) << c.text;
  }
}

TEST(Ctcp, WordTablesAreCaseSensitive) {
  const char* words[] = {"ACTION",  "SOUND",      "PING", "FINGER", "USERINFO",
                         "VERSION", "CLIENTINFO", "TIME", "ERROR",  "DCC"};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(CtcpWordIndex(words[i]), i) << words[i];
  EXPECT_EQ(CtcpWordIndex("version"), -1);
  const char* dcc[] = {"SEND", "CHAT", "RESUME f 1 2", "ACCEPT", "send", " SEND"};
  const int kinds[] = {0, 1, 2, 3, -1, -1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(DccRequest(dcc[i]).Kind(), kinds[i]) << dcc[i];
}

TEST(Ctcp, DccWordsSplitAtEveryBlank) {
  DccRequest request("SEND file.txt  3232235777 5000");
  EXPECT_EQ(request.Words(),
            (std::vector<std::string>{"SEND", "file.txt", "", "3232235777", "5000"}));
  EXPECT_EQ(request.Word(5), "");
  EXPECT_EQ(DccRequest("").Words(), std::vector<std::string>{""});
  EXPECT_EQ(DccRequest("CHAT chat ").Words(), (std::vector<std::string>{"CHAT", "chat", ""}));
}

}  // namespace
}  // namespace zelmo
