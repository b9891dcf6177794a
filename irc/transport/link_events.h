#pragma once

namespace zelmo {

// What a connection tells its owner about its link. Both methods do nothing
// unless overridden. OnDisconnected comes on whichever thread noticed the
// closing first (a reader, a writer or the owner's own), so a listener that
// works on one thread hands it over from there.
class LinkEvents {
 public:
  virtual ~LinkEvents() = default;

  // The link has just opened; it is up while this runs. An error raised
  // here closes it again and reaches the caller of the connect.
  virtual void OnConnected() {}
  // The link went down; told once however many threads noticed it.
  virtual void OnDisconnected() {}
};

}  // namespace zelmo
