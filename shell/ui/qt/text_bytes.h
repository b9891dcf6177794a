#pragma once

#include <QString>
#include <string>

namespace zelmo {

// The logic's texts are bytes: people on IRC mostly send UTF-8, while the
// bot's own texts and older clients use single-byte Latin-1. A text that is
// valid UTF-8 is read as such, anything else byte by byte as Latin-1.
QString TextFromBytes(const std::string& bytes);

// What the operator typed, handed to the logic as UTF-8.
// A display line as the log shows it: CR and LF as their visible symbols.
QString LogLineFromBytes(const std::string& bytes);

std::string BytesFromText(const QString& text);

// The first max_units UTF-16 units of a text, never splitting a surrogate
// pair.
QString CutText(const QString& text, qsizetype max_units);

}  // namespace zelmo
