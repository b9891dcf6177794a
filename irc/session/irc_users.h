#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irc/session/name_index.h"

namespace zelmo {

// One IRC user as the client knows it. The nick is changed only through the
// collection, which keeps its lookup index in step.
class TIdIRCUser {
 public:
  TIdIRCUser(std::string_view nick, std::string_view address) : Address(address), nick_(nick) {}

  const std::string& Nick() const { return nick_; }

  // User name, "@" and host from the nick's last prefix.
  std::string Address;
  // The application's slot; the client never sets it.
  void* Data = nullptr;
  // The text of the user's last PART or QUIT, or of a KICK given or received.
  std::string Reason;
  // The services account the server says the user is logged in to; none
  // when it said "none" or said nothing (on a link without the capability
  // that carries accounts it never does).
  std::optional<std::string> Account;
  // Away, as away-notify tells it.
  bool Away = false;
  // Number of holders; the collection drops the record when none is left.
  int RefCount = 1;

 private:
  friend class TIdIRCUsers;
  std::string nick_;
};

// The user records, in the order they were made. The collection owns them;
// a caller may keep a std::shared_ptr to hold a record alive for a while
// (for the handling of one line), and event handlers get plain pointers that
// are valid while the event lasts. Nick lookups ignore case; the first record
// made wins when several carry the same nick.
class TIdIRCUsers {
 public:
  // Finds the nick and adds a holder, storing the address when it is not
  // empty and differs; otherwise makes a record with one holder at the end.
  std::shared_ptr<TIdIRCUser> AddRef(std::string_view nick, std::string_view address);
  // Removes a holder; with none left the record leaves the collection. A
  // record that is no longer in the collection (after Clear) is left alone.
  void Release(const std::shared_ptr<TIdIRCUser>& user);

  TIdIRCUser* Find(std::string_view nick) const { return FindShared(nick).get(); }
  std::shared_ptr<TIdIRCUser> FindShared(std::string_view nick) const;
  // The address of the nick's record, or an empty text without a record.
  std::string Address(std::string_view nick) const;

  // Renames a record (in the collection or not).
  void SetNick(TIdIRCUser& user, std::string_view nick);

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index outside 0 to Count - 1.
  TIdIRCUser* Items(int index) const { return ItemShared(index).get(); }
  const std::shared_ptr<TIdIRCUser>& ItemShared(int index) const;

  void Clear();

 private:
  std::optional<std::size_t> PositionOf(const TIdIRCUser& user) const;

  std::vector<std::shared_ptr<TIdIRCUser>> items_;
  NameIndex index_;
};

// A holder of one user record for a scope: it adds a holder when made and
// removes it when it goes, also when the scope is left by an exception.
class UserHold {
 public:
  UserHold(TIdIRCUsers& users, std::string_view nick, std::string_view address)
      : users_(users), user_(users.AddRef(nick, address)) {}
  ~UserHold() { users_.Release(user_); }
  UserHold(const UserHold&) = delete;
  UserHold& operator=(const UserHold&) = delete;

  TIdIRCUser* get() const { return user_.get(); }
  TIdIRCUser* operator->() const { return user_.get(); }

 private:
  TIdIRCUsers& users_;
  std::shared_ptr<TIdIRCUser> user_;
};

}  // namespace zelmo
