#include "irc/session/irc_send_thread.h"

#include <poll.h>

#include <algorithm>

#include "irc/session/irc_client.h"

namespace zelmo {

namespace {

constexpr auto kImmediateWait = std::chrono::seconds(3);
constexpr auto kImmediatePoll = std::chrono::milliseconds(10);

}  // namespace

TIdIRCSendThread::TIdIRCSendThread(TIdIRC& owner, const SendSettings& settings)
    : owner_(owner),
      link_(owner.CurrentLink()),
      ping_interval_s_(std::max(settings.ping_interval_s, 0)),
      write_limit_ms_(settings.write_limit_ms),
      pacing_(settings.burst, SendPacing::Duration(settings.interval_ms)),
      keepalive_(std::chrono::seconds(ping_interval_s_), Clock::now()) {
  // Plain and TLS writes alike give up after the limit.
  if (link_.handler) link_.handler->Binding().SetSendTimeout(write_limit_ms_);
  thread_ = std::thread([this] { Run(); });
}

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

SendDrops TIdIRCSendThread::Submit(const std::string& line, SendKind kind,
                                   const std::string& requester) {
  if (kind == SendKind::Immediate) {
    WriteImmediate(line);
    return {};
  }
  // While this thread writes (perhaps to a server that has stopped
  // reading), the line waits behind it rather than the caller.
  std::unique_lock write(write_mutex_, std::try_to_lock);
  if (write.owns_lock() && WritesAtOnce(kind, requester)) {
    Write(line);
    return {};
  }
  return Queue(line, kind, requester);
}

std::size_t TIdIRCSendThread::QueuedLines(const std::string& requester) {
  std::lock_guard lock(mutex_);
  return pacing_.LinesOf(requester);
}

bool TIdIRCSendThread::WritesAtOnce(SendKind kind, const std::string& requester) {
  {
    std::lock_guard lock(mutex_);
    if (!pacing_.SendsAtOnce(Clock::now(), kind, requester)) return false;
  }
  return Writable();
}

// A socket that takes more now has room for one line (at most 512 bytes,
// also as a TLS record), so writing it does not block.
bool TIdIRCSendThread::Writable() const {
  if (!link_.handler) return false;
  pollfd entry{link_.handler->Binding().Fd(), POLLOUT, 0};
  return ::poll(&entry, 1, 0) > 0;
}

SendDrops TIdIRCSendThread::Queue(const std::string& line, SendKind kind,
                                  const std::string& requester) {
  SendDrops drops;
  {
    std::lock_guard lock(mutex_);
    drops = pacing_.Push(line, kind, requester);
  }
  wake_.notify_all();
  return drops;
}

void TIdIRCSendThread::WriteImmediate(const std::string& line) {
  // Polled rather than a timed lock, which the thread checker misreads.
  std::unique_lock write(write_mutex_, std::try_to_lock);
  const auto give_up = Clock::now() + kImmediateWait;
  while (!write.owns_lock() && Clock::now() < give_up) {
    std::this_thread::sleep_for(kImmediatePoll);
    write.try_lock();
  }
  if (write.owns_lock()) owner_.SendLine(link_, line);
}

void TIdIRCSendThread::Delay(int milliseconds, const std::string& requester) {
  {
    std::lock_guard lock(mutex_);
    pacing_.Delay(SendPacing::Duration(milliseconds), Clock::now(), requester);
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
    if (due) wake_at = std::min(wake_at.value_or(*due), *due);
    if (wake_at) {
      wake_.wait_until(lock, *wake_at);
    } else {
      wake_.wait(lock);
    }
  }
}

bool TIdIRCSendThread::KeepAlive() {
  std::unique_lock lock(mutex_);
  return KeepAlive(lock);
}

std::optional<TIdIRCSendThread::Clock::time_point> TIdIRCSendThread::NextKeepaliveCheck() {
  std::lock_guard lock(mutex_);
  return keepalive_.NextCheck();
}

// With mutex_ held; it is let go while the link is closed.
bool TIdIRCSendThread::KeepAlive(std::unique_lock<std::mutex>& lock) {
  const auto now = Clock::now();
  keepalive_.Heard(owner_.LastReceipt());
  switch (keepalive_.Check(now)) {
    case Keepalive::Step::Wait:
      return true;
    case Keepalive::Step::SendPing:
      pacing_.Push("PING :ZelmoBot-" + std::to_string(++pings_), SendKind::Urgent);
      wake_.notify_all();
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
  lock.unlock();
  owner_.LoseLink(link_, "No reply to PING within " + std::to_string(ping_interval_s_) + " s");
  lock.lock();
  return false;
}

bool TIdIRCSendThread::StillSilent() const {
  if (!link_.handler) return true;
  pollfd entry{link_.handler->Binding().Fd(), POLLIN, 0};
  return ::poll(&entry, 1, 0) <= 0;
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
    Write(*line);
  } catch (const EIdSocketError&) {
    // The link is of no further use: closing it reports the loss.
    owner_.CloseLink(link_);
    return false;
  } catch (const std::exception&) {
    return false;  // closed, by either side
  }
  return true;
}

void TIdIRCSendThread::Write(const std::string& line) {
  try {
    owner_.SendLine(link_, line);
  } catch (const EIdSocketError& error) {
    if (error.LastError() == kWsaWouldBlock) {
      owner_.LoseLink(link_, "No byte could be written to the server within " +
                                 std::to_string(write_limit_ms_ / 1000) + " s");
    }
    throw;
  }
}

}  // namespace zelmo
