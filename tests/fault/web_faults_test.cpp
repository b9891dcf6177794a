#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "fault_fixture.h"
#include "support/loopback_server.h"

// Web servers that misbehave under the two lookups: they hang, trickle, end
// the page early, send a line longer than the bot takes, smuggle a carriage
// return and an IRC command into a page line, or cannot be reached. Each
// lookup answers its error within the bot's bounds (15 s for a page line,
// 30 s for the whole page), the IRC side gets exactly one PRIVMSG line for
// it, and the next lookup works.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What a scripted web server saw; read after Join().
struct WebVisit {
  std::string request;
  bool client_closed = false;
};

// A web server on loopback that plays one script per lookup.
class WebServer {
 public:
  std::string HostVariable(const char* name) const {
    return std::string(name) + "=127.0.0.1:" + std::to_string(server_.Port());
  }
  // Answers the request with the page and closes.
  void Serve(std::string page) { Play(std::move(page), false, false); }
  // Answers with the page and keeps the link open until the bot closes it.
  void ServeAndHold(std::string page) { Play(std::move(page), true, false); }
  // Sends one byte of a line that never ends every half second.
  void Trickle() { Play("", true, true); }
  const WebVisit& Visit() {
    server_.Join();
    return *visit_;
  }

 private:
  void Play(std::string page, bool hold, bool trickle) {
    server_.Join();
    visit_ = std::make_shared<WebVisit>();
    server_.Run([visit = visit_, page = std::move(page), hold, trickle](LoopbackServer& server) {
      auto peer = server.Accept(40s);
      if (!peer) return;
      visit->request = peer->ReadLine().value_or("(none)");
      peer->Send(page);
      if (!hold) {
        peer->Close();
        return;
      }
      // Gives up after 45 s, well past the bot's bound for a whole page.
      for (int i = 0; i < 90 && !visit->client_closed; ++i) {
        visit->client_closed = peer->WaitClosed(500ms);
        if (trickle && !visit->client_closed) peer->Send("x");
      }
    });
  }

  LoopbackServer server_;
  std::shared_ptr<WebVisit> visit_;
};

const std::string kGoodPage = "house<br>\r\n<I>noun</I>\r\n</html>\r\n";

class WebFaults : public FaultTest {
 protected:
  void StartWith(const std::vector<std::string>& environment) {
    StartBot("", environment);
    ConnectBot();
    JoinBot("#room");
  }
  // The lines the bot sends to IRC for one channel command, and how long
  // it took to answer.
  std::vector<std::string> Lookup(const std::string& command, Clock::duration* took = nullptr) {
    auto start = Clock::now();
    From("erin", "e@h", "PRIVMSG #room :" + command);
    auto answers = Sync(60s);
    if (took) *took = Clock::now() - start;
    EXPECT_TRUE(answers) << "no answer to " << command;
    return answers.value_or(std::vector<std::string>{});
  }
  void ExpectTheNextWordLookupWorks(WebServer& web) {
    web.Serve(kGoodPage);
    EXPECT_EQ(Lookup("!word talo"),
              std::vector<std::string>{"PRIVMSG #room :Word: Results for talo: house"});
  }

  WebServer dictionary, tv;
};

const std::vector<std::string> kWordError{"PRIVMSG #room :Word: Error"};

TEST_F(WebFaults, AServerThatNeverAnswersGetsTheErrorWithinTheLineBound) {
  StartWith({dictionary.HostVariable("ZELMOBOT_DICTIONARY_HOST")});
  dictionary.ServeAndHold("");
  Clock::duration took{};
  EXPECT_EQ(Lookup("!word talo", &took), kWordError);
  // Gives up after 25 s: the 15 s bound, the fixed pauses and a margin.
  EXPECT_LT(took, 25s);
  EXPECT_TRUE(dictionary.Visit().client_closed);
  ExpectTheNextWordLookupWorks(dictionary);
}

TEST_F(WebFaults, AServerThatTricklesGetsTheErrorWithinThePageBound) {
  StartWith({dictionary.HostVariable("ZELMOBOT_DICTIONARY_HOST")});
  dictionary.Trickle();
  Clock::duration took{};
  EXPECT_EQ(Lookup("!word talo", &took), kWordError);
  // Gives up after 40 s: the 30 s bound for a page and a margin.
  EXPECT_LT(took, 40s);
  EXPECT_TRUE(dictionary.Visit().client_closed);
  ExpectTheNextWordLookupWorks(dictionary);
}

TEST_F(WebFaults, APageThatEndsEarlyGetsTheError) {
  StartWith(
      {dictionary.HostVariable("ZELMOBOT_DICTIONARY_HOST"), tv.HostVariable("ZELMOBOT_TV_HOST")});
  dictionary.Serve("house<br>\r\n<I>noun</I>\r\n");
  EXPECT_EQ(Lookup("!word talo"), kWordError);
  tv.Serve("one\r\ntwo\r\nthree\r\nfour\r\nfive\r\n");
  EXPECT_EQ(Lookup("!tv 1"), std::vector<std::string>{"PRIVMSG #room :TV: Error"});
  ExpectTheNextWordLookupWorks(dictionary);
}

TEST_F(WebFaults, AnOverlongPageLineGetsTheErrorAndTheLinkIsDropped) {
  StartWith({dictionary.HostVariable("ZELMOBOT_DICTIONARY_HOST")});
  dictionary.ServeAndHold(std::string(20000, 'a') + "<br>\r\n<I>noun\r\n</html>\r\n");
  EXPECT_EQ(Lookup("!word talo"), kWordError);
  // Left up, the link would make every later lookup fail "Already connected.".
  EXPECT_TRUE(dictionary.Visit().client_closed);
  ExpectTheNextWordLookupWorks(dictionary);
}

TEST_F(WebFaults, ACarriageReturnInAPageLineCannotInjectAnIrcCommand) {
  StartWith(
      {dictionary.HostVariable("ZELMOBOT_DICTIONARY_HOST"), tv.HostVariable("ZELMOBOT_TV_HOST")});
  dictionary.Serve("house\rQUIT :pwned<br>\r\n<I>noun\r\n</html>\r\n");
  EXPECT_EQ(Lookup("!word talo"),
            std::vector<std::string>{"PRIVMSG #room :Word: Results for talo: house QUIT :pwned"});
  using namespace std::string_literals;
  tv.Serve("<b>YLE1</b>\rJOIN #evil\0x\r\nb\r\nc\r\nd\r\ne\r\nf\r\n"s);
  EXPECT_EQ(Lookup("!tv 1"), std::vector<std::string>{"PRIVMSG #room :\x02YLE1\x02 JOIN #evil x"});
  ASSERT_TRUE(bot->AwaitDisplay("-> #room: Word: Results for talo: house^MQUIT :pwned", 2s));
  ExpectIdle();
}

// An IRC line may carry a lone CR or a NUL; in the word they would split
// the request line. Such a lookup answers its error and asks no server: the
// one page served goes to the lookup after them.
TEST_F(WebFaults, ACarriageReturnOrNulInTheWordNeverReachesTheRequest) {
  StartWith({dictionary.HostVariable("ZELMOBOT_DICTIONARY_HOST")});
  dictionary.Serve(kGoodPage);
  using namespace std::string_literals;
  EXPECT_EQ(Lookup("!word talo\rGET /other"), kWordError);
  EXPECT_EQ(Lookup("!word talo\0x"s), kWordError);
  EXPECT_EQ(Lookup("!word talo"),
            std::vector<std::string>{"PRIVMSG #room :Word: Results for talo: house"});
  EXPECT_EQ(dictionary.Visit().request, "GET /cgi-bin/mofind.exe/dr1?word=talo");
}

TEST_F(WebFaults, AnUnreachableServerGetsTheErrorAndOtherLookupsGoOn) {
  RefusingPort nobody;
  StartWith({dictionary.HostVariable("ZELMOBOT_DICTIONARY_HOST"),
             "ZELMOBOT_TV_HOST=127.0.0.1:" + std::to_string(nobody.Port())});
  Clock::duration took{};
  EXPECT_EQ(Lookup("!tv now", &took), std::vector<std::string>{"PRIVMSG #room :TV: Error"});
  // Gives up after 15 s; a refused connect ends at once.
  EXPECT_LT(took, 15s);
  ExpectTheNextWordLookupWorks(dictionary);
  EXPECT_EQ(Lookup("!tv now"), std::vector<std::string>{"PRIVMSG #room :TV: Error"});
}

}  // namespace
}  // namespace zelmo::testing
