#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "irc/session/channel_command_sink.h"
#include "irc/session/irc_channels.h"
#include "irc/session/irc_users.h"
#include "shell/base/errors.h"

namespace zelmo {
namespace {

struct RecordingSink : ChannelCommandSink {
  void Kick(const std::string& channel, const std::string& nick,
            const std::string& reason) override {
    lines.push_back("KICK|" + channel + "|" + nick + "|" + reason);
  }
  void Mode(const std::string& target, const std::string& modes,
            const std::string& parameters) override {
    lines.push_back("MODE|" + target + "|" + modes + "|" + parameters);
  }
  std::vector<std::string> lines;
};

using Update = std::tuple<std::string, TIdIRCChannelUpdateType, TIdIRCUser*, int>;
using Updates = std::vector<Update>;

// Channels whose updates are recorded with the channel's name.
struct Tracker {
  Tracker() : channels(&sink) { channel = Add("#room"); }
  std::shared_ptr<TIdIRCChannel> Add(const std::string& name) {
    return channels.Add(
        name, [this](TIdIRCChannel* sender, TIdIRCChannelUpdateType type, TIdIRCUser* user,
                     int info) { updates.emplace_back(sender->Name(), type, user, info); });
  }
  std::vector<std::string> Nicks() const {
    std::vector<std::string> nicks;
    for (const ChannelMember& member : channel->Names()) nicks.push_back(member.Nick);
    return nicks;
  }
  MemberFlags Flags(std::string_view nick) const {
    return channel->Names().at(static_cast<std::size_t>(channel->FindUser(nick))).Flags;
  }
  TIdIRCUser* User(std::string_view nick) const { return users.Find(nick); }

  RecordingSink sink;
  TIdIRCUsers users;
  TIdIRCChannels channels;
  std::shared_ptr<TIdIRCChannel> channel;
  Updates updates;
};

TEST(Users, AddRefFindsOrMakesRecords) {
  TIdIRCUsers users;
  auto bob = users.AddRef("bob", "b@host");
  EXPECT_EQ(bob->RefCount, 1);
  EXPECT_EQ(bob->Data, nullptr);
  EXPECT_EQ(users.AddRef("BOB", "").get(), bob.get());
  EXPECT_EQ(bob->RefCount, 2);
  EXPECT_EQ(bob->Address, "b@host");  // an empty address keeps the stored one
  users.AddRef("Bob", "B@host");
  EXPECT_EQ(bob->Address, "B@host");  // addresses compare with case
  EXPECT_EQ(bob->Nick(), "bob");
  users.AddRef("alice", "");
  EXPECT_EQ(users.Items(1)->Nick(), "alice");
  EXPECT_EQ(users.Address("BOB"), "B@host");
  EXPECT_EQ(users.Address("carol"), "");
  try {
    users.Items(2);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
}

TEST(Users, ReleaseFreesTheLastHolderAndKeepsLookupsRight) {
  TIdIRCUsers users;
  std::vector<std::shared_ptr<TIdIRCUser>> held;
  for (const char* nick : {"a", "b", "c", "d"}) held.push_back(users.AddRef(nick, "x@y"));
  users.AddRef("b", "");
  users.Release(held[1]);
  EXPECT_EQ(users.Find("b"), held[1].get());
  users.Release(held[1]);
  users.Release(held[0]);
  EXPECT_EQ(users.Find("b"), nullptr);
  EXPECT_EQ(users.Address("b"), "");
  ASSERT_EQ(users.Count(), 2);
  EXPECT_EQ(users.Items(0), users.Find("C"));
  EXPECT_EQ(users.Items(1), users.Find("d"));
  EXPECT_EQ(users.AddRef("b", "")->Address, "");  // made again, fresh
}

TEST(Users, FirstMadeWinsAndReleaseFreesAShadowedRecord) {
  TIdIRCUsers users;
  auto alice = users.AddRef("alice", "a@h");
  auto bob = users.AddRef("bob", "b@h");
  users.SetNick(*bob, "ALICE");
  EXPECT_EQ(users.Find("bob"), nullptr);
  EXPECT_EQ(users.Find("alice"), alice.get());
  users.Release(bob);
  EXPECT_EQ(users.Count(), 1);

  auto carol = users.AddRef("carol", "");
  users.SetNick(*alice, "carol");
  users.SetNick(*carol, "x");
  users.SetNick(*carol, "carol");
  EXPECT_EQ(users.Find("CAROL"), alice.get());  // order of making, not of renaming
  users.Release(alice);
  EXPECT_EQ(users.Find("carol"), carol.get());
}

TEST(Users, ReleaseAfterClearIsHarmless) {
  TIdIRCUsers users;
  auto bob = users.AddRef("bob", "");
  users.Clear();
  users.Release(bob);
  users.Release(bob);
  users.Release(nullptr);
  users.SetNick(*bob, "bobby");
  EXPECT_EQ(users.Find("bobby"), nullptr);
  EXPECT_NE(users.AddRef("bobby", "").get(), bob.get());
}

TEST(ChannelNames, MarksGiveFlagsAndHolders) {
  Tracker t;
  t.channel->AddNames("@alice +bob carol @alice+ @+dave %eve  + @", t.users);
  EXPECT_EQ(t.Nicks(), (std::vector<std::string>{"alice", "bob", "carol", "+dave", "%eve"}));
  EXPECT_EQ(t.Flags("alice"), mfOp);  // listed again: flags kept
  EXPECT_EQ(t.Flags("bob"), mfVoice);
  EXPECT_EQ(t.Flags("carol"), 0u);
  EXPECT_EQ(t.Flags("+dave"), mfOp);
  ASSERT_EQ(t.users.Count(), 5);
  EXPECT_EQ(t.User("alice")->RefCount, 1);
  EXPECT_EQ(t.User("bob")->Address, "");
  EXPECT_EQ(t.updates, (Updates{{"#room", cutNames, nullptr, 0}}));

  auto bot = t.users.AddRef("bot", "b@h");
  t.channel->AddNames("@alice+ bot", t.users);
  t.channel->AddNames("+ALICE", t.users);
  EXPECT_EQ(t.Flags("alice"), mfOp);
  EXPECT_EQ(bot->RefCount, 2);
  EXPECT_EQ(t.User("alice")->RefCount, 1);

  // With multi-prefix every leading mark counts; a lone mark names nobody.
  Tracker multi;
  multi.channel->AddNames("@+dave +@erin +frank @ +", multi.users, 100, true);
  EXPECT_EQ(multi.Nicks(), (std::vector<std::string>{"dave", "erin", "frank"}));
  EXPECT_EQ(multi.Flags("dave"), mfOp | mfVoice);
  EXPECT_EQ(multi.Flags("erin"), mfOp | mfVoice);
  EXPECT_EQ(multi.Flags("frank"), mfVoice);
  // A WHO reply sets them whole; an update only when they change.
  auto frank = multi.users.AddRef("frank", "");
  multi.updates.clear();
  multi.channel->SetFlags(frank.get(), mfOp);
  multi.channel->SetFlags(frank.get(), mfOp);
  multi.channel->SetFlags(nullptr, mfOp);
  EXPECT_EQ(multi.Flags("frank"), mfOp);
  EXPECT_EQ(multi.updates,
            (Updates{{"#room", cutMemberFlags, frank.get(), static_cast<int>(mfOp)}}));

  Tracker fresh;
  fresh.channel->AddNames("@x+ " + std::string(600, 'y'), fresh.users);
  EXPECT_EQ(fresh.Flags("x"), mfOp | mfVoice);
  EXPECT_EQ(fresh.channel->Names().at(1).Nick, std::string(512, 'y'));
}

TEST(ChannelMembers, JoinAndLeaveRaiseWithIndexBeforeRemoval) {
  Tracker t;
  auto alice = t.users.AddRef("alice", "");
  auto bob = t.users.AddRef("bob", "");
  auto carol = t.users.AddRef("carol", "");
  for (TIdIRCUser* user :
       std::vector<TIdIRCUser*>{alice.get(), bob.get(), carol.get(), bob.get(), nullptr}) {
    t.channel->MemberJoin(user);
  }
  t.channel->OnChannelUpdate = [&](TIdIRCChannel* sender, TIdIRCChannelUpdateType type,
                                   TIdIRCUser* user, int info) {
    EXPECT_TRUE(sender->HasUser(user->Nick()));
    t.updates.emplace_back(sender->Name(), type, user, info);
  };
  t.channel->MemberPart(bob.get());
  t.channel->MemberKick(carol.get());
  t.channel->MemberQuit(alice.get());
  t.channel->MemberQuit(alice.get());
  t.channel->MemberPart(nullptr);
  EXPECT_TRUE(t.channel->Names().empty());
  EXPECT_EQ(t.updates, (Updates{{"#room", cutJoin, alice.get(), 0},
                                {"#room", cutJoin, bob.get(), 1},
                                {"#room", cutJoin, carol.get(), 2},
                                {"#room", cutPart, bob.get(), 1},
                                {"#room", cutKick, carol.get(), 1},
                                {"#room", cutQuit, alice.get(), 0}}));
  EXPECT_EQ(t.users.Count(), 3);  // joining holds nothing, leaving releases nothing
  EXPECT_EQ(bob->RefCount, 1);
}

TEST(ChannelMembers, NickChangeKeepsIndexFlagsAndFirstMatch) {
  Tracker t;
  t.channel->AddNames("bob @alice carol", t.users);
  TIdIRCUser* alice = t.User("alice");
  t.updates.clear();
  t.channel->MemberNickChange(alice, "alicia");
  t.users.SetNick(*alice, "alicia");
  EXPECT_EQ(t.channel->FindUser("ALICIA"), 1);
  EXPECT_EQ(t.channel->FindUser("alice"), -1);
  EXPECT_EQ(t.Flags("alicia"), mfOp);
  EXPECT_EQ(t.User("alicia"), alice);
  EXPECT_EQ(t.updates, (Updates{{"#room", cutNick, alice, 1}}));

  t.channel->MemberNickChange(t.User("carol"), "BOB");  // now two "bob"s
  EXPECT_EQ(t.channel->FindUser("bob"), 0);
  t.channel->MemberPart(t.User("bob"));
  EXPECT_EQ(t.channel->FindUser("Bob"), 1);
  EXPECT_EQ(t.channel->Names()[1].Nick, "BOB");
}

TEST(ChannelMembers, OpAndVoiceMarks) {
  Tracker t;
  t.channel->AddNames("bob", t.users);
  TIdIRCUser* bob = t.User("bob");
  auto stranger = t.users.AddRef("stranger", "");
  t.updates.clear();
  t.channel->SetOp(bob);
  t.channel->SetVoice(bob);
  t.channel->ClearOp(bob);
  t.channel->SetVoice(nullptr);
  t.channel->SetOp(stranger.get());
  EXPECT_EQ(t.Flags("bob"), mfVoice);
  t.channel->ClearVoice(bob);
  EXPECT_EQ(t.updates, (Updates{{"#room", cutMemberFlags, bob, 1},
                                {"#room", cutMemberFlags, bob, 3},
                                {"#room", cutMemberFlags, bob, 2},
                                {"#room", cutMemberFlags, bob, 0}}));
}

TEST(ChannelState, TopicModesAndCommands) {
  Tracker t;
  t.channel->SetTopic("news");
  t.channel->SetMode(ChannelModeFlag('t') | ChannelModeFlag('n'));
  t.channel->SetLimit(20);
  t.channel->SetKey("k");
  EXPECT_EQ(t.channel->Topic(), "news");
  EXPECT_EQ(t.channel->Mode(), 24u);
  EXPECT_EQ(t.channel->Limit(), 20);
  EXPECT_EQ(t.channel->Key(), "k");
  EXPECT_EQ(t.updates, (Updates{{"#room", cutTopic, nullptr, 0},
                                {"#room", cutMode, nullptr, 0},
                                {"#room", cutMode, nullptr, 0},
                                {"#room", cutMode, nullptr, 0}}));
  EXPECT_EQ(ChannelModeFlag('k') | ChannelModeFlag('l') | ChannelModeFlag('p'), 193u);
  EXPECT_EQ(ChannelModeFlag('o') | ChannelModeFlag('P'), 0u);

  t.channel->Kick("bob", "No colors!");
  t.channel->Voice("bob");
  EXPECT_EQ(t.sink.lines,
            (std::vector<std::string>{"KICK|#room|bob|No colors!", "MODE|#room|+v|bob"}));
  TIdIRCChannel orphan("#none", nullptr);
  orphan.Kick("bob", "x");
}

TEST(Channels, AddReplacesFindAndRemove) {
  Tracker t;
  t.channel->AddNames("bob", t.users);
  t.Add("#other");
  auto fresh = t.Add("#ROOM");
  ASSERT_EQ(t.channels.Count(), 2);
  EXPECT_EQ(t.channels.Items(0)->Name(), "#other");
  EXPECT_EQ(t.channels.Find("#room"), fresh.get());
  EXPECT_TRUE(fresh->Names().empty());
  fresh->Voice("x");
  EXPECT_EQ(t.sink.lines, std::vector<std::string>{"MODE|#ROOM|+v|x"});
  t.channels.Remove("#OTHER");
  t.channels.Remove("#absent");
  EXPECT_EQ(t.channels.Find("#other"), nullptr);
  EXPECT_EQ(t.channels.Items(0), fresh.get());
  EXPECT_THROW(t.channels.Items(1), EListError);
  t.channels.Clear();
  EXPECT_EQ(t.channels.Find("#room"), nullptr);
}

TEST(Channels, NickChangeAndQuitReachEveryChannel) {
  Tracker t;
  t.channel->AddNames("@alice bob", t.users);
  t.Add("#b")->AddNames("carol", t.users);
  t.Add("#c")->AddNames("bob +alice", t.users);
  TIdIRCUser* alice = t.User("alice");
  t.updates.clear();
  t.channels.NickChange(alice, "alicia");
  t.users.SetNick(*alice, "alicia");
  t.channels.Quit(alice);
  EXPECT_EQ(t.updates, (Updates{{"#room", cutNick, alice, 0},
                                {"#c", cutNick, alice, 1},
                                {"#room", cutQuit, alice, 0},
                                {"#c", cutQuit, alice, 1}}));
  EXPECT_EQ(t.channel->FindUser("bob"), 0);
}

TEST(Channels, QuitAndNickReachTheChannelsListingTheNickNow) {
  Tracker t;
  t.channel->AddNames("bob alice", t.users);
  auto b = t.Add("#b");
  b->AddNames("carol", t.users);
  t.Add("#c")->AddNames("alice", t.users);
  TIdIRCUser* alice = t.User("alice");
  b->MemberJoin(alice);
  t.channels.Remove("#room");  // still held by t.channel, but no longer reached
  t.channel->AddNames("erin", t.users);
  t.channels.Find("#c")->MemberPart(alice);
  t.channels.NickChange(t.User("carol"), "dave");
  t.users.SetNick(*t.User("carol"), "dave");
  t.updates.clear();
  t.channels.Quit(alice);
  t.channels.Quit(t.User("DAVE"));
  t.channels.Quit(t.User("erin"));
  EXPECT_EQ(t.updates, (Updates{{"#b", cutQuit, alice, 1}, {"#b", cutQuit, t.User("dave"), 0}}));
  // A record that outlives its collection keeps working on its own.
  auto orphan = TIdIRCChannels().Add("#gone");
  orphan->AddNames("bob", t.users);
  orphan->MemberQuit(t.User("bob"));
  EXPECT_TRUE(orphan->Names().empty());
}

TEST(Channels, HandlersMayChangeTheRecordsWhileALeavingIsReported) {
  TIdIRCChannels channels;
  TIdIRCUsers users;
  auto clear_on = [&](TIdIRCChannelUpdateType kind) {
    return [&, kind](TIdIRCChannel*, TIdIRCChannelUpdateType type, TIdIRCUser*, int) {
      if (type == kind) channels.Clear();
    };
  };
  channels.Add("#a", clear_on(cutQuit))->AddNames("bob carol", users);
  channels.Add("#b")->AddNames("bob", users);
  channels.Quit(users.Find("bob"));
  EXPECT_EQ(channels.Count(), 0);
  // Called on the record itself, with nothing else holding it.
  channels.Add("#a", clear_on(cutPart))->AddNames("bob", users);
  channels.Find("#a")->MemberPart(users.Find("bob"));
  EXPECT_EQ(channels.Count(), 0);

  auto room = channels.Add("#room");
  room->AddNames("alice bob", users);
  room->OnChannelUpdate = [](TIdIRCChannel* sender, TIdIRCChannelUpdateType type, TIdIRCUser* user,
                             int) {
    if (type == cutPart) sender->MemberKick(user);
  };
  room->MemberPart(users.Find("alice"));
  ASSERT_EQ(room->Names().size(), 1u);
  EXPECT_EQ(room->Names()[0].Nick, "bob");
}

TEST(ChannelMembers, IndexStaysRightThroughManyChanges) {
  Tracker t;
  t.channel->OnChannelUpdate = nullptr;
  for (int i = 0; i < 3000; i += 30) {
    std::string list;
    for (int j = i; j < i + 30; ++j) list += (j % 3 == 0 ? "@n" : "N") + std::to_string(j) + " ";
    t.channel->AddNames(list, t.users);
  }
  for (int i = 0; i < 3000; i += 2) t.channel->MemberQuit(t.User("n" + std::to_string(i)));
  for (int i = 1; i < 3000; i += 4) {
    t.channel->MemberNickChange(t.User("n" + std::to_string(i)), "m" + std::to_string(i));
  }
  const std::vector<ChannelMember>& names = t.channel->Names();
  ASSERT_EQ(names.size(), 1500u);
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(t.channel->FindUser(names[i].Nick), static_cast<int>(i)) << names[i].Nick;
  }
  EXPECT_EQ(t.channel->FindUser("m1"), 0);
  EXPECT_EQ(t.Flags("N3"), mfOp);
}

}  // namespace
}  // namespace zelmo
