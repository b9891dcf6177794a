#pragma once

#include <string_view>

#include "shell/base/display_entry.h"

namespace zelmo {

// Whether a descriptor writes to the systemd journal. The service manager
// names the journal's stream in JOURNAL_STREAM as "<device>:<inode>"; only a
// descriptor that is still that very stream counts, so output redirected
// elsewhere by a script under the service stays plain.
bool IsJournalStream(int fd, const char* journal_stream);

// The syslog priority prefix the journal reads off the front of a line, so
// that journalctl -p can pick out what matters: <3> error, <4> warning,
// <5> notice, <6> info.
std::string_view SyslogPrefix(TextClass text_class);

}  // namespace zelmo
