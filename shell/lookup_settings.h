#pragma once

#include <array>
#include <string>
#include <utility>

#include "channel/tv_listing_cache.h"
#include "shell/base/ini_file.h"
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

// Where the lookups go and how long their answers may be, as the
// environment and Config.ini set them, and the TV listing's cache.
class LookupSettings {
 public:
  explicit LookupSettings(LookupEnvironment environment) : environment_(std::move(environment)) {}

  // [Lookups] and [TV]; raises on a value that names no lookup source,
  // leaving the values read before it in force.
  void LoadLookups(const TIniFile& ini, const std::string& data_folder);

  DictionarySource Dictionary() const { return dictionary_; }
  TvListingSource TvListing() const { return tv_listing_; }
  TvListingCache* TvCache() { return &tv_cache_; }
  // [Lookups] MaxReplyLines.
  int ReplyLines() const { return reply_lines_; }

 private:
  LookupEnvironment environment_;
  DictionarySource dictionary_;
  TvListingSource tv_listing_;
  TvListingCache tv_cache_;
  int reply_lines_ = kDefaultReplyLines;
};

}  // namespace zelmo
