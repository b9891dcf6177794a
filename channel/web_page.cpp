#include "channel/web_page.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string_view>

#include "irc/tcp_connection.h"
#include "irc/transport_errors.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

// Web servers answer the request only after a short while; the fixed pauses
// give them that time before the page is read.
constexpr int kLinkPollMs = 100;
constexpr int kAfterRequestMs = 500;

}  // namespace

PageFetch::PageFetch(BotContext& bot)
    : bot_(bot),
      client_(bot.PageClient()),
      limits_(bot.PageTimeLimits()),
      deadline_(FetchWatchdog::Clock::now() + std::chrono::milliseconds(limits_.fetch_ms)) {}

void PageFetch::OpenPage(const WebHostSetting& host, const std::string& request) {
  if (!host) throw Exception("No web host set");
  if (request.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    throw Exception("Line break or NUL in the request");
  }
  client_.Host = host->host;
  client_.Port = host->port;
  client_.OpenLink(limits_.connect_ms);
  watchdog_.emplace(client_, deadline_);
  AwaitLinkUp();
  client_.SendLine(request);
  bot_.Pause(kAfterRequestMs);
}

void PageFetch::AwaitLinkUp() {
  int waited = kLinkPollMs;
  bot_.Pause(kLinkPollMs);
  while (!client_.IsLinkUp()) {
    if (waited >= limits_.connect_ms) throw EIdNotConnected();
    bot_.Pause(kLinkPollMs);
    waited += kLinkPollMs;
  }
}

std::string PageFetch::ReadPageLine() {
  const int wait = std::min(limits_.line_ms, TimeLeftMs());
  if (wait <= 0) throw EIdReadTimeout();
  std::string line = client_.ReceiveLine("\n", wait, -1);
  if (client_.ReadLnTimedOut()) throw EIdReadTimeout();
  return line;
}

void PageFetch::ClosePage() {
  client_.CloseLink();
}

int PageFetch::TimeLeftMs() const {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - FetchWatchdog::Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), -1));
}

void AbandonPage(BotContext& bot) noexcept {
  try {
    bot.PageClient().CloseLink();
  } catch (const std::exception&) {
    // Already down or broken: the next OpenLink starts afresh in both cases.
  }
}

}  // namespace zelmo
