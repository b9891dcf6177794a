#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/base/errors.h"
#include "support/test_bot.h"
#include "users/privmsg.h"

namespace zelmo::testing {

// An owner, an operator and a plain user, each logged in from nick@host.
inline const std::string kStaff =
    "[Address]\n"
    "boss@host=boss\n"
    "oper@host=oper\n"
    "plain@host=plain\n"
    "\n"
    "[boss]\n"
    "Password=BossPw\n"
    "Hostmask=boss@host\n"
    "Rights_General=2\n"
    "\n"
    "[oper]\n"
    "Password=operpw\n"
    "Hostmask=oper@host\n"
    "Rights_General=1\n"
    "\n"
    "[plain]\n"
    "Password=plainpw\n"
    "Hostmask=plain@host\n"
    "Rights_General=0\n";

class UsersTest : public ::testing::Test {
 protected:
  void SetUp() override { bot.WriteUsers(kStaff); }

  // A private message from nick!address, handled as the main form does: a
  // failure ends the command silently (its text is kept in `error`).
  // Returns the lines sent for it.
  std::vector<std::string> From(const std::string& nick, const std::string& address,
                                const std::string& text) {
    error.clear();
    try {
      DispatchPrivate(bot, text, bot.User(nick, address));
    } catch (const Exception& failure) {
      error = failure.Message();
    }
    return bot.TakeSent();
  }
  // The same from nick!nick@host.
  std::vector<std::string> From(const std::string& nick, const std::string& text) {
    return From(nick, nick + "@host", text);
  }

  // The one reply a command sends back to the nick, as a PRIVMSG line.
  static std::string To(const std::string& nick, const std::string& text) {
    return "PRIVMSG " + nick + " :" + text;
  }
  static std::vector<std::string> Only(const std::string& nick, const std::string& text) {
    return {To(nick, text)};
  }

  TestBot bot;
  std::string error;
};

}  // namespace zelmo::testing
