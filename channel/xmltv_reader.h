#pragma once

#include <string_view>

#include "channel/tv_schedule.h"

namespace zelmo {

// The programmes of an XMLTV document (root element "tv"): for each
// "programme" its "channel", "start" and optional "stop", and its first
// "title", or the first with lang="fi" when there is one; blanks and line
// breaks in a title become single blanks.
//
// Raises for a document that is not well-formed XML, not XMLTV, or has a
// programme without a channel or with a start or stop that is no XMLTV time,
// and for more than kMaxListingProgrammes programmes.
// It also raises for any entity declaration and any reference to an entity
// it does not know: a listing needs neither, and refusing them keeps out
// entities that expand without bound and entities that name other files. The
// parser reads nothing but the text it is given.
TvSchedule ReadXmltv(std::string_view document);

}  // namespace zelmo
