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

// A hostile server floods one input of the real bot for a few seconds and
// reads nothing of what the bot sends meanwhile: the bot's resident memory
// stays under one fixed ceiling, and afterwards the bot still answers.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// What the bot may hold resident at its highest, whatever a peer sends.
constexpr long kMemoryCeilingKib = 64 * 1024;
constexpr auto kFloodTime = 4s;
constexpr std::size_t kChunkBytes = 64 * 1024;
// Time for the bot to work through what it took in before it answers.
constexpr auto kAnswerWait = 60s;

const std::string kChannel = "#flood";
// Paced: what the bot sends waits in its queue, whose bound is its own.
const std::string kPacedConfig = "SendInterval=1000\n";

// Where the flood goes in: the bot registered, in the channel and asked
// for a word; or waiting for the end of the capability list of a SASL login.
enum class Stage { kInChannel, kDictAnswer, kSaslListing };

// The i-th line of a flood (the bot's nick at hand), or nothing once the
// peer has said all it has to say.
using LineMaker = std::function<std::optional<std::string>(std::size_t, const std::string&)>;

struct Flood {
  const char* name;
  Stage stage;
  LineMaker line;
  // The start of the channel's answer to the word (kDictAnswer only).
  const char* answer = "";
  // Queued PONGs are capped by the send queue; until that cap is in, the
  // row is skipped.
  bool needs_pong_cap = false;
};

std::string Nicks(std::size_t first, std::size_t count) {
  std::string list;
  for (std::size_t n = first; n < first + count; ++n) list += " n" + std::to_string(n);
  return list.substr(1);
}

// A definition of many numbered senses, each a line of distinct
// translations: about 1 MB in all, just within the answer's budget.
std::optional<std::string> DistinctTranslations(std::size_t i) {
  constexpr std::size_t kSenses = 130;
  constexpr std::size_t kWordsPerSense = 800;
  if (i == 0) return "150 1 definitions retrieved";
  if (i == 1) return "151 \"x\" fd \"Test\"";
  if (i == 2) return "x <n>";
  if (i - 3 < kSenses) {
    const std::size_t sense = i - 3;
    std::string line = std::to_string(sense + 1) + ".";
    for (std::size_t w = 0; w < kWordsPerSense; ++w) {
      line += (w == 0 ? " t" : ", t") + std::to_string(sense * kWordsPerSense + w);
    }
    return line;
  }
  if (i - 3 == kSenses) return ".";
  if (i - 3 == kSenses + 1) return "250 ok";
  return std::nullopt;
}

std::optional<std::string> EmptyDefinitions(std::size_t i) {
  if (i == 0) return "150 1 definitions retrieved";
  return i % 2 == 1 ? "151 \"x\" fd \"Test\"" : ".";
}

const Flood kFloods[] = {
    {"Ping", Stage::kInChannel,
     [](std::size_t i, const std::string&) { return "PING :p" + std::to_string(i); }, "", true},
    {"CapabilityList", Stage::kSaslListing,
     [](std::size_t i, const std::string&) {
       return ":" + kFaultServer + " CAP * LS * :" + Nicks(i * 40, 40);
     }},
    {"Names", Stage::kInChannel,
     [](std::size_t i, const std::string& nick) {
       return ":" + kFaultServer + " 353 " + nick + " = " + kChannel + " :" + Nicks(i * 40, 40);
     }},
    {"JoinEchoes", Stage::kInChannel,
     [](std::size_t i, const std::string& nick) {
       return ":" + nick + "!bot@fault.test JOIN #c" + std::to_string(i);
     }},
    {"ServerFeatures", Stage::kInChannel,
     [](std::size_t i, const std::string& nick) {
       std::string tokens;
       for (std::size_t t = i * 12; t < i * 12 + 12; ++t) tokens += " F" + std::to_string(t) + "=1";
       return ":" + kFaultServer + " 005 " + nick + tokens + " :are supported by this server";
     }},
    {"Monitor", Stage::kInChannel,
     [](std::size_t i, const std::string& nick) {
       return ":" + kFaultServer + (i % 2 ? " 731 " : " 730 ") + nick + " :" + Nicks(i * 40, 40);
     }},
    {"LongLines", Stage::kInChannel,
     [](std::size_t i, const std::string&) {
       return ":x!y@z PRIVMSG " + kChannel + " :" + std::string(20000 + i % 7, 'x');
     }},
    {"DictDistinctTranslations", Stage::kDictAnswer,
     [](std::size_t i, const std::string&) { return DistinctTranslations(i); },
     "Word: Results for x: t0, t1, "},
    {"DictEmptyDefinitions", Stage::kDictAnswer,
     [](std::size_t i, const std::string&) { return EmptyDefinitions(i); }, "Word: Error"},
};

class PeerFloods : public FaultTest, public ::testing::WithParamInterface<Flood> {
 protected:
  // Sends the flood's lines as fast as the bot takes them in, reading
  // nothing, until the flood time is over, the peer has no more to say or
  // the bot closes the link.
  static void Pour(LoopbackPeer& peer, const LineMaker& line, const std::string& nick) {
    const auto end = std::chrono::steady_clock::now() + kFloodTime;
    std::string chunk;
    std::size_t offset = 0;
    std::size_t next = 0;
    bool more = true;
    bool line_start = true;
    while (std::chrono::steady_clock::now() < end) {
      while (more && chunk.size() - offset < kChunkBytes) {
        const auto text = line(next++, nick);
        more = text.has_value();
        if (more) chunk += *text + "\r\n";
      }
      if (offset == chunk.size()) return;
      const long sent = peer.TrySend(std::string_view(chunk).substr(offset));
      if (sent < 0) return;
      if (sent == 0) std::this_thread::sleep_for(1ms);
      offset += static_cast<std::size_t>(sent);
      if (sent > 0) line_start = chunk[offset - 1] == '\n';
      if (offset > kChunkBytes) {
        chunk.erase(0, offset);
        offset = 0;
      }
    }
    // The line under way is finished, or the next one would join it.
    if (!line_start) {
      peer.Send(std::string_view(chunk).substr(offset, chunk.find('\n', offset) + 1 - offset));
    }
  }

  // The DICT server's greeting, then the flood as its answer to DEFINE.
  void FloodDictAnswer(const Flood& flood) {
    ASSERT_TRUE(From("alice", "a@fault.test", "PRIVMSG " + kChannel + " :!word x"));
    auto peer = dict_server.Accept(kIrcWait);
    ASSERT_TRUE(peer) << "the bot did not ask the dictionary";
    peer->SendLine("220 dictd <auth.mime> <1@test>");
    ASSERT_TRUE(peer->AwaitLineStarting("CLIENT "));
    peer->SendLine("250 ok");
    ASSERT_TRUE(peer->AwaitLineStarting("DEFINE "));
    Pour(*peer, flood.line, nick);
    // The answer's messages go out at the queue's pace.
    const std::string head = "PRIVMSG " + kChannel + " :";
    const bool cut = std::string(flood.answer).starts_with("Word: Results");
    std::vector<std::string> parts;
    auto last = link->AwaitLine(
        [&](const std::string& line) {
          if (!line.starts_with(head)) return false;
          parts.push_back(line.substr(head.size()));
          return !cut || line.ends_with(" ...");
        },
        kAnswerWait);
    ASSERT_TRUE(last) << "no whole answer in the channel";
    EXPECT_TRUE(parts.front().starts_with(flood.answer)) << parts.front();
    EXPECT_LE(parts.size(), 3u);
    EXPECT_TRUE(Sync(kAnswerWait)) << "the bot no longer answers PING";
  }

  // A SASL login waits for the capability list that never ends: the bot
  // ends negotiation, says so and leaves the link; a new CONNECT works.
  void FloodCapabilityList(const Flood& flood) {
    bot->Command("connect");
    link = server.Accept(kIrcWait);
    ASSERT_TRUE(link);
    Pour(*link, flood.line, "");
    EXPECT_TRUE(link->AwaitLine([](const std::string& l) { return l == "CAP END"; }, kAnswerWait));
    EXPECT_TRUE(link->WaitClosed(kAnswerWait));
    EXPECT_TRUE(bot->AwaitDisplay("capability list is too long", kAnswerWait));
    bot->Command("connect");
    link = server.Accept(kIrcWait);
    ASSERT_TRUE(link) << "the bot no longer connects";
    EXPECT_EQ(link->ReadLine(kIrcWait), "CAP LS 302");
  }

  LoopbackServer dict_server;
};

TEST_P(PeerFloods, MemoryStaysBoundedAndTheBotStillAnswers) {
  const Flood& flood = GetParam();
  if (flood.needs_pong_cap) GTEST_SKIP() << "needs the send queue's cap on PONGs";
  std::string config = kPacedConfig;
  if (flood.stage == Stage::kSaslListing) config += "SASLUser=zbot\nSASLPassword=secret\n";
  if (flood.stage == Stage::kDictAnswer) {
    config +=
        "[Lookups]\nDictionary=dict://127.0.0.1:" + std::to_string(dict_server.Port()) + "/fd\n";
  }
  StartBot(config);
  if (flood.stage == Stage::kSaslListing) {
    FloodCapabilityList(flood);
  } else {
    ConnectBot();
    // The bot's own JOIN; its MODE query waits in the paced queue.
    ASSERT_TRUE(link->SendLine(":" + nick + "!bot@fault.test JOIN " + kChannel));
    ASSERT_TRUE(Sync());
    if (flood.stage == Stage::kDictAnswer) {
      FloodDictAnswer(flood);
    } else {
      Pour(*link, flood.line, nick);
      EXPECT_TRUE(Sync(kAnswerWait)) << "the bot no longer answers PING";
    }
  }
  const auto memory = Memory(bot->Pid());
  ASSERT_TRUE(memory) << "the bot is gone";
  RecordProperty("rss_kib", std::to_string(memory->rss_kib));
  RecordProperty("hwm_kib", std::to_string(memory->hwm_kib));
  std::cout << flood.name << ": VmRSS " << memory->rss_kib << " KiB, VmHWM " << memory->hwm_kib
            << " KiB\n";
  // A sanitizer's own bookkeeping makes the figures meaningless.
  if (kAddressSanitizer || kThreadSanitizer) return;
  EXPECT_LT(memory->hwm_kib, kMemoryCeilingKib);
}

INSTANTIATE_TEST_SUITE_P(Inputs, PeerFloods, ::testing::ValuesIn(kFloods),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmo::testing
