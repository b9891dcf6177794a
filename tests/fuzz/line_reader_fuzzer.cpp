// The transport's line reader on a byte stream that a loopback server
// writes in chunks and then closes. The reader takes lines until the peer
// has closed, skipping overlong lines as the IRC reader does; what it gives
// must match the line rules whatever the chunks and receive sizes.
//
// Input: byte 0 the longest line (0 and 255: no limit, 250 to 254: the
// default), byte 1 the receive size, byte 2 how often the body repeats,
// byte 3 the number of chunk sizes that follow; the rest is the body.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "irc/transport/tcp_connection.h"
#include "irc/transport/transport_errors.h"
#include "support/fuzz_check.h"
#include "support/loopback_peers.h"
#include "support/model_lines.h"

namespace {

using namespace zelmo;

fuzz::ChunkServer* server = nullptr;

using fuzz::Closed;
using fuzz::LineEvent;
using fuzz::Overlong;

void CheckLine(const std::string& line, const TIdTCPConnection& client) {
  FUZZ_CHECK(line.find('\n') == std::string::npos);
  FUZZ_CHECK(client.MaxLineLength == 0 ||
             line.size() <= static_cast<std::size_t>(client.MaxLineLength));
}

// Drops the rest of an overlong line in pieces, as the IRC reader does.
// False when the peer closed meanwhile.
bool SkipOverlong(TIdTCPClient& client) {
  client.MaxLineAction = OverlongLineAction::maSplit;
  bool open = true;
  try {
    do {
      std::string piece = client.ReceiveLine();
      CheckLine(piece, client);
      if (client.ReadLnSplit()) {
        FUZZ_CHECK(piece.size() == static_cast<std::size_t>(client.MaxLineLength));
      }
    } while (client.ReadLnSplit());
  } catch (const EIdConnClosedGracefully&) {
    open = false;
  }
  client.MaxLineAction = OverlongLineAction::maException;
  return open;
}

std::vector<LineEvent> ReadAll(TIdTCPClient& client) {
  std::vector<LineEvent> events;
  for (std::size_t guard = 0; guard < 10'000'000; ++guard) {
    try {
      std::string line = client.ReceiveLine();
      FUZZ_CHECK(!client.ReadLnSplit() && !client.ReadLnTimedOut());
      CheckLine(line, client);
      events.emplace_back(std::move(line));
    } catch (const EIdReadLnMaxLineLengthExceeded& error) {
      FUZZ_CHECK(std::string(error.what()) == "Max line length exceeded.");
      events.emplace_back(Overlong{});
      if (!SkipOverlong(client)) break;
    } catch (const EIdConnClosedGracefully& error) {
      FUZZ_CHECK(std::string(error.what()) == "Connection Closed Gracefully.");
      break;
    }
  }
  events.emplace_back(Closed{});
  return events;
}

int MaxLineLength(std::uint8_t choice) {
  if (choice == 0 || choice == 255) return 0;
  return choice >= 250 ? 16384 : choice;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  server = new fuzz::ChunkServer();  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int max_line = MaxLineLength(data[0]);
  const int receive_size = data[1] >= 192 ? 32768 : data[1] % 64 + 1;
  // Small receives make many calls per byte: keep their streams short.
  const std::size_t repeat = receive_size < 16 ? 1 : data[2] % 16 + 1;
  const std::size_t chunk_count = std::min<std::size_t>(data[3] % 8, size - 4);
  std::vector<std::size_t> chunks;
  for (std::size_t i = 0; i < chunk_count; ++i) chunks.push_back(data[4 + i] * 17u + 1);
  const std::string_view body(reinterpret_cast<const char*>(data) + 4 + chunk_count,
                              size - 4 - chunk_count);
  std::string stream;
  for (std::size_t i = 0; i < repeat; ++i) stream.append(body);

  const std::vector<LineEvent> expected =
      fuzz::ModelReads(stream, static_cast<std::size_t>(max_line));
  server->Serve(stream, chunks);
  TIdTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server->Port();
  client.MaxLineLength = max_line;
  client.RecvBufferSize = receive_size;
  client.OpenLink();
  const std::vector<LineEvent> events = ReadAll(client);
  client.CloseLink();
  FUZZ_CHECK(!client.IsLinkUp());
  FUZZ_CHECK(events == expected);
  return 0;
}
