#pragma once

#include <memory>
#include <string>

#include "channel/lookup_bounds.h"
#include "channel/tv_schedule.h"
#include "shell/base/ini_disk.h"

namespace zelmo {

// The schedule of the XMLTV file last read, kept while the file on disk is
// the same (device, inode, size and modification and change times): a
// grabber rewrites the file now and then, and only then is it parsed again.
class TvListingCache {
 public:
  std::shared_ptr<const TvSchedule> Find(const std::string& path,
                                         const FileIdentity& identity) const;
  void Keep(const std::string& path, const FileIdentity& identity,
            std::shared_ptr<const TvSchedule> schedule);

 private:
  std::string path_;
  FileIdentity identity_;
  std::shared_ptr<const TvSchedule> schedule_;
};

// The schedule in the XMLTV file, from the cache when the file is unchanged.
// Raises for a file that is missing, unreadable, not a regular file, larger
// than kMaxListingBytes, or that ReadXmltv refuses. Without a cache the file
// is parsed every time.
std::shared_ptr<const TvSchedule> LoadTvSchedule(const std::string& path, TvListingCache* cache);

}  // namespace zelmo
