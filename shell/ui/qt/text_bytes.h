#pragma once

#include <QString>
#include <string>

namespace zelmo {

// A text of the logic as the toolkit draws it (DecodeDisplayText).
QString TextFromBytes(const std::string& bytes);

// A display line as the log shows it: CR and LF as their visible symbols.
QString LogLineFromBytes(const std::string& bytes);

// What the operator typed, handed to the logic as UTF-8.
std::string BytesFromText(const QString& text);

// The first max_units UTF-16 units of a text, never splitting a surrogate
// pair.
QString CutText(const QString& text, qsizetype max_units);

}  // namespace zelmo
