#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

// A name service: the first IPv4 address of a name as dotted text, or
// nothing when the name is unknown.
using NameLookup = std::function<std::optional<std::string>(const std::string& name)>;
// A name service that gives every address of a name (IPv6 and IPv4, as
// text) in the order they are to be tried; empty when the name is unknown.
using AddressLookup = std::function<std::vector<std::string>(const std::string& name)>;

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

  // Every address to try for a host, in order: "LOCALHOST" and an IPv4 or
  // IPv6 literal (brackets allowed, as in "[::1]"; a zone kept, as in
  // "fe80::1%eth0") without a lookup, a name through the given service (the
  // system's, both families, when none is given). The time limit and the
  // errors are those of ResolveHost; a bounded lookup also stops waiting,
  // raising 10004 ("Interrupted system call."), once given_up says so.
  static std::vector<std::string> ResolveHostAddresses(std::string_view host, int timeout_ms,
                                                       const AddressLookup& lookup = {},
                                                       const std::function<bool()>& given_up = {});
  // "[::1]" -> "::1"; any other text as it is.
  static std::string_view Unbracketed(std::string_view host);
  // The IPv6 address in its plain form, with its zone ("%eth0") if it has
  // one, or nothing.
  static std::optional<std::string> ParseIPv6(std::string_view text);
  // The system's name service, every address of both families.
  static std::vector<std::string> SystemLookUpAll(const std::string& name);

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
