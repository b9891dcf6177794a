#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

// Which hosts a script's web fetch may reach: loopback and the hosts the
// configuration names always; others only when [Scripts] HttpAllowed lists
// them, or all with "*".
class HttpAllowList {
 public:
  // `listed` is the key's value: empty, "*", or host names separated by commas.
  // `configured` are the hosts Config.ini names elsewhere (lookups, servers).
  // Raises EConvertError naming the key for a malformed list.
  static HttpAllowList Parse(std::string_view listed, std::vector<std::string> configured);
  bool Allows(std::string_view host) const;

 private:
  bool all_ = false;
  std::vector<std::string> hosts_;  // lower case
};

struct HttpGetLimits {
  int connect_ms = 10000;
  int total_ms = 30000;  // the whole fetch, redirects included
  std::size_t max_body_bytes = std::size_t{1} << 20;
  int max_redirects = 3;
  std::size_t max_running = 4;  // fetches at once; more are refused
};

// The outcome of one fetch: status 0 when it failed, with the reason as body.
struct HttpAnswer {
  int status = 0;
  std::string body;
};

// Plain HTTP and HTTPS (through the TLS module) GET requests, each on a
// thread of its own, bounded in time and size. Answers are handed to `post`,
// which queues them for the user-interface thread.
class HttpClient {
 public:
  using Poster = std::function<void(std::function<void()>)>;
  HttpClient(Poster post, HttpGetLimits limits);
  // Ends every running fetch and waits for its thread; no answer is
  // delivered afterwards.
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Raises Exception with the reason, before any connection, when the URL
  // is malformed, not http or https, its host not allowed, or when
  // max_running fetches are running.
  void Get(const std::string& url, const HttpAllowList& allowed,
           std::function<void(HttpAnswer)> done);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zelmo
