#pragma once

namespace zelmo {

// Opens /dev/null on any of descriptors 0, 1 and 2 that the program was
// started without, so that no socket or file opened later takes one of
// their numbers and gets console input or display lines.
void EnsureStandardStreams();

}  // namespace zelmo
