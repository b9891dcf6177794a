#include <chrono>
#include <utility>

#include "users_fixture.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(HelpTextTest, EveryKeyGivesItsTextCharacterForCharacter) {
  const std::vector<std::pair<std::string, std::string>> texts{
      {"COMMANDSPRIV",
       "Listed privmsg commands: login join part say nick userinfo useradd userdel usermod "
       "userpass newpass chanowner generalowner reload ban unban bans quiet unquiet chanset "
       "account"},
      {"COMMANDSCHAN",
       "Listed chanmsg commands: !op !deop !voice !devoice !kick !tv !word !ban !kickban !unban "
       "!bans !quiet !unquiet"},
      {"COMMANDSHELP", "Type \"help;<command>\" to see help for the command"},
      {"LOGIN",
       "Login: Use as privmsg. \"login;<nick>;<pass>\". You have to login each time your hostmask "
       "changes."},
      {"JOIN",
       "Join: Use as privmsg. \"join;<channel>;[key]\". You have to be my owner to use join."},
      {"PART",
       "Part: Use as privmsg. \"part;<channel>;[reason]\". You have to be my owner to use part."},
      {"SAY",
       "Say: Use as privmsg. \"say;<channel>;<say>\". You have to be my operator to use say."},
      {"NICK", "Nick: Use as privmsg. \"nick;<newnick>\". You have to be my owner to use nick."},
      {"USERINFO",
       "Userinfo: Use as privmsg. \"userinfo;[user];[channel]\". You have to be my operator to use "
       "userinfo."},
      {"USERADD",
       "Useradd: Use as privmsg. \"useradd;<user>\". You have to be my operator to use useradd."},
      {"USERDEL",
       "Userdel: Use as privmsg. \"userdel;<user>\". You have to be my owner to use userdel."},
      {"USERMOD", "Usermod: Use as privmsg. \"usermod;<user>;<channel>;<rights>\"."},
      {"USERPASS",
       "Userpass: Use as privmsg. \"userpass;<user>\". You have to be my owner to use userpass."},
      {"NEWPASS", "Newpass: Use as privmsg. \"newpass;<oldpass>;<newpass>\"."},
      {"CHANOWNER",
       "Chanowner: Use as privmsg. \"chanowner;<channel>;<user>\". You have to be my owner to use "
       "chanowner."},
      {"GENERALOWNER",
       "Generalowner: Use as privmsg. \"generalowner;<user>;<security password>\". You have to be "
       "my owner to use generalowner."},
      {"RELOAD",
       "Reload: Use as privmsg. \"reload;<security password>\". You have to be my owner to use "
       "reload."},
      {"!OP", "!Op: Use as chanmsg. \"!op [user]\". If no user selected, then it's you."},
      {"!DEOP", "!Deop: Use as chanmsg. \"!deop [user]\". If no user selected, then it's you."},
      {"!VOICE", "!Voice: Use as chanmsg. \"!voice [user]\". If no user selected, then it's you."},
      {"!DEVOICE",
       "!Devoice: Use as chanmsg. \"!devoice [user]\". If no user selected, then it's you."},
      {"!TV", "!TV: Use as chanmsg. \"!tv <channel>\"."},
      {"!WORD", "!Word: Use as chanmsg. \"!word <word>\". Dictionary Finnish-English-Finnish"},
  };
  for (const auto& [key, text] : texts) EXPECT_EQ(HelpText(key), text) << key;
}

TEST_F(UsersTest, HelpAloneSendsThreeLinesWithThePauseAfterTheFirst) {
  bot.WriteUsers("");  // HELP needs no rights and reads no file
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(From("guest", "help"),
            (Lines{To("guest", HelpText("COMMANDSPRIV")), To("guest", HelpText("COMMANDSCHAN")),
                   To("guest", HelpText("COMMANDSHELP"))}));
  // The pause is kept by the send queue: the bot goes on and answers the
  // server meanwhile, ahead of the lines held back.
  EXPECT_TRUE(bot.pauses.empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  ASSERT_TRUE(bot.peer->AwaitLine(
      [](const std::string& line) { return line.ends_with(HelpText("COMMANDSPRIV")); }));
  bot.ServerSays("PING :meanwhile");
  EXPECT_EQ(bot.peer->ReadLine(), "PONG :meanwhile");
  auto second = bot.peer->ReadLine();
  ASSERT_TRUE(second);
  EXPECT_TRUE(second->ends_with(HelpText("COMMANDSCHAN")));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400));
}

TEST_F(UsersTest, HelpWithAKeyUpperCasesItAndIgnoresTheRest) {
  EXPECT_EQ(From("guest", "help;say"), Only("guest", HelpText("SAY")));
  EXPECT_EQ(From("guest", "HeLp;!op;extra"), Only("guest", HelpText("!OP")));
  EXPECT_EQ(From("guest", "help;commandspriv"), Only("guest", HelpText("COMMANDSPRIV")));
  EXPECT_EQ(From("guest", "help;op"), Only("guest", "OP: Unknown command."));
  EXPECT_EQ(From("guest", "help;!kick"), Only("guest", "!KICK: Unknown command."));
  EXPECT_EQ(From("guest", "help;help"), Only("guest", "HELP: Unknown command."));
  EXPECT_EQ(From("guest", "help;"), Only("guest", ": Unknown command."));
  EXPECT_TRUE(bot.pauses.empty());
}

TEST_F(UsersTest, EveryMessageIsShownInFullFirst) {
  From("bob", "login;boss;BossPw");
  ASSERT_FALSE(bot.Shown().empty());
  EXPECT_EQ(bot.Shown().front(), "PRIVMSG/bob: login;boss;BossPw");
  EXPECT_EQ(bot.Shown().back(), "-> bob: Login: Logged on");
}

TEST_F(UsersTest, UnknownAndEmptyCommands) {
  for (const std::string text :
       {"", "hello there", " login;boss;BossPw", "login ;boss;BossPw", "logout", ";", "helpme"}) {
    EXPECT_EQ(From("bob", text), Only("bob", "Unknown command")) << text;
  }
  EXPECT_EQ(From("bob", "LoGiN;boss;BossPw"), Only("bob", "Login: Logged on"));
}

TEST_F(UsersTest, ParametersAreCountedBeforeRights) {
  EXPECT_EQ(From("guest", "join"), Only("guest", "Join: Error - Not enough parameters"));
  EXPECT_EQ(From("guest", "login;boss"), Only("guest", "Login: Error - Not enough parameters"));
  EXPECT_EQ(From("oper", "userinfo"), Only("oper", "Userinfo: Error - Access rights too low"));
  EXPECT_EQ(From("plain", "userinfo;oper"),
            Only("plain", "Userinfo: Error - Access rights too low"));
}

// Per command: the label, the minimum parts and the least rights it needs.
struct Checked {
  std::string word, label;
  std::size_t minimum;
  int level;
};

// Users of kStaff below each level: a stranger (-1), plain (0), oper (1).
std::string UserBelow(int level) {
  switch (level) {
    case 0:
      return "guest";
    case 1:
      return "plain";
    default:
      return "oper";
  }
}

std::string CommandOf(const std::string& word, std::size_t parts) {
  std::string text = word;
  for (std::size_t i = 1; i < parts; ++i) text += ";p" + std::to_string(i);
  return text;
}

TEST_F(UsersTest, EveryCommandChecksItsCountThenItsRights) {
  const std::vector<Checked> commands{
      {"join", "Join", 2, 2},
      {"part", "Part", 2, 2},
      {"say", "Say", 3, 1},
      {"nick", "Nick", 2, 2},
      {"useradd", "Useradd", 2, 1},
      {"userdel", "Userdel", 2, 2},
      {"usermod", "Usermod", 4, 0},
      {"userpass", "Userpass", 2, 2},
      {"newpass", "Newpass", 3, 0},
      {"chanowner", "Chanowner", 3, 2},
      {"generalowner", "Generalowner", 3, 2},
      {"reload", "Reload", 2, 2},
  };
  for (const Checked& command : commands) {
    EXPECT_EQ(From("boss", CommandOf(command.word, command.minimum - 1)),
              Only("boss", command.label + ": Error - Not enough parameters"))
        << command.word;
    const std::string below = UserBelow(command.level);
    EXPECT_EQ(From(below, CommandOf(command.word, command.minimum + 1)),
              Only(below, command.label + ": Error - Access rights too low"))
        << command.word;
  }
  EXPECT_EQ(bot.ReadUsers(), kStaff);
}

TEST_F(UsersTest, StoredLevelThatIsNoNumberEndsTheCommandSilently) {
  bot.WriteUsers("[Address]\nw@h=w\n[w]\nPassword=w\nRights_General=two\n");
  for (const std::string text : {"join;#x", "useradd;newbie", "userinfo", "usermod;w;#c;1"}) {
    EXPECT_TRUE(From("w", "w@h", text).empty()) << text;
    EXPECT_EQ(error, "'two' is not a valid integer value");
  }
  EXPECT_EQ(bot.Shown().back(), "PRIVMSG/w: usermod;w;#c;1");
  // A command without a rights check does not notice.
  EXPECT_EQ(From("w", "w@h", "login;w;w"), Only("w", "Login: Logged on"));
}

}  // namespace
}  // namespace zelmo::testing
