// The IRC client's reader thread on a byte stream that a loopback server
// writes in chunks and then closes: every line is handed over for handling,
// an overlong line is reported and skipped up to its line feed, and the
// reader ends when the server has closed. The handling itself is cut short
// (the listener suppresses every line at OnRaw), so only the reading is
// under test.
//
// Input: byte 0 the longest line (0: no limit, 250 and up: the default),
// byte 1 the receive size, byte 2 the number of chunk sizes that follow;
// the rest is the stream.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "irc/session/irc_client.h"
#include "irc/transport/transport_errors.h"
#include "support/fuzz_check.h"
#include "support/loopback_peers.h"
#include "support/model_lines.h"
#include "support/recording_irc_events.h"

namespace {

using namespace zelmo;

constexpr std::string_view kDropped = "Dropped a server line: Max line length exceeded.";

struct Session {
  fuzz::ChunkServer server;
  testing::RecordingIrcEvents events;
  TIdIRC irc;
  // The reader's end was told: nothing it reads may be told after it.
  std::atomic<bool> closed{false};

  Session() {
    irc.Host = "127.0.0.1";
    irc.Port = server.Port();
    // Unpaced and without keepalive, unlike a configured bot.
    irc.SendInterval = 0;
    irc.PingInterval = 0;
    irc.BoundIP = "127.0.0.1";
    irc.SetNick("fuzzbot");
    events.suppress_raw = true;
    events.then = [this](const testing::RecordedEvent& event) { Check(event); };
    irc.SetEvents(events);
  }

  // On the reader's thread, as each event is raised.
  void Check(const testing::RecordedEvent& event) {
    const bool read = event.name == "OnReceive" || event.name == "OnReadError";
    if (!read && event.name != "OnDisconnected") return;
    FUZZ_CHECK(!closed.load());
    if (event.name == "OnReadError") FUZZ_CHECK(event.fields[0] == kDropped);
    if (event.name == "OnDisconnected") closed.store(true);
  }

  // What the reader did, in order.
  std::vector<fuzz::LineEvent> Reads() const {
    std::vector<fuzz::LineEvent> reads;
    for (const testing::RecordedEvent& event : events.Events()) {
      if (event.name == "OnReceive") reads.emplace_back(event.fields[0]);
      if (event.name == "OnReadError") reads.emplace_back(fuzz::Overlong{});
    }
    return reads;
  }
};

Session* session = nullptr;

// The reader's view of the model: empty lines are read but not handled,
// and an overlong piece at the very end goes unreported, as the stream is
// over before it could be skipped.
std::vector<fuzz::LineEvent> Expected(std::string_view stream, std::size_t max) {
  std::vector<fuzz::LineEvent> expected;
  for (fuzz::LineEvent& event : fuzz::ModelReads(stream, max)) {
    const auto* line = std::get_if<std::string>(&event);
    if (std::holds_alternative<fuzz::Closed>(event) || (line && line->empty())) continue;
    expected.push_back(std::move(event));
  }
  const bool open_end = !stream.empty() && stream.back() != '\n';
  if (open_end && max > 0 && !expected.empty() &&
      std::holds_alternative<fuzz::Overlong>(expected.back())) {
    const std::size_t lf = stream.rfind('\n');
    const std::size_t tail = stream.size() - (lf == std::string_view::npos ? 0 : lf + 1);
    if (tail > max) expected.pop_back();
  }
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  session = new Session();  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int max_line = data[0] >= 250 ? 16384 : data[0];
  const int receive_size = data[1] >= 192 ? 32768 : data[1] % 64 + 1;
  const std::size_t chunk_count = std::min<std::size_t>(data[2] % 8, size - 3);
  std::vector<std::size_t> chunks;
  for (std::size_t i = 0; i < chunk_count; ++i) chunks.push_back(data[3 + i] * 17u + 1);
  const std::string stream(reinterpret_cast<const char*>(data) + 3 + chunk_count,
                           size - 3 - chunk_count);

  TIdIRC& irc = session->irc;
  session->events.Clear();
  session->closed.store(false);
  irc.MaxLineLength = max_line;
  irc.RecvBufferSize = receive_size;
  session->server.Serve(stream, chunks);
  try {
    irc.Connect();
  } catch (const EIdException& error) {
    // The reader may see the server's close while Connect still sends the
    // registration lines: the send then fails on the closed link.
    const std::string message = error.what();
    FUZZ_CHECK(message == "Connection Closed Gracefully." || message == "IRC Connect Failed" ||
               message == "Not Connected");
  }
  FUZZ_CHECK(session->events.WaitFor("OnDisconnected", 1, std::chrono::seconds(30)));
  FUZZ_CHECK(session->Reads() == Expected(stream, static_cast<std::size_t>(max_line)));
  return 0;
}
