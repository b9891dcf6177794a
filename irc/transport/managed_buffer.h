#pragma once

#include <atomic>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace zelmo {

// The input buffer of a connection: bytes received but not yet handed out.
// Reads take bytes from the front by advancing an offset into one block, so
// handing out a line does not move the rest; the unread rest moves to the
// front only once the offset has passed kCompactAfter bytes.
//
// One thread reads and appends; Size() may be asked from any thread, because
// the sending side looks at it to decide whether a closed link still holds
// bytes to read.
class TIdManagedBuffer {
 public:
  static constexpr std::size_t kCompactAfter = 32768;

  TIdManagedBuffer() = default;
  TIdManagedBuffer(const TIdManagedBuffer&) = delete;
  TIdManagedBuffer& operator=(const TIdManagedBuffer&) = delete;

  std::size_t Size() const { return size_.load(std::memory_order_relaxed); }
  bool Empty() const { return Size() == 0; }

  // The unread bytes; valid until the next change of the buffer.
  std::string_view View() const;

  // Room for up to max_bytes at the end; Commit says how many were filled.
  std::span<char> Reserve(std::size_t max_bytes);
  void Commit(std::size_t filled);

  void Append(std::string_view bytes);
  // Takes count bytes (at most Size()) from the front.
  std::string Extract(std::size_t count);
  void Remove(std::size_t count);
  void Clear();

  // Where the unread bytes start inside the block; for tests of compaction.
  std::size_t ReadOffset() const { return offset_; }

 private:
  void Consumed(std::size_t count);
  void Publish() { size_.store(data_.size() - offset_, std::memory_order_relaxed); }

  std::string data_;
  std::size_t offset_ = 0;
  std::size_t reserved_from_ = 0;
  std::atomic<std::size_t> size_{0};
};

}  // namespace zelmo
