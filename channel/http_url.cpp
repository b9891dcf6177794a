#include "channel/http_url.h"

#include <algorithm>

#include "irc/transport/id_stack.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

constexpr std::size_t kMaxHostBytes = 253;

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
}

// A space or control byte would end or split the request line.
bool HasLineBreaker(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == '\x7F'; });
}

// Bytes beyond ASCII travel escaped, as browsers send them.
std::string EscapeHighBytes(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out.append({'%', kHex[byte >> 4], kHex[byte & 0xF]});
    }
  }
  return out;
}

int ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    throw Exception("bad port in the URL");
  }
  const int port = std::stoi(std::string(text));
  if (port < 1 || port > 65535) throw Exception("bad port in the URL");
  return port;
}

// "host", "host:port", "[v6]", "[v6]:port" into the URL's host and port.
void ParseAuthority(std::string_view authority, HttpUrl& url) {
  if (authority.find('@') != std::string_view::npos) {
    throw Exception("a user name or password in the URL is not allowed");
  }
  std::string_view host = authority;
  std::string_view port;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) throw Exception("bad host in the URL");
    host = authority.substr(1, close - 1);
    std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) throw Exception("bad host in the URL");
    if (!rest.empty()) port = rest.substr(1);
    if (!TIdStack::ParseIPv6(host)) throw Exception("bad host in the URL");
  } else if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  }
  if (host.empty() || !IsHostText(host)) throw Exception("bad host in the URL");
  url.host = LowerCase(host);
  if (!port.empty()) url.port = ParsePort(port);
}

// "scheme:" before anything else; a colon further on ("/a?u=http://b")
// belongs to a path.
bool HasScheme(std::string_view location) {
  const std::size_t colon = location.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  return std::all_of(location.begin(), location.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](char c) {
                       return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                              (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
                     });
}

}  // namespace

bool IsHostText(std::string_view host) {
  if (host.starts_with('[') && host.ends_with(']')) host = host.substr(1, host.size() - 2);
  if (host.empty() || host.size() > kMaxHostBytes) return false;
  if (host.find(':') != std::string_view::npos) return TIdStack::ParseIPv6(host).has_value();
  return std::all_of(host.begin(), host.end(), IsNameChar);
}

std::string HttpUrl::HostHeader() const {
  std::string text = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  if (port != (tls ? 443 : 80)) text += ":" + std::to_string(port);
  return text;
}

HttpUrl ParseHttpUrl(std::string_view text) {
  if (text.size() > kMaxUrlBytes) throw Exception("the URL is too long");
  if (HasLineBreaker(text)) throw Exception("a space or control character in the URL");
  const std::size_t scheme_end = text.find("://");
  const std::string scheme =
      LowerCase(scheme_end == std::string_view::npos ? "" : text.substr(0, scheme_end));
  if (scheme != "http" && scheme != "https")
    throw Exception("only http and https URLs are fetched");
  HttpUrl url;
  url.tls = scheme == "https";
  url.port = url.tls ? 443 : 80;
  std::string_view rest = text.substr(scheme_end + 3);
  rest = rest.substr(0, rest.find('#'));
  const std::size_t path_start = rest.find_first_of("/?");
  ParseAuthority(rest.substr(0, path_start), url);
  const std::string_view path = path_start == std::string_view::npos ? "" : rest.substr(path_start);
  url.path = EscapeHighBytes(path.starts_with('/') ? path : "/" + std::string(path));
  return url;
}

HttpUrl ResolveLocation(const HttpUrl& base, std::string_view location) {
  if (HasScheme(location)) return ParseHttpUrl(location);
  if (location.starts_with("//")) {
    return ParseHttpUrl((base.tls ? "https:" : "http:") + std::string(location));
  }
  if (location.size() > kMaxUrlBytes) throw Exception("the URL is too long");
  if (HasLineBreaker(location)) throw Exception("a space or control character in the URL");
  HttpUrl url = base;
  location = location.substr(0, location.find('#'));
  if (location.starts_with('/')) {
    url.path = EscapeHighBytes(location);
  } else {
    // Relative to the folder of the path, the query left behind.
    const std::string_view folder = std::string_view(base.path).substr(0, base.path.find('?'));
    url.path = std::string(folder.substr(0, folder.rfind('/') + 1)) + EscapeHighBytes(location);
  }
  return url;
}

}  // namespace zelmo
