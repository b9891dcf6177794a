#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/chanmsg.h"
#include "support/page_server.h"
#include "support/test_bot.h"

namespace zelmo::testing {

// A bot in #room with a user file of one person per channel level:
// nobody is not logged in, nora has level 0, vera 1 (the file writes the
// scope as #Room), olli 2, mia 3, and olga 4.
class ChannelBotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bot.WriteUsers(
        "[Address]\n"
        "nora@host=nora\nvera@host=vera\nolli@host=olli\nmia@host=mia\nolga@host=olga\n"
        "[nora]\nPassword=x\nRights_General=0\nRights_#room=0\n"
        "[vera]\nPassword=x\nRights_#Room=1\n"
        "[olli]\nPassword=x\nRights_General=2\nRights_#room=2\n"
        "[mia]\nPassword=x\nRights_#room=3\n"
        "[olga]\nPassword=x\nRights_#room=4\nRights_#other=4\n");
  }

  // The nick's message in #room, from nick@host.
  void Says(const std::string& nick, const std::string& text,
            const std::string& channel = "#room") {
    DispatchChannel(bot, text, channel, bot.User(nick));
  }

  // Makes the client's record of #room with these members.
  void RoomWithMembers(const std::string& members) {
    bot.ServerSays(":ZelmoBot!b@h JOIN #room");
    bot.ServerSays(":irc 353 ZelmoBot = #room :" + members);
    bot.TakeSent();  // the client's own mode query on joining
  }

  TestBot bot;
};

// The same bot with a web server for one of its lookups: the dictionary's
// or the TV listing's.
class PageLookupTest : public ChannelBotTest {
 protected:
  explicit PageLookupTest(bool dictionary) : dictionary_(dictionary) {}
  void SetUp() override {
    ChannelBotTest::SetUp();
    if (dictionary_) {
      bot.dictionary = web.Host();
    } else {
      bot.tv_listing = web.Host();
    }
  }

  // The answer the channel got for one message from nobody, once the web
  // server has played its part; a note of the count when it was not one
  // line.
  std::string Lookup(const std::string& text) {
    Says("nobody", text);
    web.Join();
    std::vector<std::string> sent = bot.TakeSent();
    return sent.size() == 1 ? sent[0] : "(" + std::to_string(sent.size()) + " lines sent)";
  }

  PageServer web;

 private:
  bool dictionary_;
};

}  // namespace zelmo::testing
