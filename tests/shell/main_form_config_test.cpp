#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>

#include "channel/chanmsg.h"
#include "shell/mainunit.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::RecordingPort;
using testing::TempDir;

class MainFormConfig : public ::testing::Test {
 protected:
  std::unique_ptr<TMainForm> Start() { return std::make_unique<TMainForm>(port, dir.Path()); }
  TempDir dir;
  RecordingPort port;
};

TEST_F(MainFormConfig, WithoutConfigEveryDefaultAppliesAndNothingIsCreated) {
  auto form = Start();
  EXPECT_EQ(port.caption, "ZelmoBot v0.5");
  EXPECT_EQ(
      port.Texts(),
      (std::vector<std::string>{
          "(Re)Loaded Config file...",
          "No security password is set: generalowner and reload are off", "Opening ZelmoBot v0.5..",
          "Type \"Connect\" to connect to the current IRC server", "Data folder: " + dir.Path()}));
  EXPECT_EQ(port.lines[0].color, clGreen);
  EXPECT_EQ(port.lines[1].color, clOlive);
  EXPECT_EQ(port.lines[2].color, clBlack);
  EXPECT_EQ(form->IRC.Nick(), "ZelmoBot");
  EXPECT_EQ(form->IRC.Username, "ZelmoBot");
  EXPECT_EQ(form->IRC.RealName, "Zelmo Bot");
  EXPECT_EQ(form->IRC.Host, "localhost");
  EXPECT_EQ(form->IRC.Port, 6667);
  EXPECT_EQ(form->QuitMessage, "ZelmoBot v0.5");
  EXPECT_EQ(form->UsersFileName, "Users.ini");
  EXPECT_EQ(form->SecurityPassword, std::nullopt);
  EXPECT_TRUE(form->AutoVoice);
  EXPECT_TRUE(form->KickOnColors);
  EXPECT_EQ(port.background, clWindow);
  EXPECT_EQ(port.font, "MS Sans Serif");
  EXPECT_TRUE(port.errors.empty());
  EXPECT_FALSE(dir.Exists("Config.ini"));
  EXPECT_FALSE(dir.Exists("Users.ini"));
}

TEST_F(MainFormConfig, ValuesAreReadByTheirTypes) {
  dir.Write("Config.ini",
            "[general]\nKickOnColors=0\nAutoVoice=no\nusersfile = People.ini\n"
            "[ME]\nnick=Zelmo\nPort=0x1A0B\nQuitmsg=\"  bye  \"\nIRCHost=irc.example\n"
            "[Display]\nNormal Text Color=clred\nImportant Text Color=$0000FF\n"
            "Dangerous Text Color=255\nBackground=clBlack\nFontface=Monospace\n");
  auto form = Start();
  EXPECT_FALSE(form->KickOnColors);
  EXPECT_TRUE(form->AutoVoice);  // "no" is not a number: the default applies
  EXPECT_EQ(form->UsersFileName, "People.ini");
  EXPECT_EQ(form->UsersFilePath(), dir.Path() + "People.ini");
  EXPECT_EQ(form->IRC.Nick(), "Zelmo");
  EXPECT_EQ(form->IRC.Port, 6667);
  EXPECT_EQ(form->IRC.Host, "irc.example");
  EXPECT_EQ(form->QuitMessage, "  bye  ");
  EXPECT_EQ(form->MessageDisplay.NormalColor, clRed);
  EXPECT_EQ(form->MessageDisplay.ImportantColor, clRed);
  EXPECT_EQ(form->MessageDisplay.DangerousColor, clRed);
  EXPECT_EQ(port.lines[2].color, clRed);  // the opening lines are in the normal colour
  EXPECT_EQ(port.background, clBlack);
  EXPECT_EQ(port.font, "Monospace");
}

// The web services are outside parties: with no host named, a lookup
// answers its error at once, with no name lookup and no connection.
TEST_F(MainFormConfig, WithoutWebHostsTheLookupsAnswerTheirErrorsAtOnce) {
  unsetenv("ZELMOBOT_DICTIONARY_HOST");
  setenv("ZELMOBOT_TV_HOST", "", 1);
  auto form = Start();
  std::vector<std::string> names_looked_up;
  form->TCP.Resolver = [&](const std::string& name) {
    names_looked_up.push_back(name);
    return std::optional<std::string>();
  };
  TIdIRCUser user("erin", "e@h");
  DispatchChannel(*form, "!word talo", "#room", user);
  DispatchChannel(*form, "!tv 1", "#room", user);
  const std::vector<std::string> shown = port.Texts();
  EXPECT_EQ(std::ranges::count(shown, "-> #room: Word: Error"), 1);
  EXPECT_EQ(std::ranges::count(shown, "-> #room: TV: Error"), 1);
  EXPECT_TRUE(names_looked_up.empty());
  EXPECT_EQ(form->TCP.Host, "");  // never set for a connection
}

TEST_F(MainFormConfig, ABareXInFrontMakesNoNumber) {
  dir.Write("Config.ini",
            "[General]\nKickOnColors=x0\n[Me]\nPort=x10\n[Display]\nNormal Text Color=x0000FF\n");
  auto form = Start();
  EXPECT_TRUE(form->KickOnColors);
  EXPECT_EQ(form->IRC.Port, 6667);
  ASSERT_EQ(port.errors.size(), 1u);
  EXPECT_EQ(port.errors[0].second, "'x0000FF' is not a valid integer value.");
}

TEST_F(MainFormConfig, ABadColourStopsTheLoadAtThatKey) {
  dir.Write("Config.ini",
            "[Display]\nNormal Text Color=clBlue\nImportant Text Color=bogus\n"
            "Errorous Text Color=clLime\n");
  auto form = Start();
  ASSERT_EQ(port.errors.size(), 1u);
  EXPECT_EQ(port.errors[0].first, "ZelmoBot");
  EXPECT_EQ(port.errors[0].second, "'bogus' is not a valid integer value.");
  EXPECT_EQ(form->MessageDisplay.NormalColor, clBlue);
  EXPECT_EQ(form->MessageDisplay.ErrorousColor, clRed);  // after the bad key: the old value
  EXPECT_EQ(port.Texts(),
            (std::vector<std::string>{
                "Config.ini [Display] Important Text Color: 'bogus' is not a valid integer value",
                "Opening ZelmoBot v0.5..", "Type \"Connect\" to connect to the current IRC server",
                "Data folder: " + dir.Path()}));
  // Plain lines take the normal colour that was read, loaded or not.
  EXPECT_EQ(port.lines[1].color, clBlue);

  // A later load keeps what was read before the bad key and nothing after it.
  dir.Write("Config.ini", "[Me]\nNick=Other\n[Display]\nBackground=nope\nFontface=Serif\n");
  EXPECT_THROW(form->LoadConfig(), EConvertError);
  EXPECT_EQ(form->IRC.Nick(), "Other");
  EXPECT_EQ(port.font, "MS Sans Serif");

  dir.Write("Config.ini", "[Display]\nNormal Text Color=clLime\nImportant Text Color=nope\n");
  EXPECT_THROW(form->LoadConfig(), EConvertError);
  form->MessageDisplay.DisplayLine("after");
  EXPECT_EQ(port.lines.back().color, clLime);
}

// The display's line limit is read with the colours, on start and RELOAD; a
// value that is no count stops the load there as a bad colour does.
// Like a bad colour: the error box, and the mode in force stays.
TEST_F(MainFormConfig, ReconnectTakesOnceOrAlwaysInAnyCase) {
  dir.Write("Config.ini", "[Me]\nReconnect=ALWAYS\n");
  auto form = Start();
  EXPECT_TRUE(form->Reconnect().ReconnectAlways);
  dir.Write("Config.ini", "[Me]\nReconnect=sometimes\n");
  form->UserInputEntered("reload");
  ASSERT_EQ(port.errors.size(), 1u);
  EXPECT_EQ(port.errors[0].second,
            "[Me] Reconnect: 'sometimes' is not a reconnection mode (once or always)");
  EXPECT_TRUE(form->Reconnect().ReconnectAlways);
  dir.Write("Config.ini", "[Me]\nReconnect=once\n");
  form->UserInputEntered("reload");
  EXPECT_FALSE(form->Reconnect().ReconnectAlways);
}

// Each switch goes through the one strict reader: a word it does not know
// stops the load, where the numeric reading took "yes" as the default.
TEST_F(MainFormConfig, EverySwitchTakesItsWordsAndRefusesOthersByName) {
  for (const auto& [section, key] :
       {std::pair("Me", "TLS"), std::pair("Me", "TLSVerify"), std::pair("Me", "UTF8Only"),
        std::pair("Me", "AutoConnect"), std::pair("General", "HashPasswords")}) {
    port.errors.clear();
    dir.Write("Config.ini", "[" + std::string(section) + "]\n" + key + "=Yes\n");
    auto form = Start();
    EXPECT_TRUE(port.errors.empty()) << key;
    dir.Write("Config.ini", "[" + std::string(section) + "]\n" + key + "=maybe\n");
    form = Start();
    ASSERT_EQ(port.errors.size(), 1u) << key;
    EXPECT_EQ(port.errors[0].second, "[" + std::string(section) + "] " + key +
                                         ": 'maybe' is not a switch (1/0, yes/no, true/false, "
                                         "on/off)")
        << key;
  }
  dir.Write("Config.ini", "[Me]\nTLS=on\n");
  EXPECT_TRUE(Start()->IRC.Tls.enabled);
}

// Unset, empty or the text older versions published: no password at all.
TEST_F(MainFormConfig, OnlyAPasswordOfItsOwnIsASecurityPassword) {
  const std::string off = "No security password is set: generalowner and reload are off";
  for (const auto& [line, password] :
       {std::pair<std::string, std::optional<std::string>>{"", std::nullopt},
        {"Security password=\n", std::nullopt},
        {"Security password=-UNSET-pw-\n", std::nullopt},
        {"Security password= Sesame \n", "Sesame"}}) {
    port.lines.clear();
    dir.Write("Config.ini", "[General]\n" + line);
    auto form = Start();
    EXPECT_EQ(form->SecurityPassword, password) << line;
    EXPECT_EQ(std::ranges::count(port.Texts(), off), password ? 0 : 1) << line;
  }
}

TEST_F(MainFormConfig, MaxLinesIsReadOnStartAndReload) {
  auto form = Start();
  EXPECT_EQ(port.max_lines, 100000);
  for (const auto& [value, count] :
       {std::pair("0", 0), std::pair(" $10", 16), std::pair("2500", 2500), std::pair("", 100000)}) {
    dir.Write("Config.ini", std::string("[display]\nmaxlines=") + value + "\n");
    form->LoadConfig();
    EXPECT_EQ(port.max_lines, count) << value;
  }
  for (const auto& [value, error] :
       {std::pair("many", "[Display] MaxLines: 'many' is not a line count (0 or more)"),
        std::pair("-5", "[Display] MaxLines: '-5' is not a line count (0 or more)")}) {
    port.lines.clear();
    dir.Write("Config.ini", std::string("[Display]\nMaxLines=") + value + "\n");
    EXPECT_THROW(
        try { form->LoadConfig(); } catch (const EConvertError& e) {
          EXPECT_EQ(e.Message(), error);
          throw;
        },
        EConvertError);
    EXPECT_EQ(port.max_lines, 100000);
    // No "(Re)Loaded Config file...", but the key named with its file.
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"Config.ini " + std::string(error)});
  }
}

TEST_F(MainFormConfig, NickWriteBackCreatesTheMeSection) {
  dir.Write("Config.ini", "; the bot's settings\n[General]\nAutoVoice=0\n");
  auto form = Start();
  form->IRC.SetNick("NewName");
  form->WriteNickBack();
  EXPECT_EQ(dir.Read("Config.ini"),
            "; the bot's settings\n[General]\nAutoVoice=0\n\n[Me]\nNick=NewName\n");
}

TEST_F(MainFormConfig, CloseAsksAndCancelChangesNothing) {
  auto form = Start();
  port.answer = false;
  EXPECT_FALSE(form->FormCloseQuery());
  ASSERT_EQ(port.questions.size(), 1u);
  EXPECT_EQ(port.questions[0].first, "ZelmoBot");
  port.answer = true;
  EXPECT_TRUE(form->FormCloseQuery());
}

}  // namespace
}  // namespace zelmo

namespace zelmo {
namespace {

class LookupConfig : public MainFormConfig {
 protected:
  std::unique_ptr<TMainForm> StartWith(const std::string& config, LookupEnvironment environment) {
    dir.Write("Config.ini", config);
    return std::make_unique<TMainForm>(port, dir.Path(), std::move(environment));
  }
};

TEST_F(LookupConfig, TheKeysNameTheSourcesTheEnvironmentWinsAndReloadRereads) {
  auto form = StartWith(
      "[Lookups]\nDictionary=DICT://dict.test/fd-fin-eng+fd-eng-fin\nTVListing=tv/listing.xml\n"
      "[tv]\nyle1=yle1.fi\nMoonTV=moon.fi\n",
      {});
  const auto server = std::get<DictServer>(form->Dictionary());
  EXPECT_EQ(server.host, "dict.test");
  EXPECT_EQ(server.port, 2628);
  EXPECT_EQ(server.databases, (std::vector<std::string>{"fd-fin-eng", "fd-eng-fin"}));
  const auto file = std::get<XmltvFile>(form->TvListing());
  EXPECT_EQ(file.path, dir.Path() + "tv/listing.xml");
  EXPECT_EQ(file.channel_ids, (std::array<std::string, 6>{"yle1.fi", "", "", "", "", "moon.fi"}));

  dir.Write("Config.ini", "[Lookups]\nDictionary=http://web.test:8080/\nTVListing=/var/tv.xml\n");
  form->LoadConfig();
  EXPECT_EQ(std::get<WebHost>(form->Dictionary()).port, 8080);
  EXPECT_EQ(std::get<XmltvFile>(form->TvListing()).path, "/var/tv.xml");

  form = StartWith("[Lookups]\nDictionary=http://web.test\nTVListing=tv.xml\n",
                   {"dict://127.0.0.1:2700/fd-fin-eng", "tv.test:81"});
  EXPECT_EQ(std::get<DictServer>(form->Dictionary()).port, 2700);
  EXPECT_EQ(std::get<WebHost>(form->TvListing()).host, "tv.test");
  form = StartWith("", {"web.test:8000", "http://tv.test"});
  EXPECT_EQ(std::get<WebHost>(form->Dictionary()).port, 8000);
  EXPECT_EQ(std::get<WebHost>(form->TvListing()).port, 80);
}

// Like a bad colour: an error box, and the load stops at the key.
TEST_F(LookupConfig, AValueThatNamesNoSourceIsAnError) {
  for (const std::string bad : {"ftp://x.test", "dict://x.test", "dict://x.test/a b",
                                "dict://x.test:0/db", "http://x.test/path", "x.test"}) {
    port.errors.clear();
    StartWith("[Lookups]\nDictionary=" + bad + "\n", {});
    ASSERT_EQ(port.errors.size(), 1u) << bad;
    EXPECT_EQ(port.errors[0].second, "[Lookups] Dictionary: '" + bad +
                                         "' is not a dictionary (http://host[:port] or "
                                         "dict://host[:port]/database[+database...])");
  }
  port.errors.clear();
  auto form = StartWith("[Lookups]\nTVListing=file:///tv.xml\n", {});
  EXPECT_TRUE(std::holds_alternative<std::monostate>(form->TvListing()));
  StartWith("", {"", "dict://tv.test/db"});
  EXPECT_EQ(port.errors, (std::vector<std::pair<std::string, std::string>>{
                             {"ZelmoBot",
                              "[Lookups] TVListing: 'file:///tv.xml' is not a TV listing "
                              "(http://host[:port] or a file)"},
                             {"ZelmoBot",
                              "ZELMOBOT_TV_HOST: 'dict://tv.test/db' is not a TV listing host "
                              "(host[:port] or http://host[:port])"}}));
}

TEST_F(LookupConfig, MaxReplyLinesIsAWholeNumberOfOneOrMore) {
  for (const auto& [value, lines] : std::vector<std::pair<std::string, int>>{
           {"", kDefaultReplyLines}, {"1", 1}, {" 7", 7}, {"$10", 16}}) {
    port.errors.clear();
    auto form = StartWith("[Lookups]\nMaxReplyLines=" + value + "\n", {});
    EXPECT_TRUE(port.errors.empty()) << value;
    EXPECT_EQ(form->ReplyLines(), lines) << value;
  }
  for (const std::string bad : {"0", "-3", "three", "2.5"}) {
    port.errors.clear();
    StartWith("[Lookups]\nMaxReplyLines=" + bad + "\n", {});
    ASSERT_EQ(port.errors.size(), 1u) << bad;
    EXPECT_EQ(port.errors[0].second,
              "[Lookups] MaxReplyLines: '" + bad + "' is not a number of lines (1 or more)");
  }
}

}  // namespace
}  // namespace zelmo
