#pragma once

#include <ctime>
#include <string>

namespace zelmo {

// The local date and time as the system writes it: the short date, a blank
// and the long time of the LC_TIME locale ("%x %X"). Used for display time
// stamps, the CTCP TIME answer and the stored login time.
std::string DateTimeText(std::time_t when);
std::string NowText();

}  // namespace zelmo
