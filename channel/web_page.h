#pragma once

#include <string>

#include "channel/bounded_link.h"
#include "users/bot_context.h"

namespace zelmo {

// One fetch of a web page over the bot's page connection. The request is the
// bare HTTP/0.9 form: one line "GET <path>" and nothing else, no version and
// no headers; every line that comes back is page text. The lookup decides
// how many lines it reads.
//
// The transport's errors pass through unchanged. The waits are bounded by the
// bot's page time limits: the connect by connect_ms, each line by line_ms,
// and the whole fetch, counted from construction, by fetch_ms. A bound that
// runs out fails the fetch like a lost connection, and so does a page longer
// than kMaxPageBytes.
class PageFetch {
 public:
  explicit PageFetch(BotContext& bot);

  // Connects to the host and sends the request line. Raises before any
  // name lookup or connection when no host is set, and when the request
  // holds a CR, LF or NUL, which would make it more than one line.
  void OpenPage(const WebHostSetting& host, const std::string& request);
  // The next page line without its LF and a CR before it.
  std::string ReadPageLine();
  void ClosePage();

 private:
  void AwaitLinkUp();

  BotContext& bot_;
  BoundedLink link_;
  std::size_t page_bytes_ = 0;
};

// Drops the page connection after a failed fetch, so that a link left up by
// an overlong line or a silent server does not make the next fetch fail with
// "Already connected.". Never raises.
void AbandonPage(BotContext& bot) noexcept;

}  // namespace zelmo
