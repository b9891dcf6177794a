#include "irc/irc_send_thread.h"

#include <poll.h>

#include <algorithm>

namespace zelmo {

namespace {

constexpr auto kImmediateWait = std::chrono::seconds(3);
constexpr auto kImmediatePoll = std::chrono::milliseconds(10);

}  // namespace

TIdIRCSendThread::TIdIRCSendThread(TIdTCPConnection& connection, const SendSettings& settings)
    : connection_(connection),
      link_(connection.CurrentLink()),
      pacing_(settings.burst, SendPacing::Duration(settings.interval_ms)),
      keepalive_(std::chrono::seconds(std::max(settings.ping_interval_s, 0)), Clock::now()),
      thread_([this] { Run(); }) {}

TIdIRCSendThread::~TIdIRCSendThread() {
  Terminate();
  if (thread_.joinable()) thread_.join();
}

void TIdIRCSendThread::Terminate() {
  {
    std::lock_guard lock(mutex_);
    terminated_ = true;
  }
  wake_.notify_all();
}

bool TIdIRCSendThread::Submit(const std::string& line, SendKind kind) {
  if (kind == SendKind::Immediate) {
    // Polled rather than a timed lock, which the thread checker misreads.
    std::unique_lock write(write_mutex_, std::try_to_lock);
    const auto give_up = Clock::now() + kImmediateWait;
    while (!write.owns_lock() && Clock::now() < give_up) {
      std::this_thread::sleep_for(kImmediatePoll);
      write.try_lock();
    }
    if (write.owns_lock()) connection_.SendLine(link_, line);
    return false;
  }
  if (auto dropping = QueueUnlessUnpaced(line, kind)) return *dropping;
  // The thread may be writing a line that was due; this one goes after it.
  std::lock_guard write(write_mutex_);
  if (auto dropping = QueueUnlessUnpaced(line, kind)) return *dropping;
  connection_.SendLine(link_, line);
  return false;
}

std::optional<bool> TIdIRCSendThread::QueueUnlessUnpaced(const std::string& line, SendKind kind) {
  std::unique_lock lock(mutex_);
  if (pacing_.SendsAtOnce(Clock::now())) return std::nullopt;
  const bool dropping = pacing_.Push(line, kind);
  lock.unlock();
  wake_.notify_all();
  return dropping;
}

void TIdIRCSendThread::Delay(int milliseconds) {
  {
    std::lock_guard lock(mutex_);
    pacing_.Delay(SendPacing::Duration(milliseconds), Clock::now());
  }
  wake_.notify_all();
}

void TIdIRCSendThread::Run() {
  std::unique_lock lock(mutex_);
  while (!terminated_) {
    if (!KeepAlive(lock)) return;
    const auto due = pacing_.NextDue();
    if (due && *due <= Clock::now()) {
      lock.unlock();
      const bool go_on = WriteDue();
      lock.lock();
      if (!go_on) return;
      continue;
    }
    auto wake_at = keepalive_.NextCheck();
    if (due) wake_at = wake_at ? std::min(*wake_at, *due) : *due;
    if (wake_at) {
      wake_.wait_until(lock, *wake_at);
    } else {
      wake_.wait(lock);
    }
  }
}

bool TIdIRCSendThread::WriteDue() {
  std::lock_guard write(write_mutex_);
  std::optional<std::string> line;
  {
    std::lock_guard lock(mutex_);
    if (terminated_) return false;
    line = pacing_.Take(Clock::now());
  }
  if (!line) return true;
  try {
    connection_.SendLine(link_, *line);
  } catch (const EIdSocketError&) {
    // The link is of no further use: closing it reports the loss.
    connection_.CloseLink(link_);
    return false;
  } catch (const std::exception&) {
    return false;  // closed, by either side
  }
  return true;
}

bool TIdIRCSendThread::KeepAlive(std::unique_lock<std::mutex>& lock) {
  const auto now = Clock::now();
  keepalive_.Heard(connection_.LastReceipt());
  switch (keepalive_.Check(now)) {
    case Keepalive::Step::Wait:
      return true;
    case Keepalive::Step::SendPing:
      pacing_.Push("PING :ZelmoBot-" + std::to_string(++pings_), SendKind::Urgent);
      return true;
    case Keepalive::Step::LinkLost:
      break;
  }
  // Bytes the reader has not taken yet (it waits while the user-interface
  // thread is busy) are an answer too.
  if (!StillSilent()) {
    keepalive_.Heard(now);
    return true;
  }
  terminated_ = true;
  lock.unlock();
  connection_.CloseLink(link_);
  lock.lock();
  return false;
}

bool TIdIRCSendThread::StillSilent() const {
  if (!link_.handler) return true;
  pollfd entry{link_.handler->Binding().Fd(), POLLIN, 0};
  return ::poll(&entry, 1, 0) <= 0;
}

}  // namespace zelmo
