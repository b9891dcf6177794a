#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/dict_protocol.h"
#include "channel/short_reply.h"
#include "channel/translations.h"
#include "channel_bot.h"
#include "shell/base/errors.h"

// Lookup answers stay short, and what a DICT server sends is bounded: the
// rules on their own, then !word and !tv as the channel sees them.

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

// Messages of ten bytes each.
std::size_t TenByteMessages(const std::string& text) {
  return text.empty() ? 1 : (text.size() + 9) / 10;
}

TEST(ShortAnswer, CutsAfterTheLastWholePieceThatFitsWithTheMark) {
  struct Case {
    Lines pieces;
    bool more;
    std::size_t max;
    std::string answer;
  };
  const std::vector<Case> cases = {
      {{"h: a", ", b", ", c", ", d", ", e", ", f"}, false, 2, "h: a, b, c, d, e, f"},
      {{"h: a", ", b", ", c", ", d", ", e", ", f"}, false, 1, "h: a ..."},
      {{"h: a", ", b", ", c", ", d", ", e", ", f"}, true, 2, "h: a, b, c, d, e ..."},
      // Not even the first piece fits: cut after a word, else a character.
      {{"one two three four", ", x"}, false, 2, "one two three ..."},
      {{"abcdefghijklmnop", ", x"}, false, 1, "abcdef ..."},
      {{"ab\xC3\xA4\xC3\xA4\xC3\xA4xyz"}, false, 1, "ab\xC3\xA4\xC3\xA4 ..."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortAnswer(c.pieces, c.more, c.max, TenByteMessages), c.answer) << c.answer;
  }
}

TEST(TranslationList, KeepsEachOnceInOrderUpToItsCapacity) {
  struct Case {
    Lines added;
    std::size_t capacity;
    Lines kept;
    bool cut;
  };
  const std::vector<Case> cases = {
      {{"a", "b", "a", "c", "b"}, 5, {"a", "b", "c"}, false},
      {{"a", "b", "c", "d"}, 2, {"a", "b"}, true},
      // A repeat of one already kept cuts nothing.
      {{"a", "b", "a", "b"}, 2, {"a", "b"}, false},
  };
  for (const Case& c : cases) {
    TranslationList list(c.capacity);
    list.AddAll(c.added);
    EXPECT_EQ(list.Items(), c.kept);
    EXPECT_EQ(list.Cut(), c.cut);
  }
}

// Every definition costs its "151" line and its closing "." (17 bytes
// here), so empty ones use up the budget too.
TEST(ReadDefinitions, EveryDefinitionCountsAgainstTheBudget) {
  auto read = [](std::size_t definitions, std::size_t budget) {
    Lines lines{"150 n"};
    for (std::size_t i = 0; i < definitions; ++i) {
      lines.emplace_back("151 \"w\" db \"T\"");
      lines.emplace_back(".");
    }
    lines.emplace_back("250 ok");
    std::size_t next = 0;
    return ReadDefinitions([&] { return lines.at(next++); }, budget).size();
  };
  EXPECT_EQ(read(10, 10 * 17), 10u);
  EXPECT_THROW(read(10, 10 * 17 - 1), Exception);
  EXPECT_THROW(read(100000, 1 << 20), Exception);
}

class ShortLookupAnswers : public ChannelBotTest {
 protected:
  Lines Lookup(const std::string& text) {
    Says("nobody", text);
    web.Join();
    return bot.TakeSent();
  }
  PageServer web;
};

// 400 translations "t0" to "t399" from a DICT server.
std::string ManyTranslations() {
  std::string answer = "220 dictd <a> <1@t>\r\n250 ok\r\n150 1\r\n151 \"w\" db \"T\"\r\nw <n>\r\n";
  for (int i = 0; i < 400; ++i) answer += (i ? ", t" : "t") + std::to_string(i);
  return answer + "\r\n.\r\n250 ok\r\n";
}

TEST_F(ShortLookupAnswers, ALongWordAnswerTakesTheConfiguredMessagesAndEndsCut) {
  bot.dictionary = DictServer{"127.0.0.1", web.Host().port, {"db"}};
  for (int lines : {3, 1}) {
    bot.reply_lines = lines;
    web.ServeAndRecord(ManyTranslations());
    const Lines sent = Lookup("!word w");
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(lines));
    EXPECT_TRUE(sent.front().starts_with("PRIVMSG #room :Word: Results for w: t0, t1, t2,"));
    // Cut after a whole translation: "..., t41 ...".
    EXPECT_TRUE(sent.back().ends_with(" ...")) << sent.back();
    const std::string last = sent.back().substr(0, sent.back().size() - 4);
    EXPECT_NE(last.back(), ',');
    EXPECT_EQ(last.substr(last.rfind(' ') + 1).front(), 't') << last;
  }
}

TEST_F(ShortLookupAnswers, ALongTvAnswerIsCutAtAWholeChannel) {
  bot.tv_listing = web.Host();
  bot.reply_lines = 1;
  // Each channel's now piece: 150 letters in italics and three more.
  std::string page;
  for (int k = 1; k <= 6; ++k) {
    const std::string letters(150, static_cast<char>('a' + k));
    page += "<i>" + letters + "</i>" + letters + "<i>z</i>\r\n";
  }
  web.ServeAndRecord(page);
  const Lines sent = Lookup("!tv now");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(
      sent[0].ends_with("\x1F"
                        "ccc ..."))
      << sent[0];
  EXPECT_EQ(sent[0].find("MTV3"), std::string::npos);
}

}  // namespace
}  // namespace zelmo::testing
