#include "channel/http_fetch.h"

#include <algorithm>
#include <array>

#include "channel/http_response.h"
#include "irc/transport/transport_errors.h"
#include "shell/base/errors.h"
#include "users/bot_version.h"

namespace zelmo {

namespace {

constexpr std::size_t kReceiveChunk = 16384;

int TimeLeftMs(HttpClock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - HttpClock::now()).count();
  if (left <= 0) throw EIdSocketError(kWsaTimedOut);
  return static_cast<int>(std::min<std::chrono::milliseconds::rep>(left, 1 << 30));
}

std::string RequestText(const HttpUrl& url) {
  return "GET " + url.path + " HTTP/1.1\r\nHost: " + url.HostHeader() +
         "\r\nUser-Agent: ZelmoBot/" + BotVersion() +
         "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
}

void SendAll(TIdIOHandlerSocket& link, std::string_view bytes) {
  while (!bytes.empty()) {
    const IoResult sent = link.Send(bytes);
    if (sent.error != 0) throw EIdSocketError(sent.error);
    bytes.remove_prefix(sent.bytes);
  }
}

HttpResponseReader ReadAnswer(TIdIOHandlerSocket& link, const HttpGetLimits& limits,
                              HttpClock::time_point deadline, const ConnectCancel& cancel) {
  HttpResponseReader reader(limits.max_body_bytes);
  std::array<char, kReceiveChunk> chunk{};
  while (!reader.Done()) {
    if (!link.WaitReadable(TimeLeftMs(deadline))) continue;  // the next turn raises the time-out
    const IoResult got = link.Receive(chunk);
    if (got.error != 0) throw EIdSocketError(got.error);
    if (got.bytes == 0) {
      // Closed here, not by the server: the body may be cut anywhere.
      if (cancel.Cancelled()) throw EIdSocketError(kWsaTimedOut);
      reader.End();
      break;
    }
    reader.Feed(std::string_view(chunk.data(), got.bytes));
  }
  return reader;
}

HttpResponseReader FetchOnce(const HttpUrl& url, const HttpGetLimits& limits,
                             HttpClock::time_point deadline, ConnectCancel& cancel) {
  ConnectTarget target;
  target.host = url.host;
  target.port = url.port;
  target.tls.enabled = url.tls;
  auto link = ConnectSocket(target, std::min(limits.connect_ms, TimeLeftMs(deadline)), &cancel);
  // Watched again: a cancel or the deadline closes it while it is read.
  cancel.Watch(link);
  link->Binding().SetSendTimeout(TimeLeftMs(deadline));
  SendAll(*link, RequestText(url));
  HttpResponseReader answer = ReadAnswer(*link, limits, deadline, cancel);
  cancel.Release();
  return answer;
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

HttpUrl RedirectTarget(const HttpUrl& from, const std::string& location,
                       const HttpAllowList& allowed) {
  HttpUrl to;
  try {
    to = ResolveLocation(from, location);
  } catch (const Exception& error) {
    throw Exception(std::string("bad redirect: ") + error.what());
  }
  if (!allowed.Allows(to.host)) throw Exception("redirect to a host not allowed: " + to.host);
  return to;
}

}  // namespace

HttpAnswer FetchHttp(HttpUrl url, const HttpAllowList& allowed, const HttpGetLimits& limits,
                     HttpClock::time_point deadline, ConnectCancel& cancel) {
  for (int redirects = 0;; ++redirects) {
    HttpResponseReader answer = FetchOnce(url, limits, deadline, cancel);
    if (!IsRedirect(answer.Status()) || answer.Location().empty()) {
      return {answer.Status(), answer.Body()};
    }
    if (redirects >= limits.max_redirects) throw Exception("too many redirects");
    url = RedirectTarget(url, answer.Location(), allowed);
  }
}

std::string HttpFailureReason(const std::exception& error) {
  if (const auto* socket = dynamic_cast<const EIdSocketError*>(&error)) {
    if (socket->LastError() == kWsaTimedOut) return "timed out";
    if (socket->LastError() == kWsaHostNotFound) return "host not found";
    return SocketErrorReason(socket->LastError());
  }
  return error.what();
}

}  // namespace zelmo
