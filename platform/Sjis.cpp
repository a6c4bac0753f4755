#include "platform/Sjis.h"

#include <iconv.h>

#include <cerrno>

namespace quillet::platform {

namespace {

// One conversion direction, opened on first use and closed at exit.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != Invalid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The whole of `in` converted, or nullopt when any byte sequence has no
  // form in the target encoding or ends incomplete.
  std::optional<std::string> Convert(std::string_view in) {
    if (cd_ == Invalid()) return std::nullopt;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out(in.size() * 2 + 16, '\0');
    char* in_ptr = const_cast<char*>(in.data());  // iconv does not write through it
    std::size_t in_left = in.size();
    std::size_t done = 0;
    for (;;) {
      char* out_ptr = out.data() + done;
      std::size_t out_left = out.size() - done;
      std::size_t rc = iconv(cd_, in_left != 0 ? &in_ptr : nullptr, &in_left, &out_ptr, &out_left);
      done = out.size() - out_left;
      if (rc != static_cast<std::size_t>(-1)) {
        if (in_left == 0) break;
        continue;
      }
      if (errno != E2BIG) return std::nullopt;  // EILSEQ or EINVAL (incomplete)
      out.resize(out.size() * 2);
    }
    out.resize(done);
    return out;
  }

 private:
  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
};

Converter& SjisToUtf8Converter() {
  static Converter converter("UTF-8", "CP932");
  return converter;
}

Converter& Utf8ToSjisConverter() {
  static Converter converter("CP932", "UTF-8");
  return converter;
}

}  // namespace

std::optional<std::string> SjisToUtf8(std::string_view sjis) {
  return SjisToUtf8Converter().Convert(sjis);
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
  return Utf8ToSjisConverter().Convert(utf8);
}

}  // namespace quillet::platform
