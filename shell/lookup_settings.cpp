#include "shell/lookup_settings.h"

#include <cstdlib>
#include <optional>

#include "channel/tv_channels.h"
#include "shell/base/config_names.h"
#include "shell/base/config_read.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

constexpr std::string_view kSchemeEnd = "://";
constexpr int kHttpPort = 80;
constexpr int kDictPort = 2628;
constexpr std::string_view kDictionaryForms =
    "http://host[:port] or dict://host[:port]/database[+database...]";

std::string EnvironmentValue(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? value : "";
}

// "host" or "host:port" with a port of 1 to 65535.
std::optional<WebHost> HostAndPort(const std::string& text, int default_port) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return WebHost{text, default_port};
  const auto port = TryStrToInt(text.substr(colon + 1));
  if (!port || *port <= 0 || *port > 65535 ||
      text.find_first_not_of("0123456789", colon + 1) != std::string::npos) {
    return std::nullopt;
  }
  return WebHost{text.substr(0, colon), *port};
}

// As it always was: a port only when the text ends in a good one.
WebHost BareHost(const std::string& text) {
  return HostAndPort(text, kHttpPort).value_or(WebHost{text, kHttpPort});
}

struct Address {
  std::string scheme;  // in lower case
  WebHost host;
  std::string path;  // from the "/" after the host on, or empty
};

std::optional<Address> ParseAddress(const std::string& text, int http_port, int dict_port) {
  const std::size_t scheme_end = text.find(kSchemeEnd);
  if (scheme_end == std::string::npos) return std::nullopt;
  Address address;
  address.scheme = LowerCase(text.substr(0, scheme_end));
  const std::size_t host_start = scheme_end + kSchemeEnd.size();
  const std::size_t slash = std::min(text.find('/', host_start), text.size());
  address.path = text.substr(slash);
  const int port = address.scheme == "dict" ? dict_port : http_port;
  const auto host = HostAndPort(text.substr(host_start, slash - host_start), port);
  if (!host || host->host.empty() || host->host.find_first_of(" @") != std::string::npos) {
    return std::nullopt;
  }
  address.host = *host;
  return address;
}

std::optional<WebHost> WebPage(const std::optional<Address>& address) {
  if (!address || address->scheme != "http") return std::nullopt;
  if (!address->path.empty() && address->path != "/") return std::nullopt;
  return address->host;
}

bool IsDatabaseName(std::string_view name) {
  return !name.empty() && name.find_first_not_of(
                              "abcdefghijklmnopqrstuvwxyz"
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                              "0123456789-_.!*") == std::string_view::npos;
}

std::optional<DictServer> DictServerAt(const std::optional<Address>& address) {
  if (!address || address->scheme != "dict" || address->path.size() < 2) return std::nullopt;
  DictServer server{address->host.host, address->host.port, {}};
  std::string_view names = std::string_view(address->path).substr(1);
  for (;;) {
    const std::size_t plus = std::min(names.find('+'), names.size());
    if (!IsDatabaseName(names.substr(0, plus))) return std::nullopt;
    server.databases.emplace_back(names.substr(0, plus));
    if (plus == names.size()) return server;
    names.remove_prefix(plus + 1);
  }
}

std::string NotA(std::string_view what, const std::string& value, std::string_view forms) {
  return "'" + value + "' is not a " + std::string(what) + " (" + std::string(forms) + ")";
}

}  // namespace

LookupEnvironment LookupEnvironment::FromEnvironment() {
  return {EnvironmentValue("ZELMOBOT_DICTIONARY_HOST"), EnvironmentValue("ZELMOBOT_TV_HOST")};
}

DictionarySource DictionaryFrom(const std::string& environment, const std::string& configured) {
  if (!environment.empty() && environment.find(kSchemeEnd) == std::string::npos) {
    return BareHost(environment);
  }
  const bool from_environment = !environment.empty();
  const std::string& value = from_environment ? environment : configured;
  if (value.empty()) return std::monostate{};
  const auto address = ParseAddress(value, kHttpPort, kDictPort);
  if (auto page = WebPage(address)) return *page;
  if (auto server = DictServerAt(address)) return *server;
  const std::string problem = NotA("dictionary", value, kDictionaryForms);
  if (from_environment) throw Exception("ZELMOBOT_DICTIONARY_HOST: " + problem);
  throw EConfigError(config::kDictionary, problem);
}

TvListingSource TvListingFrom(const std::string& environment, const std::string& configured,
                              const std::string& data_folder,
                              const std::array<std::string, kTvChannelCount>& channel_ids) {
  if (!environment.empty()) {
    if (environment.find(kSchemeEnd) == std::string::npos) return BareHost(environment);
    if (auto page = WebPage(ParseAddress(environment, kHttpPort, kDictPort))) return *page;
    throw Exception("ZELMOBOT_TV_HOST: " +
                    NotA("TV listing host", environment, "host[:port] or http://host[:port]"));
  }
  if (configured.empty()) return std::monostate{};
  if (configured.find(kSchemeEnd) == std::string::npos) {
    const std::string path = configured.front() == '/' ? configured : data_folder + configured;
    return XmltvFile{path, channel_ids};
  }
  if (auto page = WebPage(ParseAddress(configured, kHttpPort, kDictPort))) return *page;
  throw EConfigError(config::kTvListing,
                     NotA("TV listing", configured, "http://host[:port] or a file"));
}

void LookupSettings::LoadLookups(const TIniFile& ini, const std::string& data_folder) {
  dictionary_ = DictionaryFrom(environment_.dictionary, ConfigText(ini, config::kDictionary));
  std::array<std::string, kTvChannelCount> channel_ids;
  for (std::size_t k = 0; k < kTvChannelCount; ++k) {
    channel_ids[k] = ConfigText(ini, *FindConfigKey("TV", kTvChannels[k].key));
  }
  tv_listing_ =
      TvListingFrom(environment_.tv, ConfigText(ini, config::kTvListing), data_folder, channel_ids);
  reply_lines_ = ConfigNumber(ini, config::kMaxReplyLines);
}

}  // namespace zelmo
