#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "shell/base/display.h"
#include "shell/channel_log_lines.h"

namespace zelmo {

struct ChannelLogSettings {
  std::string folder;  // a full path
  int keep_days = 0;   // 0 keeps every file
  std::size_t queue_lines = 10000;
  bool operator==(const ChannelLogSettings&) const = default;
};

// A line for the operator's display, told on the writer's thread.
using ChannelLogNotice = std::function<void(const std::string& text, TextClass text_class)>;

// Writes channel log lines on a thread of its own, so a slow disk never holds
// up the user-interface thread: lines wait in a bounded queue, and a line that
// finds it full is counted, the count written to its channel's log once the
// queue has drained. Each channel has a file per local day,
// <folder>/<channel>/<YYYY-MM-DD>.log, opened append-only with mode 0600. A
// failed write is told once; lines are then counted as lost, and writing is
// tried again a minute (by the lines' time) later.
class ChannelLogWriter {
 public:
  // Old day files are swept at once, taking `now` as today, and again at the
  // first line of each day.
  ChannelLogWriter(ChannelLogSettings settings, ChannelLogNotice notice, std::time_t now);
  // Writes what is queued, for at most kStopDrainSeconds, then ends the thread.
  ~ChannelLogWriter();
  ChannelLogWriter(const ChannelLogWriter&) = delete;
  ChannelLogWriter& operator=(const ChannelLogWriter&) = delete;

  // Never waits for the disk.
  void Post(const std::string& channel, std::time_t when, std::string text);
  // Closes the open files before the next line, so a rotated file is
  // followed by a new one.
  void Reopen();
  // Waits, at most `limit_ms`, until every queued line is written; true when
  // it was.
  bool WaitIdle(int limit_ms);
  const ChannelLogSettings& Settings() const { return settings_; }

  // Beside the lines' bound: a line is at most about 1 KiB (each part of a
  // server's line is cut at 512 bytes), so this binds only a large QueueLines.
  static constexpr std::size_t kMaxQueueBytes = 16 * 1024 * 1024;
  static constexpr std::size_t kMaxOpenFiles = 64;
  static constexpr std::size_t kMaxLostChannels = 256;
  static constexpr int kRetrySeconds = 60;
  static constexpr int kStopDrainSeconds = 2;

 private:
  struct Entry {
    std::string channel;
    std::time_t when;
    std::string text;
    unsigned long long lost = 0;  // a count of lost lines, which is the text
  };
  struct OpenFile {
    std::string day;
    int fd = -1;
  };

  void Run();
  void WriteBatch(std::deque<Entry>& batch, std::map<std::string, unsigned long long>& lost);
  void WriteEntry(const Entry& entry);
  // Writes the line to the channel's file for its day, opening it when it is
  // not; 0, or the error number with `path` naming the file or folder.
  int WriteLine(const std::string& channel, const log_line::Stamp& stamp, const std::string& line,
                std::string& path);
  static int WriteAll(int fd, const std::string& line);
  bool StopDrainOver();
  void Sweep(const std::string& today);
  void CloseFiles();
  void CountLost(const std::string& channel, unsigned long long count);

  const ChannelLogSettings settings_;
  const ChannelLogNotice notice_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Entry> queue_;
  std::size_t queue_bytes_ = 0;
  std::map<std::string, unsigned long long> lost_;  // by channel, at most kMaxLostChannels
  unsigned long long lost_elsewhere_ = 0;           // of channels past that bound
  bool stopping_ = false;
  bool busy_ = false;
  bool reopen_ = false;
  std::chrono::steady_clock::time_point stop_deadline_;

  // The writer's thread alone.
  const std::time_t started_;
  std::map<std::string, OpenFile> files_;
  std::string swept_day_;
  bool failing_ = false;
  std::time_t failed_at_ = 0;

  std::thread thread_;
};

}  // namespace zelmo
