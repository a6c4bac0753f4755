#include "platform/NameCodec.h"

#include "platform/Sjis.h"

namespace quillet::platform {

std::optional<std::string> NativeNameToSjis(std::string_view native_name) {
  if (native_name.find('\\') != std::string_view::npos) return std::nullopt;
  auto sjis = Utf8ToSjis(native_name);
  if (!sjis) return std::nullopt;
  auto back = SjisToUtf8(*sjis);
  if (!back || *back != native_name) return std::nullopt;
  return sjis;
}

namespace {

// The length of the UTF-8 character at the start of `text`, or 0 when it
// does not start with a whole, well-formed one.
std::size_t Utf8CharLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string NativeNameToListed(std::string_view native_name) {
  if (auto whole = NativeNameToSjis(native_name)) return std::move(*whole);
  std::string listed;
  std::size_t i = 0;
  while (i < native_name.size()) {
    const std::size_t length = Utf8CharLength(native_name.substr(i));
    if (length == 0) {
      listed += '?';
      ++i;
      continue;
    }
    // An overlong form or a surrogate fails here and counts as one character.
    auto character = NativeNameToSjis(native_name.substr(i, length));
    listed += character ? *character : std::string("?");
    i += length;
  }
  return listed;
}

}  // namespace quillet::platform
