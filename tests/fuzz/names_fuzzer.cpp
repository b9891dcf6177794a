// The member list of a NAMES reply, added to a channel record. The input is
// one or two lists (split at the first line feed): the second arrives as a
// later reply for the same channel.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/irc_line.h"
#include "irc/session/irc_channel.h"
#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

struct ModelMember {
  std::string nick;
  MemberFlags flags;
};

int FindModel(const std::vector<ModelMember>& members, std::string_view nick) {
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (SameText(members[i].nick, nick)) return static_cast<int>(i);
  }
  return -1;
}

// The members a list adds: words cut at blanks, the rest after each cut
// kept to the line limit; "@" marks an operator ("@nick+" also voiced),
// "+" a voiced member; a member already listed keeps its flags.
void ModelAddNames(std::string_view list, std::vector<ModelMember>& members) {
  std::string_view rest = list;
  while (!rest.empty()) {
    std::size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1, 512);
    MemberFlags flags = 0;
    if (!word.empty() && word[0] == '@') {
      word.remove_prefix(1);
      flags = mfOp;
      if (!word.empty() && word.back() == '+') {
        word.remove_suffix(1);
        flags |= mfVoice;
      }
    } else if (!word.empty() && word[0] == '+') {
      word.remove_prefix(1);
      flags = mfVoice;
    }
    if (word.empty() || FindModel(members, word) >= 0) continue;
    members.push_back(ModelMember{std::string(word), flags});
  }
}

void AddAndCheck(TIdIRCChannel& channel, TIdIRCUsers& users, std::string_view list,
                 std::vector<ModelMember>& model) {
  int names_updates = 0;
  channel.OnChannelUpdate = [&](TIdIRCChannel* sender, TIdIRCChannelUpdateType type,
                                TIdIRCUser* user, int info) {
    FUZZ_CHECK(sender == &channel);
    FUZZ_CHECK(type == cutNames && user == nullptr && info == 0);
    ++names_updates;
  };
  channel.AddNames(list, users);
  FUZZ_CHECK(names_updates == 1);
  ModelAddNames(list, model);

  const std::vector<ChannelMember>& names = channel.Names();
  FUZZ_CHECK(names.size() == model.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    FUZZ_CHECK(names[i].Nick == model[i].nick);
    FUZZ_CHECK(names[i].Flags == model[i].flags);
    FUZZ_CHECK(!names[i].Nick.empty() && names[i].Nick.find(' ') == std::string::npos);
    // Every member has a held user record and is found under its own nick.
    TIdIRCUser* user = users.Find(names[i].Nick);
    FUZZ_CHECK(user != nullptr && SameText(user->Nick(), names[i].Nick));
    FUZZ_CHECK(user->Address.empty());
    FUZZ_CHECK(channel.FindUser(names[i].Nick) == static_cast<int>(i));
    FUZZ_CHECK(channel.FindUser(UpperCase(names[i].Nick)) == static_cast<int>(i));
  }
  // One record per member: nicks that differ only in case are one member.
  FUZZ_CHECK(users.Count() == static_cast<int>(names.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = input.find('\n');
  TIdIRCUsers users;
  auto channel = std::make_shared<TIdIRCChannel>("#fuzz", nullptr);
  std::vector<ModelMember> model;
  AddAndCheck(*channel, users, input.substr(0, lf), model);
  if (lf != std::string_view::npos) AddAndCheck(*channel, users, input.substr(lf + 1), model);
  return 0;
}
