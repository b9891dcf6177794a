#include "channel/tv_listing_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "channel/xmltv_reader.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

// The file grows while it is read when a grabber writes it in place: the
// read stops past the limit whatever its status said.
std::string ReadListing(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Exception("Cannot open the TV listing " + path);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || static_cast<std::int64_t>(bytes.size()) + got > kMaxListingBytes) {
      close(fd);
      if (got == 0) return bytes;
      throw Exception("Cannot read the TV listing " + path);
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

std::shared_ptr<const TvSchedule> TvListingCache::Find(const std::string& path,
                                                       const FileIdentity& identity) const {
  return path == path_ && identity == identity_ ? schedule_ : nullptr;
}

void TvListingCache::Keep(const std::string& path, const FileIdentity& identity,
                          std::shared_ptr<const TvSchedule> schedule) {
  path_ = path;
  identity_ = identity;
  schedule_ = std::move(schedule);
}

std::shared_ptr<const TvSchedule> LoadTvSchedule(const std::string& path, TvListingCache* cache) {
  const FileStatus status = StatFile(path);
  if (status.state != FileState::kReadable) throw Exception("No TV listing file " + path);
  if (cache) {
    if (auto kept = cache->Find(path, status.identity)) return kept;
  }
  if (status.identity.size > kMaxListingBytes) throw Exception("The TV listing is too large");
  auto schedule = std::make_shared<const TvSchedule>(ReadXmltv(ReadListing(path)));
  if (cache) cache->Keep(path, status.identity, schedule);
  return schedule;
}

}  // namespace zelmo
