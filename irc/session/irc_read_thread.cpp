#include "irc/session/irc_read_thread.h"

#include <algorithm>
#include <climits>

#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_client.h"
#include "irc/session/irc_send_thread.h"

namespace zelmo {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

TIdIRCReadThread::TIdIRCReadThread(TIdIRC& owner, Poster post)
    : owner_(owner),
      link_(owner.CurrentLink()),
      sender_(owner.sender_.get()),
      next_check_(sender_ ? sender_->NextKeepaliveCheck() : std::nullopt),
      inline_(!post),
      gate_(post ? std::move(post) : [](std::function<void()> task) { task(); }),
      thread_([this] { Run(); }) {}

TIdIRCReadThread::~TIdIRCReadThread() {
  Terminate();
  if (thread_.joinable()) thread_.join();
}

void TIdIRCReadThread::Terminate() {
  terminated_.store(true, std::memory_order_release);
  gate_.Cancel();
}

void TIdIRCReadThread::Run() {
  while (!Terminated() && ReadBatch()) {
  }
  finished_.store(true, std::memory_order_release);
}

// One step: read a line, hand it over with those buffered behind it, check
// that the link is still open. Returns false when the thread is to end.
bool TIdIRCReadThread::ReadBatch() {
  std::string line;
  try {
    line = owner_.ReceiveLine(link_, "\n", KeepaliveWait(), -1);
  } catch (const EIdReadLnMaxLineLengthExceeded& error) {
    // The bytes of the overlong line stay in the input buffer: drop them up
    // to their line feed, or the next read would fail on them again.
    std::string message = error.what();
    try {
      if (!SkipOverlongLine()) return false;
    } catch (const std::exception&) {
      return false;
    }
    return HandOver(
        [this, message] { owner_.ReportReadError("Dropped a server line: ", message); });
  } catch (const EIdSocketError&) {
    // A reset or another receive error: the link is gone even though the
    // transport did not close it, so close it here and let the disconnect
    // notice go out.
    owner_.CloseLink(link_);
    return false;
  } catch (const std::exception&) {
    return false;  // closed gracefully, or the link was closed locally
  }
  if (Terminated()) return false;
  if (owner_.ReadLnTimedOut()) return KeepAlive();
  CollectBatch(std::move(line));
  if (!HandOver([this] { HandleBatch(); })) return false;
  try {
    owner_.VerifyLinkOpen(link_, IfLinkDown::RaiseWhenDrained);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void TIdIRCReadThread::CollectBatch(std::string first) {
  batch_.clear();
  std::size_t bytes = first.size();
  batch_.push_back(std::move(first));
  while (batch_.size() < kMaxBatchLines && bytes < kMaxBatchBytes) {
    std::optional<std::string> next = owner_.TakeBufferedLine(link_);
    if (!next) break;
    bytes += next->size();
    batch_.push_back(std::move(*next));
  }
}

void TIdIRCReadThread::HandleBatch() {
  for (const std::string& line : batch_) {
    // A line whose handling ended this link leaves the rest unhandled, as
    // they would be had they arrived after it.
    if (Terminated()) return;
    owner_.HandleLineReportingFailure(line);
  }
}

bool TIdIRCReadThread::HandOver(const std::function<void()>& task) {
  return gate_.Call([this, &task] {
    if (!Terminated()) task();
  });
}

bool TIdIRCReadThread::SkipOverlongLine() {
  OverlongLineAction saved = owner_.MaxLineAction;
  owner_.MaxLineAction = OverlongLineAction::maSplit;
  struct Restore {
    TIdIRC& owner;
    OverlongLineAction action;
    ~Restore() { owner.MaxLineAction = action; }
  } restore{owner_, saved};
  do {
    owner_.ReceiveLine(link_, "\n", KeepaliveWait(), -1);
    if (owner_.ReadLnTimedOut() && !KeepAlive()) return false;
  } while ((owner_.ReadLnSplit() || owner_.ReadLnTimedOut()) && !Terminated());
  return true;
}

// At least a millisecond: a wait of 0 would be a wait without limit.
int TIdIRCReadThread::KeepaliveWait() const {
  if (!next_check_) return -1;
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(*next_check_ - Clock::now()).count();
  return static_cast<int>(std::clamp<decltype(left)>(left, 1, INT_MAX));
}

bool TIdIRCReadThread::KeepAlive() {
  if (!sender_) return true;
  const bool alive = sender_->KeepAlive();
  next_check_ = sender_->NextKeepaliveCheck();
  return alive;
}

}  // namespace zelmo
