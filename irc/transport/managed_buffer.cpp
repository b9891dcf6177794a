#include "irc/transport/managed_buffer.h"

#include <algorithm>

namespace zelmo {

std::string_view TIdManagedBuffer::View() const {
  return std::string_view(data_).substr(offset_, data_.size() - offset_);
}

std::span<char> TIdManagedBuffer::Reserve(std::size_t max_bytes) {
  reserved_from_ = data_.size();
  data_.resize(reserved_from_ + max_bytes);
  return std::span<char>(data_.data() + reserved_from_, max_bytes);
}

void TIdManagedBuffer::Commit(std::size_t filled) {
  data_.resize(reserved_from_ + std::min(filled, data_.size() - reserved_from_));
  reserved_from_ = data_.size();
  Publish();
}

void TIdManagedBuffer::Append(std::string_view bytes) {
  data_.append(bytes);
  reserved_from_ = data_.size();
  Publish();
}

std::string TIdManagedBuffer::Extract(std::size_t count) {
  count = std::min(count, Size());
  std::string taken = data_.substr(offset_, count);
  Consumed(count);
  return taken;
}

void TIdManagedBuffer::Remove(std::size_t count) {
  Consumed(std::min(count, Size()));
}

void TIdManagedBuffer::Clear() {
  data_.clear();
  offset_ = 0;
  reserved_from_ = 0;
  Publish();
}

void TIdManagedBuffer::Consumed(std::size_t count) {
  offset_ += count;
  if (offset_ == data_.size()) {
    data_.clear();
    offset_ = 0;
  } else if (offset_ >= kCompactAfter) {
    data_.erase(0, offset_);
    offset_ = 0;
  }
  reserved_from_ = data_.size();
  Publish();
}

}  // namespace zelmo
