#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "shell/channel_log_writer.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::string FileText(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The writer's notices; a test may hold the writer's thread inside one.
struct Notices {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<std::string, TextClass>> told;
  bool hold = false;

  ChannelLogNotice Callback() {
    return [this](const std::string& text, TextClass text_class) {
      std::unique_lock lock(mutex);
      told.emplace_back(text, text_class);
      changed.notify_all();
      changed.wait_for(lock, std::chrono::seconds(10), [this] { return !hold; });
    };
  }
  bool AwaitCount(std::size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return told.size() >= count; });
  }
  void Release() {
    std::lock_guard lock(mutex);
    hold = false;
    changed.notify_all();
  }
};

const std::time_t kNoon = LocalTime(2026, 6, 10, 12, 0, 0);

class ChannelLogWriterTest : public ::testing::Test {
 protected:
  ChannelLogSettings Settings(int keep_days = 0, std::size_t queue_lines = 10000) {
    return {dir.Path() + "logs", keep_days, queue_lines};
  }
  std::string Log(const std::string& channel_file, const std::string& day) {
    return FileText(dir.Path() + "logs/" + channel_file + "/" + day + ".log");
  }
  TempDir dir;
  Notices notices;
};

TEST_F(ChannelLogWriterTest, ADayChangeStartsNewFilesForEachChannel) {
  const std::time_t before = LocalTime(2026, 6, 10, 23, 59, 58);
  {
    ChannelLogWriter writer(Settings(), notices.Callback(), kNoon);
    writer.Post("#One", before, "<bob> late");
    writer.Post("#two", before + 1, "<alice> later");
    writer.Post("#One", before + 3, "<bob> early");
    ASSERT_TRUE(writer.WaitIdle(5000));
  }
  EXPECT_EQ(Log("#one", "2026-06-10"), "[23:59:58] <bob> late\n");
  EXPECT_EQ(Log("#one", "2026-06-11"), "[00:00:01] <bob> early\n");
  EXPECT_EQ(Log("#two", "2026-06-10"), "[23:59:59] <alice> later\n");
  struct stat info {};
  ASSERT_EQ(stat((dir.Path() + "logs/#one/2026-06-10.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(notices.told.empty());
}

TEST_F(ChannelLogWriterTest, KeepDaysRemovesOlderDayFilesOnly) {
  mkdir((dir.Path() + "logs").c_str(), 0700);
  mkdir((dir.Path() + "logs/#old").c_str(), 0700);
  for (const char* name : {"2026-06-07.log", "2026-06-08.log", "2026-06-09.log", "notes.txt"}) {
    std::ofstream(dir.Path() + "logs/#old/" + name) << "x\n";
  }
  {
    // Swept at start, with nothing logged yet.
    ChannelLogWriter writer(Settings(2), notices.Callback(), LocalTime(2026, 6, 9, 12, 0, 0));
    ASSERT_TRUE(writer.WaitIdle(5000));
  }
  EXPECT_FALSE(dir.Exists("logs/#old/2026-06-07.log"));
  EXPECT_TRUE(dir.Exists("logs/#old/2026-06-08.log"));
  {
    // And at the first line of a new day.
    ChannelLogWriter writer(Settings(2), notices.Callback(), LocalTime(2026, 6, 9, 12, 0, 0));
    writer.Post("#old", LocalTime(2026, 6, 10, 12, 0, 0), "<bob> hi");
    ASSERT_TRUE(writer.WaitIdle(5000));
  }
  EXPECT_FALSE(dir.Exists("logs/#old/2026-06-07.log"));
  EXPECT_FALSE(dir.Exists("logs/#old/2026-06-08.log"));
  EXPECT_TRUE(dir.Exists("logs/#old/2026-06-09.log"));
  EXPECT_TRUE(dir.Exists("logs/#old/2026-06-10.log"));
  EXPECT_TRUE(dir.Exists("logs/#old/notes.txt"));
}

// A folder that cannot be written (a file stands where it should be, which
// stops root too) is one Dangerous line; the lines of the next minute are
// counted, and once the folder can be written the count follows.
TEST_F(ChannelLogWriterTest, AnUnwritableFolderIsOneLineThenLoggingResumes) {
  dir.Write("logs", "in the way");
  const std::time_t start = LocalTime(2026, 6, 10, 12, 0, 0);
  ChannelLogWriter writer(Settings(), notices.Callback(), kNoon);
  for (int i = 0; i < 5; ++i) writer.Post("#room", start + i, "<bob> lost " + std::to_string(i));
  ASSERT_TRUE(writer.WaitIdle(5000));
  ASSERT_EQ(notices.told.size(), 1u);
  EXPECT_EQ(notices.told[0].second, Dangerous);
  EXPECT_NE(notices.told[0].first.find("Channel log: cannot write " + dir.Path() + "logs"),
            std::string::npos)
      << notices.told[0].first;

  ASSERT_EQ(unlink((dir.Path() + "logs").c_str()), 0);
  writer.Post("#room", start + ChannelLogWriter::kRetrySeconds, "<bob> back");
  ASSERT_TRUE(writer.WaitIdle(5000));
  EXPECT_EQ(Log("#room", "2026-06-10"), "[12:01:00] <bob> back\n[12:01:00] -- 5 lines lost\n");
  ASSERT_EQ(notices.told.size(), 2u);
  EXPECT_EQ(notices.told[1].second, Important);
}

// The writer's thread is held (inside its notice of a failed write) while
// the user-interface side goes on posting: the queue takes its bound, the
// rest is counted per channel and the counts written once there is room.
TEST_F(ChannelLogWriterTest, AFullQueueCountsTheLinesItCannotTake) {
  dir.Write("logs", "in the way");
  const std::time_t start = LocalTime(2026, 6, 10, 12, 0, 0);
  notices.hold = true;
  ChannelLogWriter writer(Settings(0, 100), notices.Callback(), kNoon);
  writer.Post("#room", start, "<bob> first");
  ASSERT_TRUE(notices.AwaitCount(1));
  ASSERT_EQ(unlink((dir.Path() + "logs").c_str()), 0);
  const std::time_t later = start + ChannelLogWriter::kRetrySeconds;
  for (int i = 0; i < 130; ++i) writer.Post("#room", later, "<bob> " + std::to_string(i));
  for (int i = 0; i < 7; ++i) writer.Post("#other", later, "<alice> " + std::to_string(i));
  notices.Release();
  ASSERT_TRUE(writer.WaitIdle(5000));

  const std::string room = Log("#room", "2026-06-10");
  EXPECT_EQ(std::count(room.begin(), room.end(), '\n'), 101);
  EXPECT_TRUE(room.starts_with("[12:01:00] <bob> 0\n")) << room.substr(0, 40);
  EXPECT_TRUE(room.ends_with("<bob> 99\n[12:01:00] -- 31 lines lost\n"));
  EXPECT_EQ(Log("#other", "2026-06-10"), "[12:01:00] -- 7 lines lost\n");
}

// After a rotation moved the file away, the next line starts a new one.
TEST_F(ChannelLogWriterTest, ReopenFollowsARotatedFile) {
  ChannelLogWriter writer(Settings(), notices.Callback(), kNoon);
  writer.Post("#room", kNoon, "<bob> before");
  ASSERT_TRUE(writer.WaitIdle(5000));
  const std::string file = dir.Path() + "logs/#room/2026-06-10.log";
  ASSERT_EQ(rename(file.c_str(), (file + ".1").c_str()), 0);
  writer.Reopen();
  writer.Post("#room", kNoon + 1, "<bob> after");
  ASSERT_TRUE(writer.WaitIdle(5000));
  EXPECT_EQ(FileText(file + ".1"), "[12:00:00] <bob> before\n");
  EXPECT_EQ(FileText(file), "[12:00:01] <bob> after\n");
}

}  // namespace
}  // namespace zelmo
