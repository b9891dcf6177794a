#include "channel/http_response.h"

#include <algorithm>

#include "shell/base/convert.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

[[noreturn]] void Bad(const std::string& what) {
  throw Exception("bad answer: " + what);
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsTokenChar(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::uint64_t ParseLength(std::string_view text) {
  if (text.empty() || text.size() > 19 || !std::all_of(text.begin(), text.end(), IsDigit)) {
    Bad("Content-Length");
  }
  return std::stoull(std::string(text));
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void HttpResponseReader::Feed(std::string_view bytes) {
  while (!bytes.empty() && stage_ != Stage::Done) {
    if (stage_ == Stage::Sized || stage_ == Stage::ChunkData || stage_ == Stage::ToClose) {
      TakeBody(bytes);
    } else if (TakeLine(bytes)) {
      OnLine();
    }
  }
}

void HttpResponseReader::End() {
  if (stage_ == Stage::ToClose) stage_ = Stage::Done;
  if (stage_ != Stage::Done) Bad("the connection closed before its end");
}

bool HttpResponseReader::TakeLine(std::string_view& bytes) {
  const std::size_t lf = bytes.find('\n');
  const std::size_t count = lf == std::string_view::npos ? bytes.size() : lf;
  if (line_.size() + count > kMaxHttpLineBytes) Bad("a line longer than 8192 bytes");
  line_.append(bytes.substr(0, count));
  bytes.remove_prefix(lf == std::string_view::npos ? count : count + 1);
  if (lf == std::string_view::npos) return false;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  return true;
}

void HttpResponseReader::OnLine() {
  switch (stage_) {
    case Stage::StatusLine:
      OnStatusLine();
      break;
    case Stage::Headers:
    case Stage::Trailers:
      OnHeaderLine();
      break;
    case Stage::ChunkSize:
      OnChunkSize();
      break;
    case Stage::ChunkEnd:
      if (!line_.empty()) Bad("a chunk longer than its size");
      stage_ = Stage::ChunkSize;
      break;
    default:
      break;
  }
  line_.clear();
}

// "HTTP/1.1 200 OK": the version, three digits, a reason that may be empty.
void HttpResponseReader::OnStatusLine() {
  const std::string_view line = line_;
  if (!line.starts_with("HTTP/1.") || line.size() < 12 || !IsDigit(line[7]) || line[8] != ' ' ||
      !std::all_of(line.begin() + 9, line.begin() + 12, IsDigit) ||
      (line.size() > 12 && line[12] != ' ')) {
    Bad("no HTTP status line");
  }
  status_ = std::stoi(std::string(line.substr(9, 3)));
  if (status_ < 100 || status_ > 599) Bad("status " + std::to_string(status_));
  chunked_ = has_length_ = false;
  location_.clear();
  stage_ = Stage::Headers;
}

void HttpResponseReader::OnHeaderLine() {
  header_bytes_ += line_.size() + 2;
  if (++header_lines_ > kMaxHttpHeaderLines) Bad("more than 100 header lines");
  if (header_bytes_ > kMaxHttpHeaderBytes) Bad("more than 65536 bytes of headers");
  if (line_.empty()) {
    if (stage_ == Stage::Trailers) {
      stage_ = Stage::Done;
    } else {
      OnHeadersEnd();
    }
    return;
  }
  const std::size_t colon = line_.find(':');
  const std::string_view name = std::string_view(line_).substr(0, colon);
  if (colon == std::string::npos || name.empty() ||
      !std::all_of(name.begin(), name.end(), IsTokenChar)) {
    Bad("a malformed header line");
  }
  if (stage_ == Stage::Headers)
    OnHeaderField(name, Trimmed(std::string_view(line_).substr(colon + 1)));
}

void HttpResponseReader::OnHeaderField(std::string_view name, std::string_view value) {
  const std::string key = LowerCase(name);
  if (key == "content-length") {
    const std::uint64_t length = ParseLength(value);
    if (has_length_ && length != length_) Bad("two Content-Length values");
    has_length_ = true;
    length_ = length;
  } else if (key == "transfer-encoding") {
    const std::string codings = LowerCase(value);
    const std::string_view last = Trimmed(std::string_view(codings).substr(codings.rfind(',') + 1));
    if (last != "chunked" && last != "identity") Bad("transfer coding " + std::string(last));
    chunked_ = last == "chunked";
  } else if (key == "location") {
    location_ = value;
  }
}

void HttpResponseReader::OnHeadersEnd() {
  if (status_ < 200) {
    stage_ = Stage::StatusLine;  // an interim answer; the real one follows
  } else if (status_ == 204 || status_ == 304) {
    stage_ = Stage::Done;
  } else if (chunked_) {
    stage_ = Stage::ChunkSize;
  } else if (has_length_) {
    if (length_ > max_body_) TooLarge();
    left_ = length_;
    stage_ = length_ == 0 ? Stage::Done : Stage::Sized;
  } else {
    stage_ = Stage::ToClose;
  }
}

// A hexadecimal size, perhaps followed by ";extension", which is ignored.
void HttpResponseReader::OnChunkSize() {
  const std::string_view size = Trimmed(std::string_view(line_).substr(0, line_.find(';')));
  if (size.empty() || size.size() > 15) Bad("a malformed chunk size");
  std::uint64_t value = 0;
  for (char c : size) {
    const int digit = HexValue(c);
    if (digit < 0) Bad("a malformed chunk size");
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  if (value > max_body_ - body_.size()) TooLarge();
  left_ = value;
  stage_ = value == 0 ? Stage::Trailers : Stage::ChunkData;
}

void HttpResponseReader::TakeBody(std::string_view& bytes) {
  if (stage_ == Stage::ToClose) {
    AppendBody(bytes);
    bytes = {};
    return;
  }
  const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left_, bytes.size()));
  AppendBody(bytes.substr(0, count));
  bytes.remove_prefix(count);
  left_ -= count;
  if (left_ == 0) stage_ = stage_ == Stage::Sized ? Stage::Done : Stage::ChunkEnd;
}

void HttpResponseReader::AppendBody(std::string_view bytes) {
  if (bytes.size() > max_body_ - body_.size()) TooLarge();
  body_.append(bytes);
}

void HttpResponseReader::TooLarge() const {
  throw Exception("the answer is larger than " + std::to_string(max_body_) + " bytes");
}

}  // namespace zelmo
