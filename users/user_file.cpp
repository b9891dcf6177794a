#include "users/user_file.h"

#include "shell/base/convert.h"
#include "shell/base/ini_syntax.h"

namespace zelmo {

std::string RightsKey(std::string_view scope) {
  std::string key(kRightsPrefix);
  key.append(scope);
  return key;
}

void UserFile::UnmapAddress(std::string_view address) {
  if (address != kAbsent) ini_.DeleteKey(kAddressSection, address);
}

bool UserFile::IsAddressMap(std::string_view name) {
  return SameText(name, kAddressSection);
}

bool UserFile::CanStoreUser(std::string_view name) {
  return IsStorableSection(name) && !IsAddressMap(name);
}

bool UserFile::CanStoreScope(std::string_view scope) {
  return IsStorableKey(RightsKey(scope));
}

bool UserFile::CanStoreAddress(std::string_view address) {
  return IsStorableKey(address);
}

bool UserFile::CanStoreValue(std::string_view value) {
  return IsStorableValue(value);
}

}  // namespace zelmo
