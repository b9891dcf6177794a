#pragma once

#include <array>
#include <string>

#include "users/bot_context.h"

namespace zelmo {

// The lookups' addresses as the environment gives them
// (ZELMOBOT_DICTIONARY_HOST, ZELMOBOT_TV_HOST); empty when not set. A set
// value wins over Config.ini.
struct LookupEnvironment {
  std::string dictionary;
  std::string tv;
  static LookupEnvironment FromEnvironment();
};

// Where !word goes. The environment's value, when there is one: a bare
// "host[:port]" is the dictionary web page; else the configured value:
// "http://host[:port]" is the web page, "dict://host[:port]/db[+db...]" a
// DICT server (port 2628 when none is given) and its databases. Neither
// value: nowhere. Raises for a value that is none of these (EConfigError
// for the configured one).
DictionarySource DictionaryFrom(const std::string& environment, const std::string& configured);

// Where !tv goes. The environment's value, when there is one: a bare
// "host[:port]" or "http://host[:port]" is the listing web page; else the
// configured value: "http://host[:port]" is the web page, and anything
// without "://" an XMLTV file, relative to the data folder unless absolute,
// with these channel ids. Neither value: nowhere. Raises for any other
// value with "://".
TvListingSource TvListingFrom(const std::string& environment, const std::string& configured,
                              const std::string& data_folder,
                              const std::array<std::string, kTvChannelCount>& channel_ids);

}  // namespace zelmo
