#pragma once

#include <string>

namespace zelmo {

// What a channel record needs of its owner to send commands: the session
// implements it with its own Kick and Mode, which go out through its Raw.
class ChannelCommandSink {
 public:
  virtual ~ChannelCommandSink() = default;
  virtual void Kick(const std::string& channel, const std::string& nick,
                    const std::string& reason) = 0;
  virtual void Mode(const std::string& target, const std::string& modes,
                    const std::string& parameters) = 0;
};

}  // namespace zelmo
