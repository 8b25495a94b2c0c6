#include "base/CodePage.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace tavren::cp932 {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kNone = 0;  // table slot for "no character" (NUL is handled apart)

struct Tables {
  std::array<char16_t, 256> single{};  // one-byte characters
  std::vector<char16_t> pair = std::vector<char16_t>(256 * 256, kNone);
  std::vector<uint16_t> reverse = std::vector<uint16_t>(65536, 0);  // code unit -> bytes (0 = none)
};

char16_t Convert(iconv_t cd, const unsigned char* in, std::size_t len) {
  char inBuf[2] = {static_cast<char>(in[0]), len > 1 ? static_cast<char>(in[1]) : '\0'};
  char16_t out[4] = {};
  char* inPtr = inBuf;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t inLeft = len;
  std::size_t outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return kNone;
  if (sizeof out - outLeft != 2) return kNone;  // nothing, or more than one UTF-16 unit
  return out[0];
}

std::unique_ptr<Tables> Build() {
  auto t = std::make_unique<Tables>();
  iconv_t cd = iconv_open("UTF-16LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without the converter only ASCII is known; everything else shows as U+FFFD.
    for (int b = 0; b < 0x80; ++b) t->single[b] = static_cast<char16_t>(b);
    for (int b = 0x80; b < 0x100; ++b) t->single[b] = kReplacement;
    for (int b = 1; b < 0x80; ++b) t->reverse[b] = static_cast<uint16_t>(b);
    return t;
  }
  for (int b = 0; b < 0x100; ++b) {
    unsigned char c = static_cast<unsigned char>(b);
    char16_t u = b == 0 ? u'\0' : Convert(cd, &c, 1);
    t->single[b] = (u == kNone && b != 0) ? kReplacement : u;
    if (!IsLeadByte(c) && (u != kNone || b == 0) && t->reverse[u] == 0) t->reverse[u] = static_cast<uint16_t>(b);
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      unsigned char in[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      char16_t u = Convert(cd, in, 2);
      if (u == kNone) continue;
      t->pair[lead * 256 + trail] = u;
      // Where CP932 has two codes for one character (NEC and IBM extensions),
      // the first in code order is the one Windows writes back.
      if (t->reverse[u] == 0) t->reverse[u] = static_cast<uint16_t>(lead * 256 + trail);
    }
  }
  iconv_close(cd);
  return t;
}

const Tables& Get() {
  static const std::unique_ptr<Tables> tables = Build();
  return *tables;
}

template <typename Sink>
void Decode(std::string_view bytes, Sink&& sink) {
  const Tables& t = Get();
  for (std::size_t i = 0; i < bytes.size();) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (IsLeadByte(b) && i + 1 < bytes.size()) {
      char16_t u = t.pair[b * 256 + static_cast<unsigned char>(bytes[i + 1])];
      if (u != kNone) {
        sink(u);
        i += 2;
        continue;
      }
      sink(kReplacement);  // a damaged pair: the next byte gets its own chance
      ++i;
      continue;
    }
    sink(IsLeadByte(b) ? kReplacement : t.single[b]);
    ++i;
  }
}

void AppendCp932(std::string& out, char32_t c) {
  if (c > 0xFFFF) {
    out += '?';
    return;
  }
  uint16_t code = Get().reverse[c];
  if (c == 0) {
    out += '\0';
  } else if (code == 0) {
    out += '?';
  } else if (code > 0xFF) {
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
  } else {
    out += static_cast<char>(code);
  }
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::size_t LastCharStart(std::string_view s) noexcept {
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) start = i;
  return start;
}

std::u16string ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  Decode(bytes, [&](char16_t u) { out += u; });
  return out;
}

std::string ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  Decode(bytes, [&](char16_t u) { AppendUtf8(out, u); });
  return out;
}

std::string FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDFFF) {
      // A surrogate pair is a character outside CP932; a lone one is malformed.
      if (u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
      out += '?';
      continue;
    }
    AppendCp932(out, u);
  }
  return out;
}

std::string FromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > text.size()) {
      out += '?';
      ++i;
      continue;
    }
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      unsigned char cb = static_cast<unsigned char>(text[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (cb & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    AppendCp932(out, c);
    i += len;
  }
  return out;
}

}  // namespace tavren::cp932
