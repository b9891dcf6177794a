#include "shell/ui/qt/text_bytes.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace zelmo {

QString TextFromBytes(const std::string& bytes) {
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  // Stateless: a sequence cut off at the end is an error, not a remainder
  // kept for a next call. A leading byte order mark is text as sent.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(view);
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(view);
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
