#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fault_fixture.h"
#include "user_file_check.h"

// Names that people choose end up as section names, keys and values of the
// user file. What the INI format cannot hold faithfully ("]" or blanks at
// the ends of a user name; "=", blanks at the ends or a leading "[" or ";"
// in a key) is refused with its own answer; everything else is stored so
// that it reads back as written. No name ever changes another entry.

namespace zelmo::testing {
namespace {

const std::string kUsers =
    "[boss]\nPassword=b\nRights_General=2\nRights_#room=4\n\n"
    "[bob]\nPassword=bob\nRights_General=0\n\n"
    "[Address]\nboss@boss.host=boss\n";

const IniSection kBoss{"boss", {{"Password", "b"}, {"Rights_General", "2"}, {"Rights_#room", "4"}}};

class UnstorableNames : public FaultTest {
 protected:
  void SetUp() override {
    dir.Write("Users.ini", kUsers);
    StartBot();
    ConnectBot();
  }
  // The bot's answers to one private command of the owner.
  std::vector<std::string> Owner(const std::string& command) {
    Tell("boss", "boss@boss.host", command);
    return Answers();
  }
  std::vector<std::string> ToBoss(const std::string& text) { return {"PRIVMSG boss :" + text}; }
  std::vector<IniSection> Sections() {
    std::string why;
    auto sections = ParseWholeIni(dir.Read("Users.ini"), why);
    EXPECT_TRUE(sections) << why;
    return sections.value_or(std::vector<IniSection>{});
  }
};

TEST_F(UnstorableNames, UserNamesTheFileCannotHoldAreRefused) {
  for (const std::string name : {"bo]b", " lead", "tail ", "tab\t", "", "two\rlines"}) {
    // The answer goes out as one line: its carriage return became a blank.
    std::string shown = name;
    std::replace(shown.begin(), shown.end(), '\r', ' ');
    EXPECT_EQ(Owner("useradd;" + name),
              ToBoss("Useradd: Error - User name " + shown + " can't be stored"))
        << name;
  }
  EXPECT_EQ(dir.Read("Users.ini"), kUsers);
  // A value that would break its line is not written; the command ends
  // without an answer, as every write that fails.
  using namespace std::string_literals;
  EXPECT_TRUE(Owner("newpass;b;new\rline").empty());
  EXPECT_TRUE(Owner("newpass;b;nul\0byte"s).empty());
  EXPECT_EQ(dir.Read("Users.ini"), kUsers);
}

TEST_F(UnstorableNames, OddUserNamesThatFitAreStoredFaithfully) {
  int person = 0;
  for (const std::string name : {"[x", "a=b", "#hash", "semi;", "q\"uote"}) {
    // A ";" ends the name in the command itself.
    const std::string stored = name.substr(0, name.find(';'));
    auto answers = Owner("useradd;" + name);
    ASSERT_EQ(answers.size(), 2u) << name;
    EXPECT_EQ(answers[1], "PRIVMSG boss :Useradd: User added") << name;
    const std::string address = "p" + std::to_string(++person) + "@odd.host";
    Tell("someone", address, "login;" + stored + ";" + stored);
    EXPECT_EQ(Answers(), std::vector<std::string>{"PRIVMSG someone :Login: Logged on"}) << name;
    EXPECT_EQ(Owner("userinfo;" + stored).at(0).find(stored + ": Login time("), 14u) << name;
  }
  auto sections = Sections();
  ASSERT_GE(sections.size(), 3u);
  EXPECT_EQ(sections[0], kBoss);
  std::vector<std::string> names;
  for (const auto& section : sections) names.push_back(section.name);
  EXPECT_EQ(names, (std::vector<std::string>{"boss", "bob", "Address", "[x", "a=b", "#hash", "semi",
                                             "q\"uote"}));
  EXPECT_EQ(FindSection(sections, "a=b")->Value("Password"), "a=b");
  EXPECT_EQ(FindSection(sections, "[x")->Value("Hostmask"), "p1@odd.host");
  EXPECT_EQ(FindSection(sections, "Address")->Value("p1@odd.host"), "[x");
  EXPECT_EQ(FindSection(sections, "Address")->Value("p5@odd.host"), "q\"uote");
}

TEST_F(UnstorableNames, ChannelScopesTheFileCannotHoldAreRefused) {
  EXPECT_EQ(Owner("usermod;bob;#a=b;-1"), ToBoss("Usermod: Error - Channel #a=b can't be stored"));
  EXPECT_EQ(Owner("usermod;bob;#room ;-1"),
            ToBoss("Usermod: Error - Channel #room  can't be stored"));
  EXPECT_EQ(Owner("chanowner;#a=b;bob"), ToBoss("Chanowner: Error - Channel #a=b can't be stored"));
  EXPECT_EQ(Owner("chanowner;#x\t;bob"), ToBoss("Chanowner: Error - Channel #x\t can't be stored"));
  EXPECT_EQ(dir.Read("Users.ini"), kUsers);

  // A "]" or "[" inside a key is harmless and reads back as written.
  EXPECT_EQ(Owner("chanowner;#a]b;bob"), ToBoss("Chanowner: Added owner for channel #a]b"));
  EXPECT_EQ(Owner("userinfo;bob;#a]b"), ToBoss("bob rights for channel #a]b: Owner"));
  EXPECT_EQ(Owner("chanowner;[c;bob"), ToBoss("Chanowner: Added owner for channel [c"));
  EXPECT_EQ(Owner("userinfo;bob;[c"), ToBoss("bob rights for channel [c: Owner"));
  auto sections = Sections();
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0], kBoss);
  EXPECT_EQ(sections[1], (IniSection{"bob",
                                     {{"Password", "bob"},
                                      {"Rights_General", "0"},
                                      {"Rights_#a]b", "4"},
                                      {"Rights_[c", "4"}}}));
}

TEST_F(UnstorableNames, LoginsFromAddressesTheFileCannotHoldAreRefused) {
  for (const std::string address : {"o=dd@host", "[x@host", ";x@host", "tab@host\t"}) {
    Tell("bob", address, "login;bob;bob");
    EXPECT_EQ(Answers(), std::vector<std::string>{"PRIVMSG bob :Login: Error - Address " + address +
                                                  " can't be stored"})
        << address;
  }
  EXPECT_EQ(dir.Read("Users.ini"), kUsers);
  // Odd but storable: "]", ";" and "[" after the first character.
  Tell("bob", "x]y;z[@host", "login;bob;bob");
  EXPECT_EQ(Answers(), std::vector<std::string>{"PRIVMSG bob :Login: Logged on"});
  Tell("bob", "x]y;z[@host", "newpass;bob;bob2");
  EXPECT_EQ(Answers(),
            std::vector<std::string>{"PRIVMSG bob :Newpass: Your password is now set to bob2"});
  auto sections = Sections();
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0], kBoss);
  EXPECT_EQ(sections[2],
            (IniSection{"Address", {{"boss@boss.host", "boss"}, {"x]y;z[@host", "bob"}}}));
}

}  // namespace
}  // namespace zelmo::testing
