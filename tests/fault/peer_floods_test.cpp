#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fault_fixture.h"
#include "sanitizers.h"
#include "support/process_probe.h"

// A hostile peer floods one input of the real bot for a few seconds and
// reads nothing of what the bot sends meanwhile: the bot's resident memory
// stays under one fixed ceiling, and afterwards the bot still answers.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// What the bot may hold resident at its highest, whatever a peer sends.
constexpr long kMemoryCeilingKib = 64 * 1024;
constexpr auto kFloodTime = 4s;
constexpr auto kAnswerWait = 60s;
const std::string kChannel = "#flood";
const std::string kServer = ":" + kFaultServer + " ";

// Where the flood goes in: the IRC link of the bot in a channel, the DICT
// server's answer to the bot's word, or the capability list of a SASL login.
enum class Stage { kInChannel, kDictAnswer, kSaslListing };

struct Flood {
  const char* name;
  Stage stage;
  // The i-th line, or nothing once the peer has said all it has to say.
  std::function<std::optional<std::string>(std::size_t)> line;
  // The start of the channel's answer (kDictAnswer).
  const char* answer = "";
};

std::string Nicks(std::size_t i) {
  std::string list;
  for (std::size_t n = i * 40; n < i * 40 + 40; ++n) list += " n" + std::to_string(n);
  return list;
}

// One definition of 130 numbered senses of 800 distinct translations: about
// 1 MB, within the answer's budget.
std::optional<std::string> DistinctTranslations(std::size_t i) {
  const std::vector<std::string> head{"150 1", "151 \"x\" fd \"T\"", "x <n>"};
  if (i < head.size()) return head[i];
  const std::size_t sense = i - head.size();
  if (sense == 130) return ".";
  if (sense == 131) return "250 ok";
  if (sense > 131) return std::nullopt;
  std::string line = std::to_string(sense + 1) + ". t" + std::to_string(sense * 800);
  for (std::size_t w = 1; w < 800; ++w) line += ", t" + std::to_string(sense * 800 + w);
  return line;
}

const Flood kFloods[] = {
    {"Ping", Stage::kInChannel, [](std::size_t i) { return "PING :p" + std::to_string(i); }},
    {"CapabilityList", Stage::kSaslListing,
     [](std::size_t i) { return kServer + "CAP * LS * :" + Nicks(i); }},
    {"Names", Stage::kInChannel,
     [](std::size_t i) { return kServer + "353 ZelmoBot = " + kChannel + " :" + Nicks(i); }},
    {"MemberJoins", Stage::kInChannel,
     [](std::size_t i) {
       return ":" + std::to_string(i) + std::string(2000, 'n') + "!u@h JOIN " + kChannel;
     }},
    {"JoinEchoes", Stage::kInChannel,
     [](std::size_t i) { return ":ZelmoBot!bot@fault.test JOIN #c" + std::to_string(i); }},
    {"ServerFeatures", Stage::kInChannel,
     [](std::size_t i) {
       return kServer + "005 ZelmoBot F" + std::to_string(i) + "=1 G" + std::to_string(i) +
              " :are supported by this server";
     }},
    {"Monitor", Stage::kInChannel,
     [](std::size_t i) { return kServer + (i % 2 ? "731" : "730") + " ZelmoBot :" + Nicks(i); }},
    {"LongLines", Stage::kInChannel,
     [](std::size_t) { return ":x!y@z PRIVMSG " + kChannel + " :" + std::string(20000, 'x'); }},
    {"DictDistinctTranslations", Stage::kDictAnswer, DistinctTranslations,
     "Word: Results for x: t0, t1, "},
    {"DictEmptyDefinitions", Stage::kDictAnswer,
     [](std::size_t i) {
       return std::string(i == 0 ? "150 1" : i % 2 ? "151 \"x\" fd" : ".");
     },
     "Word: Error"},
};

class PeerFloods : public FaultTest, public ::testing::WithParamInterface<Flood> {
 protected:
  // Sends the lines as fast as the bot takes them in, reading nothing, until
  // the time is over, the lines end or the bot closes the link; a line begun
  // is finished when the link is used further.
  static void Pour(LoopbackPeer& peer, const Flood& flood) {
    const auto end = std::chrono::steady_clock::now() + kFloodTime;
    const bool finish_line = flood.stage != Stage::kSaslListing;
    const auto last_line_end = finish_line ? end + kAnswerWait : end;
    std::string pending;
    for (std::size_t i = 0; std::chrono::steady_clock::now() < last_line_end;) {
      if (pending.empty()) {
        const auto line = flood.line(i++);
        if (!line || std::chrono::steady_clock::now() >= end) return;
        pending = *line + "\r\n";
      }
      const long sent = peer.TrySend(pending);
      if (sent < 0) return;
      if (sent == 0) std::this_thread::sleep_for(1ms);
      pending.erase(0, static_cast<std::size_t>(sent));
    }
  }

  // The answer's messages go out at the queue's pace; a cut one ends " ...".
  void ExpectDictAnswer(const Flood& flood) {
    const std::string head = "PRIVMSG " + kChannel + " :";
    const bool cut = std::string(flood.answer).starts_with("Word: Results");
    std::vector<std::string> parts;
    auto last = link->AwaitLine(
        [&](const std::string& line) {
          if (line.starts_with(head)) parts.push_back(line.substr(head.size()));
          return line.starts_with(head) && (!cut || line.ends_with(" ..."));
        },
        kAnswerWait);
    ASSERT_TRUE(last) << "no whole answer in the channel";
    EXPECT_TRUE(parts.front().starts_with(flood.answer)) << parts.front();
    EXPECT_LE(parts.size(), 3u);
  }

  LoopbackServer dict_server;
};

TEST_P(PeerFloods, MemoryStaysBoundedAndTheBotStillAnswers) {
  const Flood& flood = GetParam();
  const std::string dict = "dict://127.0.0.1:" + std::to_string(dict_server.Port()) + "/fd";
  // Paced: what the bot sends waits in its queue, which has a bound of its own.
  StartBot("SendInterval=1000\n" +
           std::string(flood.stage == Stage::kSaslListing ? "SASLUser=z\nSASLPassword=p\n" : "") +
           "[Lookups]\nDictionary=" + dict + "\n");
  if (flood.stage == Stage::kSaslListing) {
    bot->Command("connect");
    link = server.Accept(kIrcWait);
    ASSERT_TRUE(link);
    Pour(*link, flood);
    EXPECT_TRUE(link->AwaitLine([](const std::string& l) { return l == "CAP END"; }, kAnswerWait));
    EXPECT_TRUE(bot->AwaitDisplay("capability list is too long", kAnswerWait));
    // Nothing is left of that link: the next one starts afresh.
    bot->Command("connect");
    link = server.Accept(kIrcWait);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->ReadLine(kIrcWait), "CAP LS 302");
  } else {
    ConnectBot();
    ASSERT_TRUE(From(nick, "bot@fault.test", "JOIN " + kChannel));
    ASSERT_TRUE(Sync());
    if (flood.stage == Stage::kDictAnswer) {
      ASSERT_TRUE(From("alice", "a@fault.test", "PRIVMSG " + kChannel + " :!word x"));
      auto peer = dict_server.Accept(kIrcWait);
      ASSERT_TRUE(peer && peer->SendLine("220 dictd <a> <1@t>"));
      ASSERT_TRUE(peer->AwaitLineStarting("CLIENT ") && peer->SendLine("250 ok"));
      ASSERT_TRUE(peer->AwaitLineStarting("DEFINE "));
      Pour(*peer, flood);
      ExpectDictAnswer(flood);
    } else {
      Pour(*link, flood);
    }
    EXPECT_TRUE(Sync(kAnswerWait)) << "the bot no longer answers PING";
  }
  const auto memory = Memory(bot->Pid());
  ASSERT_TRUE(memory) << "the bot is gone";
  std::cout << flood.name << ": VmRSS " << memory->rss_kib << " KiB, VmHWM " << memory->hwm_kib
            << " KiB\n";
  // A sanitizer's own bookkeeping makes the figures meaningless.
  if (!kAddressSanitizer && !kThreadSanitizer) {
    EXPECT_LT(memory->hwm_kib, kMemoryCeilingKib);
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, PeerFloods, ::testing::ValuesIn(kFloods),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmo::testing
