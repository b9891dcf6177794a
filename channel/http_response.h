#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelmo {

// What a web server's answer may spend before its body. A line past its
// bound, or headers past theirs, fail the answer as a bad one; every real
// server stays far below.
inline constexpr std::size_t kMaxHttpLineBytes = 8192;     // status, header or chunk size line
inline constexpr std::size_t kMaxHttpHeaderLines = 100;    // interim answers' headers included
inline constexpr std::size_t kMaxHttpHeaderBytes = 65536;  // all header lines, line ends included

// Reads one HTTP/1.x answer as its bytes arrive: the status line, headers,
// and a body delimited by Content-Length, by chunks or by the end of the
// connection. Interim (1xx) answers are skipped. Every failure raises
// Exception with a short reason: "bad answer: ..." or "the answer is larger
// than N bytes".
class HttpResponseReader {
 public:
  explicit HttpResponseReader(std::size_t max_body_bytes) : max_body_(max_body_bytes) {}

  // Takes the next bytes; those after the end of the answer are ignored.
  void Feed(std::string_view bytes);
  // The server closed the connection: ends a body that runs to the close,
  // fails an answer cut short.
  void End();
  bool Done() const { return stage_ == Stage::Done; }

  int Status() const { return status_; }
  // The last Location header's value; empty when there was none.
  const std::string& Location() const { return location_; }
  const std::string& Body() const { return body_; }

 private:
  enum class Stage {
    StatusLine,
    Headers,
    Sized,
    ChunkSize,
    ChunkData,
    ChunkEnd,
    Trailers,
    ToClose,
    Done
  };

  // Consumes bytes of a line; true once the line is whole (in line_).
  bool TakeLine(std::string_view& bytes);
  void OnLine();
  void OnStatusLine();
  void OnHeaderLine();
  void OnHeaderField(std::string_view name, std::string_view value);
  void OnHeadersEnd();
  void OnChunkSize();
  void TakeBody(std::string_view& bytes);
  void AppendBody(std::string_view bytes);
  [[noreturn]] void TooLarge() const;

  std::size_t max_body_;
  Stage stage_ = Stage::StatusLine;
  std::string line_;
  bool line_whole_ = false;
  std::size_t header_lines_ = 0;
  std::size_t header_bytes_ = 0;
  int status_ = 0;
  bool chunked_ = false;
  bool has_length_ = false;
  std::uint64_t length_ = 0;
  std::uint64_t left_ = 0;  // of the sized body or the current chunk
  std::string location_;
  std::string body_;
};

}  // namespace zelmo
