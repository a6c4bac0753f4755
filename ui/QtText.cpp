#include "ui/QtText.h"

#include <optional>

#include "platform/Sjis.h"
#include "text/ByteState.h"

namespace quillet::ui {

QString ToQString(std::string_view sjis) {
  if (std::optional<std::string> utf8 = platform::SjisToUtf8(sjis)) {
    return QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size()));
  }
  // Some character has no Unicode form: convert one character at a time so
  // that only the bad ones are replaced.
  QString text;
  text.reserve(static_cast<qsizetype>(sjis.size()));
  for (std::size_t pos = 0; pos < sjis.size();) {
    const std::size_t length = CharLengthAt(sjis, pos);
    if (std::optional<std::string> one = platform::SjisToUtf8(sjis.substr(pos, length))) {
      text += QString::fromUtf8(one->data(), static_cast<qsizetype>(one->size()));
    } else {
      text += QChar(QChar::ReplacementCharacter);
    }
    pos += length;
  }
  return text;
}

std::string FromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  if (std::optional<std::string> sjis =
          platform::Utf8ToSjis(std::string_view(utf8.constData(), utf8.size()))) {
    return *std::move(sjis);
  }
  // Some character has no Shift-JIS form: convert one code point at a time,
  // a surrogate pair being one character.
  std::string result;
  result.reserve(static_cast<std::size_t>(utf8.size()));
  for (qsizetype i = 0; i < text.size();) {
    const bool pair =
        text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    const qsizetype length = pair ? 2 : 1;
    const QByteArray one = text.mid(i, length).toUtf8();
    if (std::optional<std::string> sjis =
            platform::Utf8ToSjis(std::string_view(one.constData(), one.size()))) {
      result += *sjis;
    } else {
      result += '?';
    }
    i += length;
  }
  return result;
}

}  // namespace quillet::ui
