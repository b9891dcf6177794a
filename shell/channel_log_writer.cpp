#include "shell/channel_log_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "shell/channel_log_lines.h"

namespace zelmo {

namespace {

// A folder that is there already is fine; anything else is the error.
int MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return 0;
  return errno;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// The names in a folder, "." and ".." left out.
std::vector<std::string> Names(const std::string& path) {
  std::vector<std::string> names;
  Dir dir(opendir(path.c_str()));
  if (!dir) return names;
  while (dirent* entry = readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  return names;
}

// Append-only, never through a link, and never anything but a plain file: a
// FIFO put in a file's place would hold the writer for good.
int OpenLogFile(const std::string& path) {
  const int fd =
      open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return -errno;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -EINVAL;
  }
  return fd;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

ChannelLogWriter::ChannelLogWriter(ChannelLogSettings settings, ChannelLogNotice notice,
                                   std::time_t now)
    : settings_(std::move(settings)),
      notice_(std::move(notice)),
      started_(now),
      thread_([this] { Run(); }) {}

ChannelLogWriter::~ChannelLogWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    stop_deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(kStopDrainSeconds);
  }
  wake_.notify_all();
  thread_.join();
  CloseFiles();
}

void ChannelLogWriter::Post(const std::string& channel, std::time_t when, std::string text) {
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= settings_.queue_lines || queue_bytes_ + text.size() > kMaxQueueBytes) {
      CountLost(channel, 1);
      return;
    }
    queue_bytes_ += text.size();
    queue_.push_back({channel, when, std::move(text)});
  }
  wake_.notify_one();
}

void ChannelLogWriter::Reopen() {
  std::lock_guard lock(mutex_);
  reopen_ = true;
}

bool ChannelLogWriter::WaitIdle(int limit_ms) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(limit_ms),
                        [this] { return queue_.empty() && !busy_; });
}

// Under the mutex.
void ChannelLogWriter::CountLost(const std::string& channel, unsigned long long count) {
  auto found = lost_.find(channel);
  if (found != lost_.end()) {
    found->second += count;
  } else if (lost_.size() < kMaxLostChannels) {
    lost_.emplace(channel, count);
  } else {
    lost_elsewhere_ += count;
  }
}

void ChannelLogWriter::Run() {
  swept_day_ = log_line::LocalStamp(started_).day;
  Sweep(swept_day_);
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) break;
    std::deque<Entry> batch;
    batch.swap(queue_);
    queue_bytes_ = 0;
    std::map<std::string, unsigned long long> lost;
    lost.swap(lost_);
    const unsigned long long elsewhere = std::exchange(lost_elsewhere_, 0);
    const bool reopen = std::exchange(reopen_, false);
    busy_ = true;
    lock.unlock();
    if (reopen) CloseFiles();
    WriteBatch(batch, lost);
    if (elsewhere > 0) {
      notice_("Channel log: " + std::to_string(elsewhere) + " lines of further channels lost",
              Dangerous);
    }
    lock.lock();
    busy_ = false;
    if (queue_.empty()) idle_.notify_all();
  }
  busy_ = false;
  idle_.notify_all();
}

void ChannelLogWriter::WriteBatch(std::deque<Entry>& batch,
                                  std::map<std::string, unsigned long long>& lost) {
  for (const Entry& entry : batch) {
    if (StopDrainOver()) return;
    WriteEntry(entry);
  }
  // The count follows the lines that went before the ones lost.
  const std::time_t when = batch.back().when;
  for (const auto& [channel, count] : lost)
    WriteEntry({channel, when, log_line::Lost(count), count});
}

bool ChannelLogWriter::StopDrainOver() {
  std::lock_guard lock(mutex_);
  return stopping_ && std::chrono::steady_clock::now() > stop_deadline_;
}

void ChannelLogWriter::WriteEntry(const Entry& entry) {
  const unsigned long long lines = entry.lost > 0 ? entry.lost : 1;
  if (failing_ && entry.when < failed_at_ + kRetrySeconds) {
    std::lock_guard lock(mutex_);
    CountLost(entry.channel, lines);
    return;
  }
  const log_line::Stamp stamp = log_line::LocalStamp(entry.when);
  if (stamp.day != swept_day_) {
    swept_day_ = stamp.day;
    Sweep(stamp.day);
  }
  std::string path;
  const int error =
      WriteLine(entry.channel, stamp, log_line::FileLine(stamp.time, entry.text), path);
  if (error == 0) {
    if (failing_) notice_("Channel log: writing again to " + settings_.folder, Important);
    failing_ = false;
    return;
  }
  if (!failing_) {
    notice_("Channel log: cannot write " + path + ": " + std::strerror(error), Dangerous);
  }
  failing_ = true;
  failed_at_ = entry.when;
  std::lock_guard lock(mutex_);
  CountLost(entry.channel, lines);
}

int ChannelLogWriter::WriteLine(const std::string& channel, const log_line::Stamp& stamp,
                                const std::string& line, std::string& path) {
  const std::string folder = settings_.folder + "/" + log_line::SafeChannelFileName(channel);
  path = folder + "/" + stamp.day + ".log";
  OpenFile& file = files_[channel];
  if (file.fd >= 0 && file.day != stamp.day) {
    close(file.fd);
    file.fd = -1;
  }
  if (file.fd < 0) {
    if (files_.size() > kMaxOpenFiles) {
      CloseFiles();
      return WriteLine(channel, stamp, line, path);
    }
    for (const std::string& needed : {settings_.folder, folder}) {
      if (int error = MakeFolder(needed)) {
        path = needed;
        return error;
      }
    }
    file.fd = OpenLogFile(path);
    if (file.fd < 0) return -file.fd;
    file.day = stamp.day;
  }
  return WriteAll(file.fd, line);
}

int ChannelLogWriter::WriteAll(int fd, const std::string& line) {
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t written = write(fd, line.data() + done, line.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(written);
  }
  return 0;
}

// Removes the day files older than the days kept, in every channel's folder.
void ChannelLogWriter::Sweep(const std::string& today) {
  if (settings_.keep_days <= 0) return;
  const std::string oldest_kept = log_line::DaysBefore(today, settings_.keep_days - 1);
  if (oldest_kept.empty()) return;
  for (const std::string& channel : Names(settings_.folder)) {
    const std::string folder = settings_.folder + "/" + channel;
    if (!IsFolder(folder)) continue;
    for (const std::string& name : Names(folder)) {
      if (log_line::IsDayFileName(name) && name.substr(0, 10) < oldest_kept) {
        unlink((folder + "/" + name).c_str());
      }
    }
  }
}

void ChannelLogWriter::CloseFiles() {
  for (auto& [channel, file] : files_) {
    if (file.fd >= 0) close(file.fd);
  }
  files_.clear();
}

}  // namespace zelmo
