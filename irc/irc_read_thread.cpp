#include "irc/irc_read_thread.h"

#include "irc/irc_client.h"

namespace zelmo {

TIdIRCReadThread::TIdIRCReadThread(TIdIRC& owner, Poster post)
    : owner_(owner),
      link_(owner.CurrentLink()),
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
  while (!Terminated() && ReadOneLine()) {
  }
  finished_.store(true, std::memory_order_release);
}

// One step: read a line, hand it over, check that the link is still open.
// Returns false when the thread is to end.
bool TIdIRCReadThread::ReadOneLine() {
  std::string line;
  try {
    line = owner_.ReceiveLine(link_, "\n", -1, -1);
  } catch (const EIdReadLnMaxLineLengthExceeded& error) {
    // The bytes of the overlong line stay in the input buffer: drop them up
    // to their line feed, or the next read would fail on them again.
    std::string message = error.what();
    try {
      SkipOverlongLine();
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
  if (!HandOver([this, &line] { owner_.HandleLineReportingFailure(line); })) return false;
  try {
    owner_.VerifyLinkOpen(link_, IfLinkDown::RaiseWhenDrained);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool TIdIRCReadThread::HandOver(const std::function<void()>& task) {
  return gate_.Call([this, &task] {
    if (!Terminated()) task();
  });
}

void TIdIRCReadThread::SkipOverlongLine() {
  OverlongLineAction saved = owner_.MaxLineAction;
  owner_.MaxLineAction = OverlongLineAction::maSplit;
  struct Restore {
    TIdIRC& owner;
    OverlongLineAction action;
    ~Restore() { owner.MaxLineAction = action; }
  } restore{owner_, saved};
  do {
    owner_.ReceiveLine(link_, "\n", -1, -1);
  } while (owner_.ReadLnSplit() && !Terminated());
}

}  // namespace zelmo
