#include "irc/session/irc_users.h"

#include "shell/base/errors.h"

namespace zelmo {

std::shared_ptr<TIdIRCUser> TIdIRCUsers::AddRef(std::string_view nick, std::string_view address) {
  if (std::shared_ptr<TIdIRCUser> user = FindShared(nick)) {
    if (!address.empty() && user->Address != address) user->Address.assign(address);
    ++user->RefCount;
    return user;
  }
  auto user = std::make_shared<TIdIRCUser>(nick, address);
  index_.Add(nick, items_.size());
  items_.push_back(user);
  return user;
}

void TIdIRCUsers::Release(const std::shared_ptr<TIdIRCUser>& user) {
  if (!user) return;
  if (user->RefCount > 0) --user->RefCount;
  if (user->RefCount > 0) return;
  // Freed even when an older record carries the same nick, so that between
  // lines only held records can be found.
  if (std::optional<std::size_t> position = PositionOf(*user)) {
    index_.Erase(user->Nick(), *position);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*position));
  }
}

std::shared_ptr<TIdIRCUser> TIdIRCUsers::FindShared(std::string_view nick) const {
  std::optional<std::size_t> position = index_.First(nick);
  if (!position) return nullptr;
  return items_[*position];
}

std::string TIdIRCUsers::Address(std::string_view nick) const {
  const TIdIRCUser* user = Find(nick);
  return user ? user->Address : std::string();
}

void TIdIRCUsers::SetNick(TIdIRCUser& user, std::string_view nick) {
  std::optional<std::size_t> position = PositionOf(user);
  if (position) index_.Remove(user.nick_, *position);
  user.nick_.assign(nick);
  if (position) index_.Add(user.nick_, *position);
}

const std::shared_ptr<TIdIRCUser>& TIdIRCUsers::ItemShared(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return items_[static_cast<std::size_t>(index)];
}

void TIdIRCUsers::Clear() {
  index_.Clear();
  items_.clear();
}

std::optional<std::size_t> TIdIRCUsers::PositionOf(const TIdIRCUser& user) const {
  for (std::size_t position : index_.All(user.Nick())) {
    if (items_[position].get() == &user) return position;
  }
  return std::nullopt;
}

}  // namespace zelmo
