#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "channel/short_reply.h"
#include "channel/translations.h"
#include "irc/protocol/line_fit.h"

namespace zelmo {
namespace {

constexpr int kDefinitions = 130;
constexpr int kWordsPerDefinition = 800;

// About 1 MB of distinct translations, as a hostile DICT server could send
// within the answer's budget: 130 definitions of 800 each.
std::vector<std::string> DistinctDefinitions() {
  std::vector<std::string> definitions;
  for (int d = 0; d < kDefinitions; ++d) {
    std::string text = "x <n>\n";
    for (int w = 0; w < kWordsPerDefinition; ++w) {
      text += (w ? ", t" : "t") + std::to_string(d * kWordsPerDefinition + w);
    }
    definitions.push_back(text + "\n");
  }
  return definitions;
}

// What the user-interface thread does with such an answer once it is read:
// the translations without repeats, and the answer cut to three messages.
void BM_DictAnswerOfOneMegabyte(benchmark::State& state) {
  const std::vector<std::string> definitions = DistinctDefinitions();
  for (auto _ : state) {
    TranslationList list;
    for (const std::string& definition : definitions) {
      list.AddAll(DefinitionTranslations(definition));
    }
    std::vector<std::string> pieces{"Word: Results for x: " + list.Items().front()};
    for (std::size_t i = 1; i < list.Items().size(); ++i) pieces.push_back(", " + list.Items()[i]);
    const std::string answer = ShortAnswer(pieces, list.Cut(), 3, [](const std::string& text) {
      return FitLine("PRIVMSG #room :" + text, kAssumedRelayPrefix).size();
    });
    benchmark::DoNotOptimize(answer);
  }
}
BENCHMARK(BM_DictAnswerOfOneMegabyte)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zelmo
