#include "channel/web_page.h"

#include <exception>
#include <string_view>

#include "channel/lookup_bounds.h"
#include "irc/transport/tcp_connection.h"
#include "irc/transport/transport_errors.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

// Web servers answer the request only after a short while; the fixed pauses
// give them that time before the page is read.
constexpr int kLinkPollMs = 100;
constexpr int kAfterRequestMs = 500;

}  // namespace

PageFetch::PageFetch(BotContext& bot) : bot_(bot), link_(bot.PageClient(), bot.PageTimeLimits()) {}

void PageFetch::OpenPage(const WebHostSetting& host, const std::string& request) {
  if (!host) throw Exception("No web host set");
  if (request.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    throw Exception("Line break or NUL in the request");
  }
  link_.Connect(host->host, host->port);
  AwaitLinkUp();
  link_.Client().SendLine(request);
  bot_.Pause(kAfterRequestMs);
}

void PageFetch::AwaitLinkUp() {
  int waited = kLinkPollMs;
  bot_.Pause(kLinkPollMs);
  while (!link_.Client().IsLinkUp()) {
    if (waited >= link_.Limits().connect_ms) throw EIdNotConnected();
    bot_.Pause(kLinkPollMs);
    waited += kLinkPollMs;
  }
}

std::string PageFetch::ReadPageLine() {
  std::string line = link_.ReadLine();
  page_bytes_ += line.size() + 1;
  if (page_bytes_ > kMaxPageBytes) throw Exception("The page is too long");
  return line;
}

void PageFetch::ClosePage() {
  link_.Client().CloseLink();
}

void AbandonPage(BotContext& bot) noexcept {
  try {
    bot.PageClient().CloseLink();
  } catch (const std::exception&) {
    // Already down or broken: the next OpenLink starts afresh in both cases.
  }
}

}  // namespace zelmo
