#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_client.h"
#include "support/loopback_server.h"
#include "support/recording_irc_events.h"
#include "support/recording_port.h"

namespace zelmo {
namespace {

using testing::LoopbackPeer;
using testing::LoopbackServer;
using testing::RecordedEvent;
using testing::RecordingIrcEvents;
using testing::RecordingPort;

constexpr const char* kBot = ":ZelmoBot!zb@bot.host ";

// A client registered on a loopback server whose lines are handed to the
// test's thread, which plays the user-interface thread.
class Session : public ::testing::Test {
 protected:
  Session() {
    irc.Host = LoopbackServer::Host();
    irc.Port = server.Port();
    // Unpaced and without keepalive, unlike a configured bot.
    irc.SendInterval = 0;
    irc.PingInterval = 0;
    irc.SetNick("ZelmoBot");
    irc.AltNick = "ZelmoBot-";
    irc.Username = "zb";
    irc.RealName = "Zelmo Bot";
    irc.Replies.Version = "ZelmoBot v0.5";
    irc.SetUiPoster([this](std::function<void()> task) { port.PostToUiThread(std::move(task)); });
    irc.SetEvents(events);
  }
  ~Session() override {
    irc.Stop();
    server.Stop();
  }

  // The connect runs on a thread of its own; the link is taken over on
  // the user-interface thread.
  void ConnectOnly() {
    irc.Connect();
    ASSERT_TRUE(port.PumpUntil([this] { return !irc.Connecting(); }));
    peer = server.Accept();
    ASSERT_NE(peer, nullptr);
  }
  void Register() {
    ConnectOnly();
    ServerSends(":irc.test 001 ZelmoBot :Welcome");
    ASSERT_EQ(irc.ConnectionState(), stConnected);
    events.Clear();
  }
  // Sends a line through the socket and waits until the client has handled
  // it (and the PING behind it, so everything before has been handled too).
  void ServerSends(const std::string& line) {
    const std::size_t syncs = Syncs();
    peer->SendLine(line);
    peer->SendLine("PING :sync");
    ASSERT_TRUE(port.PumpUntil([this, syncs] { return Syncs() > syncs; })) << line;
  }
  // The lines sent, without the answers to the harness's own PINGs.
  std::vector<std::string> Sent() const {
    std::vector<std::string> sent = events.Arguments("OnSend");
    std::erase(sent, kSync);
    return sent;
  }
  std::size_t Syncs() const {
    const std::vector<std::string> sent = events.Arguments("OnSend");
    return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), kSync));
  }
  // The lines sent since the events were last cleared; clears them.
  std::vector<std::string> TakeSent() {
    std::vector<std::string> out = Sent();
    events.Clear();
    return out;
  }
  std::vector<std::string> ReadErrors() const { return events.Arguments("OnReadError"); }
  int Disconnects() const { return events.Count("OnDisconnected"); }

  static constexpr const char* kSync = "PONG :sync";

  LoopbackServer server;
  std::shared_ptr<LoopbackPeer> peer;
  RecordingPort port;
  RecordingIrcEvents events;
  TIdIRC irc;
};

TEST_F(Session, RegistersWithNickAndUser) {
  ConnectOnly();
  EXPECT_EQ(irc.ConnectionState(), stLoggingOn);
  EXPECT_EQ(peer->ReadLine(), "NICK ZelmoBot");
  auto user = peer->ReadLine();
  ASSERT_TRUE(user.has_value());
  EXPECT_EQ(user->rfind("USER zb ", 0), 0u) << *user;
  EXPECT_EQ(user->substr(user->size() - 11), " :Zelmo Bot");
  ServerSends(":irc.test 001 ZelmoBot :Welcome");
  EXPECT_EQ(irc.ConnectionState(), stConnected);
  EXPECT_EQ(irc.ServerName, "irc.test");
  EXPECT_EQ(irc.Nick(), "ZelmoBot");
}

TEST_F(Session, AnswersPingWithAndWithoutText) {
  Register();
  irc.HandleLine("PING :irc.test");
  irc.HandleLine("PING x");
  irc.HandleLine("PING ");
  irc.HandleLine("PING :");
  // A lone word has no command word at all: there is no blank after it.
  irc.HandleLine("PING");
  EXPECT_EQ(TakeSent(),
            (std::vector<std::string>{"PONG :irc.test", "PONG :x", "PONG :", "PONG :"}));
}

TEST_F(Session, AnswersCtcpQueriesToTheSendersNick) {
  Register();
  irc.HandleLine(":alice!a@h PRIVMSG #room :\001VERSION\001");
  irc.HandleLine(":alice!a@h PRIVMSG ZelmoBot :\001PING 12345\001");
  irc.HandleLine(":alice!a@h PRIVMSG ZelmoBot :\001FINGER\001");
  irc.HandleLine(":alice!a@h PRIVMSG ZelmoBot :\001version\001");
  irc.HandleLine(":alice!a@h PRIVMSG ZelmoBot :\001SOUND x\001");
  irc.HandleLine(":alice!a@h PRIVMSG ZelmoBot :\001TIME\001");
  // A server's own query has no nick to answer; it is a plain message.
  irc.HandleLine(":irc.test PRIVMSG ZelmoBot :\001VERSION\001");
  EXPECT_EQ(events.Field("OnMessage", 2), std::vector<std::string>{"\001VERSION\001"});
  auto lines = TakeSent();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "NOTICE alice :\001VERSION ZelmoBot v0.5\001");
  EXPECT_EQ(lines[1], "NOTICE alice :\001PING 12345\001");
  EXPECT_EQ(lines[2], "NOTICE alice :\001FINGER \001");
  EXPECT_EQ(lines[3].rfind("NOTICE alice :\001TIME Local time is ", 0), 0u) << lines[3];
}

TEST_F(Session, ASuppressedQueryIsNotAnswered) {
  Register();
  events.suppress_ctcp = true;
  irc.HandleLine(":alice!a@h PRIVMSG ZelmoBot :\001VERSION\001");
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(Session, ActionsAndMessagesGoToTheirOwnEvents) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  irc.HandleLine(":bob!b@h PRIVMSG #room :\001ACTION waves\001");
  irc.HandleLine(":bob!b@h PRIVMSG ZelmoBot :hi there");
  irc.HandleLine(":bob!b@h PRIVMSG #elsewhere :hello");
  irc.HandleLine(":bob!b@h PRIVMSG ZelmoBot :");
  EXPECT_EQ(events.Texts({"OnMessage", "OnAction"}),
            (std::vector<std::string>{"OnAction bob #room waves", "OnMessage bob (none) hi there",
                                      "OnMessage bob (none) hello", "OnMessage bob (none) "}));
}

TEST_F(Session, OwnJoinMakesAFreshChannelAndAsksForItsModes) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN :#room");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"MODE #room "}));
  irc.HandleLine(":irc 353 ZelmoBot = #room :@alice +bob carol");
  ASSERT_NE(irc.Channels.Find("#ROOM"), nullptr);
  EXPECT_EQ(irc.Channels.Find("#room")->Names().size(), 3u);
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  EXPECT_TRUE(irc.Channels.Find("#room")->Names().empty());
  EXPECT_EQ(irc.Channels.Count(), 1);
}

TEST_F(Session, TracksMembersThroughJoinPartKickQuitAndNick) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  irc.HandleLine(std::string(kBot) + "JOIN #other");
  irc.HandleLine(":irc 353 ZelmoBot = #room :@alice +bob");
  irc.HandleLine(":carol!c@h JOIN #room");
  irc.HandleLine(":carol!c@h JOIN #other");
  TIdIRCChannel* room = irc.Channels.Find("#room");
  EXPECT_TRUE(room->HasUser("CAROL"));
  irc.HandleLine(":alice!a@h NICK alicia");
  EXPECT_EQ(room->FindUser("alicia"), 0);
  EXPECT_EQ(room->Names()[0].Flags, static_cast<MemberFlags>(mfOp));
  EXPECT_NE(irc.Users.Find("alicia"), nullptr);
  EXPECT_EQ(irc.Users.Find("alice"), nullptr);
  irc.HandleLine(":alicia!a@h KICK #room bob :bye");
  EXPECT_FALSE(room->HasUser("bob"));
  irc.HandleLine(":carol!c@h QUIT :gone");
  EXPECT_FALSE(room->HasUser("carol"));
  EXPECT_FALSE(irc.Channels.Find("#other")->HasUser("carol"));
  irc.HandleLine(":alicia!a@h PART #room :later");
  EXPECT_FALSE(room->HasUser("alicia"));
  // Between lines only the bot and the nicks named by NAMES have records.
  EXPECT_EQ(irc.Users.Find("carol"), nullptr);
  EXPECT_NE(irc.Users.Find("bob"), nullptr);
  EXPECT_EQ(irc.Users.Address("ZelmoBot"), "zb@bot.host");
}

TEST_F(Session, OwnPartAndKickDropTheChannel) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #a");
  irc.HandleLine(std::string(kBot) + "JOIN #b");
  irc.HandleLine(std::string(kBot) + "PART #a");
  irc.HandleLine(":op!o@h KICK #b ZelmoBot :out");
  EXPECT_EQ(events.Texts({"OnParted", "OnKicked"}),
            (std::vector<std::string>{"OnParted #a 1", "OnKicked op #b 2"}));
  EXPECT_EQ(irc.Channels.Count(), 0);
}

TEST_F(Session, TheBotIsOnlyTheExactNick) {
  Register();
  irc.HandleLine(":zelmobot!x@h JOIN #room");  // another user in other letter case
  EXPECT_EQ(irc.Channels.Count(), 0);
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(Session, ChannelModesRaiseTheirEventsAndKeepTheRecord) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  irc.HandleLine(":irc 353 ZelmoBot = #room :alice +bob");
  irc.HandleLine(":op!o@h MODE #room +o-v alice bob");
  TIdIRCChannel* room = irc.Channels.Find("#room");
  EXPECT_EQ(room->Names()[0].Flags, static_cast<MemberFlags>(mfOp));
  EXPECT_EQ(room->Names()[1].Flags, 0u);
  irc.HandleLine(":op!o@h MODE #room +kl secret 10");
  EXPECT_EQ(room->Key(), "secret");
  EXPECT_EQ(room->Limit(), 10);
  EXPECT_EQ(room->Mode(), static_cast<ChannelModes>(64 | 128));
  irc.HandleLine(":op!o@h MODE #room -k+o alice");  // -k takes no argument
  EXPECT_EQ(room->Key(), "");
  irc.HandleLine(":op!o@h MODE #room +b");
  irc.HandleLine(":op!o@h MODE #nowhere +o alice");
  EXPECT_EQ(events.Texts({"OnOp", "OnDevoice", "OnBan"}),
            (std::vector<std::string>{"OnOp op #room alice", "OnDevoice op #room bob",
                                      "OnOp op #room alice", "OnBan op #room "}));
}

TEST_F(Session, ModesForAnUnknownNickHaveNoTarget) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  irc.HandleLine(":dave!d@h JOIN #room");
  irc.HandleLine(":op!o@h MODE #room -o dave");
  EXPECT_EQ(events.Field("OnDeop", 2), std::vector<std::string>{"(none)"});
}

TEST_F(Session, OwnUserModes) {
  Register();
  irc.HandleLine(":ZelmoBot MODE ZelmoBot :+iw");
  EXPECT_EQ(irc.UserMode(), umInvisible | umWallops);
  irc.HandleLine(":ZelmoBot MODE ZelmoBot :+i");
  irc.HandleLine(":ZelmoBot MODE Other :+o");
  EXPECT_EQ(events.Count("OnUserModeChanged"), 1);
}

TEST_F(Session, NickFallbackTriesTheAlternativeThenDisconnects) {
  ConnectOnly();
  ASSERT_EQ(peer->ReadLine(), "NICK ZelmoBot");
  events.Clear();
  ServerSends(":irc.test 433 * ZelmoBot :Nickname already in use");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"NICK ZelmoBot-"}));
  EXPECT_EQ(irc.CurrentNick, "ZelmoBot-");
  peer->SendLine(":irc.test 433 * ZelmoBot- :Nickname already in use");
  ASSERT_TRUE(port.PumpUntil([this] { return irc.ConnectionState() == stDisconnected; }));
  EXPECT_EQ(Disconnects(), 1);
  EXPECT_TRUE(peer->WaitClosed());
}

TEST_F(Session, ARefusedNickAfterRegistrationIsOnlyAnError) {
  Register();
  irc.HandleLine(":irc.test 433 ZelmoBot Taken :Nickname already in use");
  EXPECT_EQ(irc.CurrentNick, "ZelmoBot");
  EXPECT_EQ(events.Arguments("OnError"),
            (std::vector<std::string>{"(server) 433 ZelmoBot Taken :Nickname already in use"}));
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(Session, SettingTheNickWhileConnectedOnlySendsIt) {
  Register();
  irc.SetNick("Other");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"NICK Other"}));
  EXPECT_EQ(irc.Nick(), "ZelmoBot");
  irc.HandleLine(std::string(kBot) + "NICK :Other");
  EXPECT_EQ(events.Arguments("OnNickChanged"), std::vector<std::string>{"ZelmoBot"});
  EXPECT_EQ(irc.Nick(), "Other");
}

TEST_F(Session, NumericsRaiseSystemAndUnknownEvents) {
  Register();
  irc.HandleLine(":irc.test 005 ZelmoBot CHANTYPES=# :are supported");
  irc.HandleLine(":irc.test 311 ZelmoBot bob b host * :Bob B");
  irc.HandleLine(":irc.test 391 ZelmoBot irc.test :Monday");
  irc.HandleLine(":irc.test FROB x");
  EXPECT_EQ(
      events.Texts({"OnSystem", "OnUnknownCommand"}),
      (std::vector<std::string>{"OnUnknownCommand (server) 005 ZelmoBot CHANTYPES=# :are supported",
                                "OnSystem (server) 311 WHOIS bob is b@host * Bob B",
                                "OnSystem (server) 391 TIME irc.test :Monday",
                                "OnUnknownCommand (server) FROB x"}));
}

// Only a word of decimal digits is a reply number: "x01" is no welcome.
TEST_F(Session, OnlyDecimalCommandWordsAreNumerics) {
  ConnectOnly();
  for (const char* word : {"x01", "0x1", "$1", "+1"}) {
    irc.HandleLine(std::string(":irc.test ") + word + " ZelmoBot :Welcome");
  }
  EXPECT_EQ(irc.ConnectionState(), stLoggingOn);
  EXPECT_EQ(events.Field("OnUnknownCommand", 1),
            (std::vector<std::string>{"x01", "0x1", "$1", "+1"}));
}

TEST_F(Session, LinesAreIgnoredWhileDisconnected) {
  irc.HandleLine(":bob!b@h PRIVMSG ZelmoBot :hi");
  EXPECT_EQ(events.Count("OnMessage"), 0);
}

TEST_F(Session, AnOverlongLineIsDroppedAndReadingGoesOn) {
  Register();
  peer->Send(std::string(20000, 'x') + "\r\n");
  ServerSends(":bob!b@h PRIVMSG ZelmoBot :after");
  const std::vector<std::string> read_errors = ReadErrors();
  ASSERT_EQ(read_errors.size(), 1u);
  EXPECT_EQ(read_errors[0], "Dropped a server line: Max line length exceeded.");
  EXPECT_TRUE(irc.IsLinkUp());
}

TEST_F(Session, AHandlerErrorIsReportedAndTheNextLineHandled) {
  Register();
  events.then = [](const RecordedEvent& event) {
    if (event.name == "OnMessage" && event.fields[2] == "boom") throw Exception("handler failed");
  };
  ServerSends(":bob!b@h PRIVMSG ZelmoBot :boom");
  ServerSends(":bob!b@h PRIVMSG ZelmoBot :fine");
  EXPECT_EQ(events.Count("OnMessage"), 2);
  EXPECT_EQ(ReadErrors(),
            (std::vector<std::string>{"Error while handling a server line: handler failed"}));
}

// Lines that arrive together go to the user-interface thread together, in
// far fewer hand-overs than lines, and are handled in order one by one: a
// failing line is reported and the next handled; a line that ends the link
// leaves the rest unhandled.
TEST_F(Session, LinesReceivedTogetherAreHandedOverTogether) {
  std::atomic<int> hand_overs{0};
  irc.SetUiPoster([this, &hand_overs](std::function<void()> task) {
    ++hand_overs;
    port.PostToUiThread(std::move(task));
  });
  Register();
  events.then = [this](const RecordedEvent& event) {
    if (event.name != "OnMessage") return;
    if (event.fields[2] == "m7") throw Exception("handler failed");
    if (event.fields[2] == "stop") irc.Disconnect(true);
  };
  std::string burst;
  std::vector<std::string> expected;
  for (int i = 0; i < 600; ++i) {
    expected.push_back("m" + std::to_string(i));
    burst += ":bob!b@h PRIVMSG ZelmoBot :" + expected.back() + "\r\n";
  }
  hand_overs = 0;
  ASSERT_TRUE(peer->Send(burst + "PING :sync\r\n"));
  ASSERT_TRUE(port.PumpUntil([this] { return Syncs() == 1; }));
  EXPECT_LT(hand_overs, 30);
  EXPECT_EQ(events.Field("OnMessage", 2), expected);
  EXPECT_EQ(ReadErrors().size(), 1u);

  events.Clear();
  ASSERT_TRUE(
      peer->Send(":bob!b@h PRIVMSG ZelmoBot :stop\r\n:bob!b@h PRIVMSG ZelmoBot :after\r\n"));
  ASSERT_TRUE(port.PumpUntil([this] { return !irc.IsLinkUp(); }));
  port.PumpUntil([] { return false; }, 200);
  EXPECT_EQ(events.Count("OnMessage"), 1);
}

TEST_F(Session, AServerCloseReportsOnceAndKeepsTheRecords) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  peer->Close();
  ASSERT_TRUE(port.PumpUntil([this] { return Disconnects() == 1; }));
  EXPECT_FALSE(irc.IsLinkUp());
  EXPECT_EQ(irc.Channels.Count(), 1);
  EXPECT_EQ(irc.CurrentNick, "ZelmoBot");
  EXPECT_EQ(irc.ConnectionState(), stConnected);
}

TEST_F(Session, AResetIsALostLinkToo) {
  Register();
  peer->Reset();
  ASSERT_TRUE(port.PumpUntil([this] { return Disconnects() == 1; }));
  EXPECT_FALSE(irc.IsLinkUp());
}

TEST_F(Session, ConnectingAgainReplacesTheLinkAndItsReader) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  irc.Connect();
  auto second = server.Accept();
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(peer->WaitClosed());
  EXPECT_EQ(Disconnects(), 1);
  EXPECT_EQ(irc.Channels.Count(), 0);
  peer = second;
  events.Clear();
  ServerSends(":irc.test 001 ZelmoBot :Welcome");
  EXPECT_EQ(irc.ConnectionState(), stConnected);
}

TEST_F(Session, OutgoingTextsNeverCarryASecondCommand) {
  Register();
  irc.Say("#room", "hello\r\nQUIT :bye\0x");
  irc.Say("#room", std::string("a\0b", 3));
  auto lines = TakeSent();
  EXPECT_EQ(lines[0], "PRIVMSG #room :hello  QUIT :bye");
  EXPECT_EQ(lines[1], "PRIVMSG #room :a b");
  peer->ReadLine();  // NICK
  peer->ReadLine();  // USER
  peer->ReadLine();  // PONG :sync from registration
  EXPECT_EQ(peer->ReadLine(), "PRIVMSG #room :hello  QUIT :bye");
  EXPECT_EQ(peer->ReadLine(), "PRIVMSG #room :a b");
}

TEST_F(Session, LongLinesFitBehindTheBotsOwnPrefix) {
  Register();
  const std::string text(1000, 'x');
  auto pieces = [&] {
    irc.Say("#room", text);
    std::string joined;
    std::size_t longest = 0;
    for (const std::string& line : TakeSent()) {
      longest = std::max(longest, line.size());
      joined += line.substr(std::string("PRIVMSG #room :").size());
    }
    EXPECT_EQ(joined, text);
    return longest;
  };
  EXPECT_EQ(pieces(), 410u);  // a prefix of 100 bytes until the server shows it
  irc.HandleLine(std::string(kBot) + "JOIN #room");
  events.Clear();
  EXPECT_EQ(pieces(), 488u);  // ":ZelmoBot!zb@bot.host " is 22 bytes
  irc.HandleLine(std::string(kBot) + "NICK :ZelmoBotTwo");
  EXPECT_EQ(pieces(), 485u);
  irc.HandleLine(":irc.test 005 ZelmoBotTwo NICKLEN=9 :are supported by this server");
  // A new connection forgets both.
  irc.Connect();
  peer = server.Accept();
  ASSERT_NE(peer, nullptr);
  ServerSends(":irc.test 001 ZelmoBot :Welcome");
  events.Clear();
  EXPECT_FALSE(irc.Features.Value("NICKLEN"));
  EXPECT_EQ(pieces(), 410u);
}

TEST_F(Session, Latin1TextGoesOutAsUtf8OnlyWhereTheServerWantsIt) {
  Register();
  irc.Say("#c", "caf\xe9");
  EXPECT_EQ(TakeSent(), std::vector<std::string>{"PRIVMSG #c :caf\xe9"});
  irc.HandleLine(":irc.test 005 ZelmoBot UTF8ONLY :are supported by this server");
  irc.Say("#c", "caf\xe9 d\xc3\xa9j\xe0");
  irc.Say("#c", "d\xc3\xa9j\xc3\xa0");  // already UTF-8: left alone
  EXPECT_EQ(TakeSent(),
            (std::vector<std::string>{"PRIVMSG #c :caf\xc3\xa9 d\xc3\x83\xc2\xa9j\xc3\xa0",
                                      "PRIVMSG #c :d\xc3\xa9j\xc3\xa0"}));
  // Doubled by the conversion, a long text is still split within the
  // limit, never inside a character.
  irc.Say("#c", std::string(400, '\xe9'));
  for (const std::string& line : TakeSent()) {
    EXPECT_LE(line.size(), 410u);
    EXPECT_EQ((line.size() - std::string("PRIVMSG #c :").size()) % 2, 0u);
  }
  // The announcement holds for its connection; the key for every one.
  irc.Connect();
  peer = server.Accept();
  ASSERT_NE(peer, nullptr);
  ServerSends(":irc.test 001 ZelmoBot :Welcome");
  events.Clear();
  irc.Say("#c", "\xe9");
  irc.UTF8Only = true;
  irc.Say("#c", "\xe9");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"PRIVMSG #c :\xe9", "PRIVMSG #c :\xc3\xa9"}));
}

TEST(ServerFeatures, TokensAreAnnouncedAndWithdrawn) {
  ServerFeatures features;
  EXPECT_EQ(features.NickLength(), 30u);
  features.Take("bot NICKLEN=9 SAFELIST  CHANTYPES=# :are supported NICKLEN=1");
  EXPECT_EQ(features.NickLength(), 9u);
  EXPECT_EQ(features.Value("SAFELIST"), "");
  EXPECT_EQ(features.Value("CHANTYPES"), "#");
  EXPECT_FALSE(features.Value("are"));
  features.Take("bot -NICKLEN -SAFELIST :are supported");
  EXPECT_FALSE(features.Value("SAFELIST"));
  EXPECT_EQ(features.NickLength(), 30u);
  features.Take("bot NICKLEN=none");
  EXPECT_EQ(features.NickLength(), 30u);
}

TEST_F(Session, SendingWhileDisconnectedIsDroppedWithAnError) {
  irc.Say("#room", "hello");
  EXPECT_EQ(events.Field("OnError", 2), std::vector<std::string>{"Not connected to server."});
  EXPECT_TRUE(Sent().empty());
}

// Error replies that answer a JOIN also answer other commands: only one
// about a channel the bot asked to join and has not joined is a refusal.
TEST_F(Session, AnErrorReplyIsARefusedJoinOnlyForAChannelAskedFor) {
  Register();
  irc.Join("#open,#Keyed", "");
  irc.Join("#full", "");
  ServerSends(std::string(kBot) + "JOIN #open");
  // Not asked for, or joined already: a PART or a message got these.
  ServerSends(":irc.test 403 ZelmoBot #nowhere :No such channel");
  ServerSends(":irc.test 403 ZelmoBot #open :No such channel");
  ServerSends(":irc.test 475 ZelmoBot #keyed :Cannot join channel (+k)");
  ServerSends(":irc.test 471 ZelmoBot #full :Cannot join channel (+l)");
  // Each refusal is told once.
  ServerSends(":irc.test 471 ZelmoBot #full :Cannot join channel (+l)");
  EXPECT_EQ(events.Arguments("OnJoinRefused"),
            (std::vector<std::string>{"#keyed Cannot join channel (+k)",
                                      "#full Cannot join channel (+l)"}));
}

// MONITOR where the server offers it: the lines the client sends, and the
// nicks the server reports, each list an event of its own after the
// unknown-command event every other number raises.
TEST_F(Session, MonitorIsOfferedByTheServerAndReportsNicks) {
  Register();
  EXPECT_FALSE(irc.OffersMonitor());
  irc.HandleLine(":irc.test 005 ZelmoBot MONITOR=100 :are supported");
  EXPECT_TRUE(irc.OffersMonitor());
  EXPECT_EQ(
      events.Texts({"OnUnknownCommand", "OnServerFeatures"}),
      (std::vector<std::string>{"OnUnknownCommand (server) 005 ZelmoBot MONITOR=100 :are supported",
                                "OnServerFeatures"}));
  irc.Monitor("ZelmoBot");
  irc.Unmonitor("ZelmoBot");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"MONITOR + ZelmoBot", "MONITOR - ZelmoBot"}));
  irc.HandleLine(":irc.test 730 ZelmoBot :alice!a@h");
  irc.HandleLine(":irc.test 731 ZelmoBot :alice,bob");
  EXPECT_EQ(
      events.Texts({"OnUnknownCommand", "OnMonitorOnline", "OnMonitorOffline"}),
      (std::vector<std::string>{
          "OnUnknownCommand (server) 730 ZelmoBot :alice!a@h", "OnMonitorOnline alice",
          "OnUnknownCommand (server) 731 ZelmoBot :alice,bob", "OnMonitorOffline alice bob"}));
}

// A network's channel list is long: it is gathered, and handed over in
// pieces, only for a listener that asks for it.
TEST_F(Session, ListRepliesReachOnlyAListenerThatCollectsThem) {
  Register();
  auto list = [this] {
    irc.HandleLine(":irc.test 321 ZelmoBot Channel :Users Name");
    for (int i = 0; i < 45; ++i) {
      irc.HandleLine(":irc.test 322 ZelmoBot #c" + std::to_string(i) + " 3 :topic");
    }
    irc.HandleLine(":irc.test 323 ZelmoBot :End of LIST");
    return events.Texts({"OnList"});
  };
  EXPECT_EQ(list(),
            (std::vector<std::string>{"OnList 0 0 more", "OnList 40 0 more", "OnList 45 39 last"}));
  events.Clear();
  events.collects_list = false;
  EXPECT_TRUE(list().empty());
}

// Records that grow with the server's lines stop at their bounds, each
// told once in the display; what is known already still changes.
TEST_F(Session, RecordsTheServerFeedsStopAtTheirBounds) {
  Register();
  for (std::size_t i = 0; i < kMaxChannels + 3; ++i) {
    irc.HandleLine(std::string(kBot) + "JOIN #c" + std::to_string(i));
  }
  EXPECT_EQ(static_cast<std::size_t>(irc.Channels.Count()), kMaxChannels);
  EXPECT_EQ(irc.Channels.Find("#c" + std::to_string(kMaxChannels)), nullptr);
  // A NAMES list is read up to its 512th byte: 60 names a line. Each name is
  // in six channels, as on a network, so the held records stay below their
  // bound while the memberships reach theirs.
  for (std::size_t line = 0; line < kMaxMembers / 60 + 2; ++line) {
    std::string names;
    for (std::size_t n = 0; n < 60; ++n) names += " n" + std::to_string(line / 6 * 60 + n);
    irc.HandleLine(":irc.test 353 ZelmoBot = #c" + std::to_string(line % 6) + " :" + names);
  }
  irc.HandleLine(":late!l@h JOIN #c1");
  EXPECT_EQ(irc.Channels.MemberCount(), kMaxMembers);
  EXPECT_FALSE(irc.Channels.Find("#c1")->HasUser("late"));
  irc.HandleLine(":n0!a@h PART #c0");
  irc.HandleLine(":late!l@h JOIN #c1");
  EXPECT_TRUE(irc.Channels.Find("#c1")->HasUser("late"));
  for (std::size_t i = 0; i < kMaxServerFeatures; ++i) {
    irc.HandleLine(":irc.test 005 ZelmoBot NICKLEN=9 T" + std::to_string(i) + " :are supported");
  }
  irc.HandleLine(":irc.test 005 ZelmoBot NICKLEN=12 MONITOR :are supported");
  EXPECT_EQ(irc.Features.Value("NICKLEN"), "12");
  EXPECT_FALSE(irc.Features.Value("MONITOR"));
  EXPECT_EQ(ReadErrors(), (std::vector<std::string>{
                              "Too many channels: not keeping track of #c200 and any further one "
                              "(at most 200)",
                              "Too many channel members: not keeping track of more than " +
                                  std::to_string(kMaxMembers) + " names or " +
                                  std::to_string(kMaxMemberNickBytes) + " bytes of nicks",
                              "Too many server features: ignoring new 005 tokens beyond 512"}));
}

TEST_F(Session, LongNicksReachTheMemberBoundByTheirBytes) {
  Register();
  irc.HandleLine(std::string(kBot) + "JOIN #c");
  // A nick is cut where a line's part ends.
  const std::string long_nick(kMaxLinePart, 'n');
  const std::size_t joins = kMaxMemberNickBytes / kMaxLinePart;
  for (std::size_t i = 0; i < joins; ++i) {
    irc.HandleLine(":" + std::to_string(i) + long_nick + "!u@h JOIN #c");
  }
  irc.HandleLine(":late!l@h JOIN #c");
  EXPECT_FALSE(irc.Channels.Find("#c")->HasUser("late"));
  EXPECT_EQ(irc.Channels.MemberCount(), joins);
  EXPECT_EQ(ReadErrors().size(), 1u);
}

}  // namespace
}  // namespace zelmo

namespace zelmo {
namespace {

// A registration that negotiated the account-tracking capabilities the
// server offered.
class CapabilitySession : public Session {
 protected:
  void RegisterWith(const std::string& offered) {
    irc.RequestsCapabilities = true;
    ConnectOnly();
    EXPECT_EQ(peer->ReadLine(), "CAP LS 302");
    irc.HandleLine(":irc.test CAP * LS :" + offered);
    irc.HandleLine(":irc.test CAP ZelmoBot ACK :" + offered);
    irc.HandleLine(":irc.test 001 ZelmoBot :Welcome");
    irc.HandleLine(std::string(kBot) + "JOIN #room");
    events.Clear();
  }
  std::vector<std::string> Accounts() const { return events.Arguments("OnAccountChanged"); }
};

TEST_F(CapabilitySession, TheRequestCarriesOnlyWhatWasOfferedAndEndsNegotiation) {
  RegisterWith("account-notify extended-join");
  EXPECT_EQ(peer->ReadLine(), "NICK ZelmoBot");
  EXPECT_EQ(peer->ReadLine()->rfind("USER zb ", 0), 0u);
  EXPECT_EQ(peer->ReadLine(), "CAP REQ :account-notify extended-join");
  EXPECT_EQ(peer->ReadLine(), "CAP END");
  EXPECT_TRUE(irc.CapabilityOn("extended-join"));
  EXPECT_FALSE(irc.CapabilityOn("account-tag"));
}

// Each source counts only on a link that negotiated its capability.
TEST_F(CapabilitySession, AccountsComeFromTheNegotiatedSourcesOnly) {
  RegisterWith("account-notify extended-join");
  irc.HandleLine(":alice!a@h JOIN #room alice_acct :Alice");
  irc.HandleLine("@account=mallory :alice!a@h PRIVMSG #room :hi");
  irc.HandleLine(":alice!a@h NICK alicia");
  irc.HandleLine(":alicia!a@h ACCOUNT *");
  irc.HandleLine(":irc.test ACCOUNT sneaky");
  EXPECT_EQ(Accounts(), (std::vector<std::string>{"alice * alice_acct", "alicia alice_acct *"}));
  // Without account-tag the tagged line is the unknown line it always was.
  EXPECT_EQ(events.Count("OnMessage"), 0);
  irc.HandleLine(":irc.test CAP ZelmoBot DEL :account-notify");
  irc.HandleLine(":alicia!a@h ACCOUNT alice_acct");
  EXPECT_EQ(Accounts().size(), 2u);
  // cap-notify: offered again, asked for again, on once acknowledged.
  events.Clear();
  irc.HandleLine(":irc.test CAP ZelmoBot NEW :account-notify sasl");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"CAP REQ :account-notify"}));
  irc.HandleLine(":irc.test CAP ZelmoBot ACK :account-notify");
  irc.HandleLine(":alicia!a@h ACCOUNT alice_acct");
  EXPECT_EQ(Accounts(), (std::vector<std::string>{"alicia * alice_acct"}));
}

// A server that ignores CAP registers the bot without capabilities.
TEST_F(CapabilitySession, AServerWithoutCapabilitiesRegistersAsEver) {
  irc.RequestsCapabilities = true;
  ConnectOnly();
  irc.HandleLine(":irc.test 001 ZelmoBot :Welcome");
  EXPECT_EQ(irc.ConnectionState(), stConnected);
  EXPECT_EQ(events.Count("OnSASLFailed"), 0);
  irc.HandleLine(":alice!a@h ACCOUNT alice_acct");
  EXPECT_EQ(events.Count("OnAccountChanged"), 0);
}

TEST_F(CapabilitySession, TagsHostChangesAndWhoxRepliesKeepTheRecords) {
  RegisterWith("account-tag chghost");
  irc.HandleLine(":irc 005 ZelmoBot WHOX :are supported");
  irc.HandleLine(std::string(kBot) + "JOIN #chan");
  irc.HandleLine(":irc 353 ZelmoBot = #chan :@alice bob");
  events.Clear();
  irc.HandleLine(":irc 366 ZelmoBot #chan :End");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"WHO #chan %tcnuhaf,28"}));
  irc.HandleLine(":irc 354 ZelmoBot 28 #chan a h alice H@ alice_acct");
  irc.HandleLine(":irc 354 ZelmoBot 99 #chan b h bob H bob_acct");
  irc.HandleLine(":irc 354 ZelmoBot 28 #chan c h carol H carol_acct");
  irc.HandleLine("@account=bob_acct :bob!b@h PRIVMSG #chan :hi");
  EXPECT_EQ(Accounts(), (std::vector<std::string>{"alice * alice_acct", "bob * bob_acct"}));
  EXPECT_EQ(events.Count("OnMessage"), 1);
  irc.HandleLine(":bob!b@h CHGHOST bee new.host");
  EXPECT_EQ(events.Arguments("OnHostChanged"), (std::vector<std::string>{"bob b@h bee@new.host"}));
  EXPECT_EQ(irc.Users.Address("bob"), "bee@new.host");
}

// With multi-prefix a WHO or WHOX reply shows all of a member's marks;
// away-notify's lone AWAY is back.
TEST_F(CapabilitySession, WhoRepliesSetMarksAndAwayComesBack) {
  RegisterWith("multi-prefix away-notify");
  irc.HandleLine(":irc 005 ZelmoBot WHOX :are supported");
  irc.HandleLine(std::string(kBot) + "JOIN #chan");
  irc.HandleLine(":irc 353 ZelmoBot = #chan :@bob carol");
  irc.HandleLine(":irc 366 ZelmoBot #chan :End");
  irc.HandleLine(":irc 354 ZelmoBot 28 #chan b h bob G+ 0");
  irc.HandleLine(":irc 352 ZelmoBot #chan c h irc carol H@+ :0 Carol");
  irc.HandleLine(":irc 352 ZelmoBot #chan d h irc dave H@ :0 Dave");
  const TIdIRCChannel& chan = *irc.Channels.Find("#chan");
  EXPECT_EQ(chan.Names().at(0).Flags, MemberFlags{mfVoice});
  EXPECT_EQ(chan.Names().at(1).Flags, MemberFlags{mfOp | mfVoice});
  EXPECT_EQ(chan.Names().size(), 2u);
  irc.HandleLine(":bob!b@h AWAY :lunch");
  EXPECT_TRUE(irc.Users.Find("bob")->Away);
  events.Clear();
  irc.HandleLine(":bob!b@h AWAY");
  EXPECT_FALSE(irc.Users.Find("bob")->Away);
  EXPECT_EQ(events.Count("OnUnknownCommand"), 0);
}

// A login's WHOIS: the account counts only for the address that asked, the
// nick is asked once, and a lookup without an answer ends at its limit.
TEST_F(CapabilitySession, WhoisTellsTheAccountOfTheAskingAddressOnly) {
  RegisterWith("account-notify");
  irc.LookUpAccount("carol", "c@h");
  irc.LookUpAccount("CAROL", "c@h");
  irc.LookUpAccount("erin", "e@h");
  EXPECT_EQ(TakeSent(), (std::vector<std::string>{"WHOIS carol", "WHOIS erin"}));
  for (const char* line :
       {":irc 311 ZelmoBot carol c h * :Carol", ":irc 330 ZelmoBot dave d_acct :x",
        ":irc 330 ZelmoBot carol carol_acct :is logged in as", ":irc 318 ZelmoBot carol :End",
        ":irc 311 ZelmoBot erin x h * :Eve", ":irc 330 ZelmoBot erin erin_acct :is",
        ":irc 318 ZelmoBot erin :End"}) {
    irc.HandleLine(line);
  }
  EXPECT_EQ(Accounts(), (std::vector<std::string>{"carol * carol_acct"}));
  EXPECT_EQ(
      events.Arguments("OnAccountLookedUp"),
      (std::vector<std::string>{"carol c@h carol_acct", "CAROL c@h carol_acct", "erin e@h *"}));
  events.Clear();
  irc.AccountLookupLimit = std::chrono::milliseconds(0);
  irc.LookUpAccount("fay", "f@h");
  irc.HandleLine("PING :x");
  irc.AccountLookupLimit = std::chrono::seconds(30);
  for (std::size_t i = 0; i <= kMaxAccountLookups; ++i) {
    irc.LookUpAccount("n" + std::to_string(i), "u@h");
  }
  EXPECT_EQ(events.Arguments("OnAccountLookedUp"),
            (std::vector<std::string>{"fay f@h *", "n0 u@h *"}));
}

// An account is remembered with the address it was told for: whoever has
// the nick at another address does not inherit it.
TEST_F(CapabilitySession, AnAccountStaysWithItsAddress) {
  RegisterWith("account-notify extended-join");
  irc.HandleLine(":alice!a@h JOIN #room alice_acct :Alice");
  irc.HandleLine(":alice!other@elsewhere ACCOUNT *");
  irc.HandleLine(":alice!a@h ACCOUNT *");
  EXPECT_EQ(Accounts(), (std::vector<std::string>{"alice * alice_acct", "alice alice_acct *"}));
}

// The SASL login starts from the acknowledged sasl and ends negotiation
// itself; a server without sasl fails the login.
TEST_F(CapabilitySession, ASaslLoginRidesTheNegotiation) {
  irc.RequestsCapabilities = true;
  irc.SASLUser = "zb";
  irc.SASLPassword = "pw";
  ConnectOnly();
  for (int i = 0; i < 3; ++i) peer->ReadLine();  // CAP LS 302, NICK, USER
  irc.HandleLine(":irc.test CAP * LS :sasl=PLAIN,EXTERNAL account-notify");
  EXPECT_EQ(peer->ReadLine(), "CAP REQ :account-notify sasl");
  irc.HandleLine(":irc.test CAP ZelmoBot ACK :account-notify sasl");
  EXPECT_EQ(peer->ReadLine(), "AUTHENTICATE PLAIN");
  irc.HandleLine("AUTHENTICATE +");
  EXPECT_EQ(peer->ReadLine(), "AUTHENTICATE emIAemIAcHc=");
  irc.HandleLine(":irc.test 903 ZelmoBot :SASL authentication successful");
  EXPECT_EQ(peer->ReadLine(), "CAP END");
  EXPECT_TRUE(irc.CapabilityOn("account-notify"));

  ConnectOnly();
  for (int i = 0; i < 3; ++i) peer->ReadLine();
  irc.HandleLine(":irc.test CAP * LS :account-notify");
  irc.HandleLine(":irc.test CAP ZelmoBot ACK :account-notify");
  EXPECT_EQ(events.Arguments("OnSASLFailed"),
            (std::vector<std::string>{"the server does not offer SASL"}));
  EXPECT_EQ(irc.ConnectionState(), stDisconnected);
}

TEST_F(Session, WithoutCapabilitiesAccountLinesAreUnknown) {
  Register();
  irc.HandleLine(":alice!a@h ACCOUNT alice_acct");
  irc.HandleLine(":alice!a@h CHGHOST x y");
  irc.HandleLine("@account=alice :alice!a@h PRIVMSG #room :hi");
  irc.HandleLine(":alice!a@h AWAY");
  EXPECT_EQ(events.Count("OnAccountChanged"), 0);
  EXPECT_EQ(events.Count("OnUnknownCommand"), 4);
  EXPECT_EQ(events.Arguments("OnUnknownCommand").back(), "alice  AWAY");
}

}  // namespace
}  // namespace zelmo
