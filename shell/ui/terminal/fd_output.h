#pragma once

#include <string_view>

namespace zelmo {

// Writes all bytes to a descriptor, going on after interruptions and short
// writes and waiting (bounded) while a non-blocking descriptor is full. The
// display has no failure that callers see, so a closed or broken output only
// loses what was written to it.
void WriteFully(int fd, std::string_view data);

}  // namespace zelmo
