#include "channel/dict_lookup.h"

#include "channel/bounded_link.h"
#include "channel/dict_protocol.h"
#include "channel/lookup_bounds.h"
#include "channel/translations.h"
#include "irc/transport/tcp_connection.h"
#include "shell/base/errors.h"
#include "users/bot_version.h"

namespace zelmo {

namespace {

void Expect(BoundedLink& link, int status) {
  const std::string line = link.ReadLine();
  if (DictStatus(line) != status) throw Exception("DICT server: " + line);
}

}  // namespace

TranslationList LookUpOnDictServer(BotContext& bot, const DictServer& server,
                                   const std::string& word) {
  std::vector<std::string> commands;
  for (const std::string& database : server.databases) {
    commands.push_back(DefineCommand(database, word));
  }
  BoundedLink link(bot.PageClient(), bot.PageTimeLimits());
  link.Connect(server.host, server.port);
  Expect(link, kDictBanner);
  link.Client().SendLine("CLIENT ZelmoBot " + BotVersion());
  Expect(link, kDictOk);
  TranslationList translations;
  for (const std::string& command : commands) {
    link.Client().SendLine(command);
    for (const std::string& definition :
         ReadDefinitions([&link] { return link.ReadLine(); }, kMaxDefinitionBytes)) {
      translations.AddAll(DefinitionTranslations(definition));
    }
  }
  link.Client().SendLine("QUIT");
  link.Client().CloseLink();
  return translations;
}

}  // namespace zelmo
