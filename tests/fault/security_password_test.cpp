#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fault_fixture.h"

// A bot set up without a security password: the two private commands that
// need it are off, the default text that older versions published included,
// and the display says so once for each load of Config.ini.

namespace zelmo::testing {
namespace {

const std::string kUsers =
    "[boss]\nPassword=b\nRights_General=2\n\n"
    "[bob]\nPassword=bob\nRights_General=0\n\n"
    "[Address]\nboss@boss.host=boss\n";
const std::string kOff = "No security password is set: generalowner and reload are off";

using NoSecurityPassword = FaultTest;

TEST_F(NoSecurityPassword, GeneralownerAndReloadAreRefusedAndTheDisplaySaysSoPerLoad) {
  dir.Write("Users.ini", kUsers);
  StartBot();
  ConnectBot();
  for (const std::string given : {"-unset-pw-", ""}) {
    Tell("boss", "boss@boss.host", "reload;" + given);
    Tell("boss", "boss@boss.host", "generalowner;bob;" + given);
    EXPECT_EQ(PrivmsgsTo(Answers(), "boss"),
              (std::vector<std::string>{"Reload: Error - Wrong security password",
                                        "Generalowner: Error - Wrong security password"}))
        << given;
  }
  EXPECT_EQ(dir.Read("Users.ini"), kUsers);
  EXPECT_EQ(bot->CountDisplay("(Re)Loaded Config file..."), 1);
  EXPECT_EQ(bot->CountDisplay(kOff), 1);

  // The console's RELOAD needs no password; it is a load that finds none.
  bot->Command("reload");
  EXPECT_TRUE(bot->Await(
      [](const ProcessOutput& output) {
        int count = 0;
        for (const std::string& text : output.DisplayTexts()) count += text == kOff;
        return count == 2;
      },
      kIrcWait))
      << bot->DisplayOutput();
}

}  // namespace
}  // namespace zelmo::testing
