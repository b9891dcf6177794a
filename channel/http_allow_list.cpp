#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>

#include "channel/http_client.h"
#include "channel/http_url.h"
#include "irc/transport/id_stack.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

// One spelling per host: lower case, brackets off, an IP address in its
// plain form ("010.0.0.1" and "10.0.0.1", "::0:1" and "::1" are one host).
std::string Canonical(std::string_view host) {
  host = TIdStack::Unbracketed(host);
  if (auto v4 = TIdStack::ParseDottedQuad(host)) return *v4;
  if (auto v6 = TIdStack::ParseIPv6(host)) return LowerCase(*v6);
  std::string name = LowerCase(host);
  if (name.ends_with('.')) name.pop_back();  // the root's dot names the same host
  return name;
}

// Only the host as written counts: a name is not looked up to see whether
// it leads to loopback, so the check never waits for the name service.
bool IsLoopback(const std::string& host) {
  if (host == "localhost") return true;
  in_addr v4{};
  if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  if (::inet_pton(AF_INET6, host.c_str(), &v6) != 1) return false;
  if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
  return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
}

std::vector<std::string> SplitList(std::string_view listed) {
  std::vector<std::string> items;
  while (!listed.empty()) {
    const std::size_t comma = listed.find(',');
    std::string_view item = listed.substr(0, comma);
    const std::size_t first = item.find_first_not_of(' ');
    item = first == std::string_view::npos
               ? ""
               : item.substr(first, item.find_last_not_of(' ') - first + 1);
    if (!item.empty()) items.emplace_back(item);
    if (comma == std::string_view::npos) break;
    listed.remove_prefix(comma + 1);
  }
  return items;
}

}  // namespace

HttpAllowList HttpAllowList::Parse(std::string_view listed, std::vector<std::string> configured) {
  HttpAllowList list;
  for (const std::string& item : SplitList(listed)) {
    if (item == "*") {
      list.all_ = true;
    } else if (IsHostText(item)) {
      list.hosts_.push_back(Canonical(item));
    } else {
      throw EConvertError("[Scripts] HttpAllowed: '" + item + "' is not a host name");
    }
  }
  for (const std::string& host : configured) {
    if (!host.empty()) list.hosts_.push_back(Canonical(host));
  }
  return list;
}

bool HttpAllowList::Allows(std::string_view host) const {
  const std::string canonical = Canonical(host);
  return all_ || IsLoopback(canonical) ||
         std::find(hosts_.begin(), hosts_.end(), canonical) != hosts_.end();
}

}  // namespace zelmo
