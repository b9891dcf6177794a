#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// A name service: the first IPv4 address of a name as dotted text, or
// nothing when the name is unknown.
using NameLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The platform's name functions, as the transport needs them. Addresses are
// dotted IPv4 texts.
class TIdStack {
 public:
  // A text of exactly four dot-separated decimal parts, each 0 to 255, gives
  // the address in its plain form ("010.0.0.1" gives "10.0.0.1"); anything
  // else is no address.
  static std::optional<std::string> ParseDottedQuad(std::string_view text);
  static bool IsIP(std::string_view text) { return ParseDottedQuad(text).has_value(); }

  // "LOCALHOST" in any case is 127.0.0.1 and a dotted address is taken as it
  // is, both without a lookup; anything else is looked up and its first IPv4
  // address used. A failed lookup raises socket error 11001.
  //
  // A positive time limit bounds the lookup: one still running after that
  // many milliseconds raises socket error 10060 and is left to end on its
  // own. The lookup goes to the given name service, or to the system's when
  // none is given.
  static std::string ResolveHost(std::string_view host, int timeout_ms = -1,
                                 const NameLookup& lookup = {});

  // The system's name service (the resolver of the C library).
  static std::optional<std::string> SystemLookUp(const std::string& name);

  // The host's own name, at most 250 characters.
  static std::string HostName();

  // The first IPv4 address of the host's own name; 127.0.0.1 when the name
  // resolves to nothing, so that a machine without name service still gets
  // an answer.
  static std::string LocalAddress();
};

}  // namespace zelmo
