#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/base/ini_file.h"
#include "users/bot_context.h"

namespace zelmo {

// Every read of the user file passes this default, so a stored "-1" and an
// absent key mean the same thing everywhere.
inline constexpr std::string_view kAbsent = "-1";

// The address map: IRC address -> user name as given at login.
inline constexpr std::string_view kAddressSection = "Address";
inline constexpr std::string_view kPasswordKey = "Password";
inline constexpr std::string_view kHostmaskKey = "Hostmask";
inline constexpr std::string_view kLogintimeKey = "Logintime";
inline constexpr std::string_view kRightsPrefix = "Rights_";
// The services accounts the user is known by (account_names.h), and the
// account the current login was made by (none for a password login).
inline constexpr std::string_view kAccountKey = "Account";
inline constexpr std::string_view kLoginaccountKey = "Loginaccount";

// The key that holds a user's rights in a scope ("GENERAL" or a channel).
std::string RightsKey(std::string_view scope);

// The user file for one operation, on the path the configuration names now
// (a reload may switch files between two operations).
class UserFile {
 public:
  explicit UserFile(BotContext& bot) : ini_(bot.UsersFilePath(), bot.UserFileCache()) {}
  // The user file on a path, for work done without a running bot.
  explicit UserFile(std::string path) : ini_(std::move(path)) {}

  std::string Read(std::string_view section, std::string_view key) const {
    return ini_.ReadString(section, key, kAbsent);
  }
  void Write(std::string_view section, std::string_view key, std::string_view value) {
    ini_.WriteString(section, key, value);
  }
  void Erase(std::string_view section, std::string_view key) { ini_.DeleteKey(section, key); }

  // A user exists when the section holds at least one key.
  bool HasUser(std::string_view name) const { return ini_.SectionExists(name); }
  void EraseUser(std::string_view name) { ini_.EraseSection(name); }
  std::vector<std::string> SectionNames() const { return ini_.ReadSections(); }

  // The user logged in from the address, or kAbsent.
  std::string UserAt(std::string_view address) const { return Read(kAddressSection, address); }
  void MapAddress(std::string_view address, std::string_view name) {
    Write(kAddressSection, address, name);
  }
  // kAbsent stands for "no address", so it unmaps nothing.
  void UnmapAddress(std::string_view address);

  // Whether a name can be written so that it reads back as the same entry;
  // the store refuses the others, and commands answer instead of failing.
  // "Address" (any case) is the address map's section: never a user.
  static bool CanStoreUser(std::string_view name);
  static bool CanStoreScope(std::string_view scope);
  static bool CanStoreAddress(std::string_view address);
  static bool CanStoreValue(std::string_view value);
  static bool IsAddressMap(std::string_view name);

 private:
  TIniFile ini_;
};

}  // namespace zelmo
