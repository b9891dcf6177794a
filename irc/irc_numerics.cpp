#include "irc/irc_client.h"
#include "shell/base/convert.h"

// The handling of numeric server replies.

namespace zelmo {

namespace {

bool Within(int number, int low, int high) {
  return number >= low && number <= high;
}

}  // namespace

void TIdIRC::RaiseSystem(TIdIRCUser* user, int number, const std::string& word,
                         const std::string& content) {
  if (OnSystem) OnSystem(user, number, word, content);
}

void TIdIRC::HandleNumeric(int number, TIdIRCUser* user) {
  if (number == 5) Features.Take(line_.LineContent);
  if (HandleSystemNumeric(number, user)) return;
  const std::string& content = line_.LineContent;
  if (Within(number, 1, 4)) {
    ServerName = line_.SenderAddress;
    SetState(stConnected);
    RaiseSystem(user, number, "WELCOME", content);
  } else if (number == 301) {
    // The away text goes with the record of the nick it is about, if any.
    TIdIRCUser* away = Users.Find(Slot(3));
    if (away) away->Reason = Slot(4);
    if (OnAway) OnAway(away);
  } else if (number == 305) {
    Away = false;
    if (OnUnAway) OnUnAway(Slot(3));
  } else if (number == 306) {
    Away = true;
    if (OnNowAway) OnNowAway(Slot(3));
  } else if (Within(number, 321, 323)) {
    HandleList(number, user);
  } else if (number == 324) {
    if (OnChannelMode) OnChannelMode(nullptr, Channels.Find(Slot(3)), Slot(3), JoinSlots(4));
    ApplyChannelModes(Slot(3), ParseChannelModes(Slot(4), SlotsFrom(5)));
  } else if (number == 331) {
    if (TIdIRCChannel* channel = Channels.Find(Slot(3))) {
      channel->SetTopic("");
      if (OnNoTopic) OnNoTopic(channel, Slot(4));
    }
  } else if (number == 332) {
    TIdIRCChannel* channel = Channels.Find(Slot(3));
    if (channel) channel->SetTopic(Slot(4));
    if (OnTopic) OnTopic(user, channel, Slot(3), Slot(4));
  } else if (number == 341) {
    if (OnInviting) OnInviting(Slot(3), Slot(4));
  } else if (number == 353) {
    RaiseSystem(user, number, "NAMES", Slot(4) + " :" + Slot(5));
    if (TIdIRCChannel* channel = Channels.Find(Slot(4))) channel->AddNames(Slot(5), Users);
  } else if (number == 364) {
    const std::string& info = Slot(5);
    std::size_t blank = info.find(' ');
    std::string hops = blank == std::string::npos ? info : info.substr(0, blank);
    std::string server_info = blank == std::string::npos ? "" : info.substr(blank + 1);
    if (OnLinks) OnLinks(Slot(3), Slot(4), hops, server_info);
  } else if (number == 366) {
    RaiseSystem(user, number, "NAMES", Slot(3) + " :" + Slot(4));
    if (OnNames) OnNames(&Users, Channels.Find(Slot(3)));
  } else if (number == 375) {
    SetState(stConnected);
    RaiseSystem(user, number, "MOTD", Slot(3));
  } else if (Within(number, 401, 502)) {
    if (OnError) OnError(user, line_.CommandText, content);
    if (Within(number, 431, 433)) NickFallback();
  } else if (OnUnknownCommand) {
    OnUnknownCommand(user, line_.CommandText, content);
  }
}

// The replies that only raise OnSystem with a word and a formatted content.
bool TIdIRC::HandleSystemNumeric(int number, TIdIRCUser* user) {
  const std::string& content = line_.LineContent;
  auto s = [this](std::size_t slot) -> const std::string& { return Slot(slot); };
  auto raise = [&](const char* word, const std::string& text) {
    RaiseSystem(user, number, word, text);
    return true;
  };
  if (number == 6 || number == 7) return raise("MAP", s(3));
  if (Within(number, 200, 206) || number == 208 || number == 261) return raise("TRACE", content);
  if (Within(number, 211, 216) || number == 218 || Within(number, 241, 244)) {
    return raise("STATS", content);
  }
  if (number == 219) return raise("STATS", s(3) + " " + s(4));
  if (number == 221) return raise("UMODE", s(2) + " " + s(3));
  if (Within(number, 250, 255)) return raise("LUSER", s(3) + " " + s(4));
  if (number == 265 || number == 266) return raise("LUSER", s(3));
  if (Within(number, 256, 259)) return raise("ADMIN", content);
  if (number == 302) return raise("USERHOST", s(3));
  if (number == 303) return raise("ISON", s(2));
  if (number == 307 || number == 313) return raise("WHOIS", s(3) + " " + s(4));
  if (number == 311) {
    return raise("WHOIS", s(3) + " is " + s(4) + "@" + s(5) + " " + s(6) + " " + s(7));
  }
  if (number == 312) return raise("WHOIS", s(3) + " is using " + s(4) + " " + s(5));
  if (number == 314) {
    return raise("WHOWAS", s(3) + " was " + s(4) + "@" + s(5) + " " + s(6) + " " + s(7));
  }
  if (number == 315) return raise("WHO", s(3) + " :" + s(4));
  if (number == 317) {
    return raise("WHOIS", s(3) + " has been idle " + s(4) + " seconds, signed on at " + s(5));
  }
  if (number == 318) return raise("WHOIS", s(3) + " :" + s(4));
  if (number == 319) return raise("WHOIS", s(3) + " is on " + s(4));
  if (number == 329) return raise(line_.CommandText.c_str(), content);
  if (number == 342) return raise("SUMMON", s(2) + " has been summoned");
  if (number == 351) return raise("VERSION", s(3) + " " + s(4) + " " + s(5));
  if (number == 352) return raise("WHO", s(2));
  if (number == 365) return raise("LINKS", s(3) + " " + s(4));
  if (number == 367) return raise("BANS", s(2) + " " + s(3));
  if (number == 368) return raise("BANS", s(2) + " :" + s(3));
  if (number == 369) return raise("WHOWAS", s(3) + " :" + s(4));
  if (number == 371 || number == 374) return raise("INFO", s(2));
  if (number == 372 || number == 376) return raise("MOTD", s(3));
  if (number == 381) return raise("OPER", s(2));
  if (number == 382) return raise("REHASH", s(2) + " :" + s(3));
  if (number == 391) {
    bool differ = UpperCase(s(0)) != UpperCase(s(3));
    return raise("TIME", s(0) + " :" + (differ ? s(3) : s(4)));
  }
  if (Within(number, 392, 395)) return raise("USERS", s(2));
  if (number == 614) return raise("WHOIS", s(3));
  return false;
}

void TIdIRC::HandleList(int number, TIdIRCUser* user) {
  if (number == 321) {
    if (OnList) {
      list_buffer_.clear();
      list_position_ = 0;
      OnList(list_buffer_, 0, false);
    }
    RaiseSystem(user, number, "LIST", "Start of LIST");
  } else if (number == 322) {
    if (!OnList) return;
    list_buffer_.push_back(Slot(3) + " " + Slot(4) + " " + Slot(5));
    int count = static_cast<int>(list_buffer_.size());
    if (count >= list_position_ + 40) {
      OnList(list_buffer_, list_position_, false);
      list_position_ = count - 1;
    }
  } else {
    RaiseSystem(user, number, "LIST", Slot(3));
    if (OnList) {
      OnList(list_buffer_, list_position_, true);
      list_buffer_.clear();
      list_position_ = 0;
    }
  }
}

void TIdIRC::NickFallback() {
  if (state_ != stLoggingOn) return;
  // The alternative nick is tested first: when it is the configured nick
  // too, its refusal ends the attempt instead of repeating it for ever.
  if (CurrentNick == AltNick) {
    if (OnNicksInUse) {
      std::string nick = CurrentNick;
      OnNicksInUse(nick);
      CurrentNick = nick;
    } else {
      CurrentNick.clear();
    }
  } else if (CurrentNick == nick_) {
    CurrentNick = AltNick;
  }
  if (CurrentNick.empty()) {
    Disconnect(true);
  } else {
    SetNick(CurrentNick);
  }
}

}  // namespace zelmo
