// A web server's answer as the web client reads it, and the redirect
// target it may name. The first byte chooses the size of the pieces the
// answer arrives in; the outcome must not depend on it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "channel/http_response.h"
#include "channel/http_url.h"
#include "shell/base/errors.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

constexpr std::size_t kMaxBody = 1024;

// "<status> <body>" once the answer is whole, or the reason it failed.
std::string Read(std::string_view bytes, std::size_t piece, std::string* location) {
  HttpResponseReader reader(kMaxBody);
  try {
    for (std::size_t at = 0; at < bytes.size() && !reader.Done(); at += piece) {
      reader.Feed(bytes.substr(at, piece));
    }
    reader.End();
  } catch (const Exception& error) {
    return error.what();
  }
  FUZZ_CHECK(reader.Done());
  FUZZ_CHECK(reader.Status() >= 200 && reader.Status() <= 599);
  FUZZ_CHECK(reader.Body().size() <= kMaxBody);
  FUZZ_CHECK(reader.Location().size() <= kMaxHttpLineBytes);
  *location = reader.Location();
  return std::to_string(reader.Status()) + " " + reader.Body();
}

void CheckUrl(const HttpUrl& url) {
  FUZZ_CHECK(url.path.starts_with('/'));
  FUZZ_CHECK(std::none_of(url.path.begin(), url.path.end(), [](char c) {
    return static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F;
  }));
  FUZZ_CHECK(IsHostText(url.host));
  FUZZ_CHECK(url.port >= 1 && url.port <= 65535);
  FUZZ_CHECK(url.HostHeader().find_first_of("\r\n ") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = std::size_t{data[0]} + 1;
  const std::string_view answer(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string location, location_whole;
  const std::string outcome = Read(answer, piece, &location);
  FUZZ_CHECK(outcome == Read(answer, answer.size() + 1, &location_whole));
  FUZZ_CHECK(location == location_whole);
  try {
    CheckUrl(ResolveLocation(ParseHttpUrl("https://h.test:8443/a/b?q"), location));
  } catch (const Exception&) {
    // A redirect the client would not follow.
  }
  try {
    CheckUrl(ParseHttpUrl(answer));
  } catch (const Exception&) {
  }
  return 0;
}
