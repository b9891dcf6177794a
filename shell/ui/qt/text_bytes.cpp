#include "shell/ui/qt/text_bytes.h"

#include "shell/base/display_text.h"

namespace zelmo {

QString TextFromBytes(const std::string& bytes) {
  const std::u32string characters = DecodeDisplayText(bytes);
  QString text;
  text.reserve(static_cast<qsizetype>(characters.size()));
  for (char32_t character : characters) {
    if (QChar::requiresSurrogates(character)) {
      text += QChar(QChar::highSurrogate(character));
      text += QChar(QChar::lowSurrogate(character));
    } else {
      text += QChar(static_cast<char16_t>(character));
    }
  }
  return text;
}

QString LogLineFromBytes(const std::string& bytes) {
  // A line break inside a log line would split it in the view: show the
  // characters as their visible symbols instead, like the other controls.
  QString text = TextFromBytes(bytes);
  text.replace(QChar(u'\r'), QChar(0x240D));
  text.replace(QChar(u'\n'), QChar(0x2424));
  return text;
}

std::string BytesFromText(const QString& text) {
  return text.toStdString();
}

QString CutText(const QString& text, qsizetype max_units) {
  if (text.size() <= max_units) return text;
  qsizetype end = max_units;
  if (end > 0 && text.at(end - 1).isHighSurrogate()) --end;
  return text.left(end);
}

}  // namespace zelmo
