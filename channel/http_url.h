#pragma once

#include <string>
#include <string_view>

namespace zelmo {

// The longest URL a fetch takes, scheme to fragment: its path must fit the
// request line, which the servers' own line bounds cap near this size.
inline constexpr std::size_t kMaxUrlBytes = 8192;

// A web address decoded once: what the connect and the request line need.
struct HttpUrl {
  bool tls = false;
  std::string host;  // lower case; an IPv6 address without its brackets
  int port = 80;
  std::string path;  // "/" at least, the query kept, the fragment dropped

  // The Host header's value: brackets around an IPv6 address, the port
  // when it is not the scheme's own.
  std::string HostHeader() const;
  bool operator==(const HttpUrl&) const = default;
};

// Decodes an http or https URL. Raises Exception with the reason for
// anything else: another scheme, a user name or password, an empty or
// malformed host, a bad port, a control character or space, an overlong URL.
HttpUrl ParseHttpUrl(std::string_view url);

// Where a redirect's Location leads from `base`: an absolute URL, one
// without a scheme ("//host/path"), an absolute path or a relative one.
HttpUrl ResolveLocation(const HttpUrl& base, std::string_view location);

// Whether the text is a host name (letters, digits, '-', '_', '.') or an
// IP address literal (an IPv6 one in brackets or without).
bool IsHostText(std::string_view host);

}  // namespace zelmo
