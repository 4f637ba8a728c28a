#include "support/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "support/Errors.h"

namespace xxj {
namespace {

// How many source bytes one refused character takes, so it becomes a single
// replacement mark: a well-formed UTF-8 sequence or UTF-16 surrogate pair the
// target cannot hold is skipped whole; a malformed byte or unit alone.
using UnitLength = size_t (*)(const char* in, size_t inLeft);

iconv_t OpenConverter(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  // Without the converter every text would silently come out empty.
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw Exception(std::string("Text conversion from ") + from + " to " + to +
                    " is not available on this system");
  return cd;
}

// Set once the thread's converters are closed: texts converted later, such as
// the trace lines written while the program ends, open their own.
thread_local bool convertersClosed = false;

// Opening a converter costs far more than converting one short cell, and a
// package converts every name it holds: each thread keeps one per direction.
class ConverterLease {
 public:
  ConverterLease(const char* to, const char* from) {
    if (convertersClosed) {
      cd_ = OpenConverter(to, from);
      owned_ = true;
      return;
    }
    thread_local Cache cache;
    cd_ = cache.Get(to, from);
  }
  ~ConverterLease() {
    if (owned_) iconv_close(cd_);
  }
  ConverterLease(const ConverterLease&) = delete;
  ConverterLease& operator=(const ConverterLease&) = delete;

  iconv_t Get() const { return cd_; }

 private:
  struct Cache {
    struct Entry {
      std::string to, from;
      iconv_t cd;
    };
    std::vector<Entry> entries;

    iconv_t Get(const char* to, const char* from) {
      for (const Entry& entry : entries) {
        if (entry.to == to && entry.from == from) return entry.cd;
      }
      entries.push_back({to, from, OpenConverter(to, from)});
      return entries.back().cd;
    }
    ~Cache() {
      for (const Entry& entry : entries) iconv_close(entry.cd);
      convertersClosed = true;
    }
  };

  iconv_t cd_ = nullptr;
  bool owned_ = false;
};

// Converts with iconv, replacing what the source cannot decode or the target
// cannot hold, so a damaged text still shows instead of vanishing.
std::string Convert(const char* to, const char* from, const char* input, size_t inputSize,
                    std::string_view replacement, UnitLength unitLength) {
  const ConverterLease lease(to, from);
  iconv_t cd = lease.Get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state for every text
  std::string out;
  out.reserve(inputSize * 2);
  char buffer[4096];
  char* in = const_cast<char*>(input);
  size_t inLeft = inputSize;
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (rc != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip one unit of the source and mark the spot.
    out.append(replacement);
    const size_t skip = std::min(unitLength(in, inLeft), inLeft);
    in += skip;
    inLeft -= skip;
  }
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, outPtr - buffer);
  return out;
}

size_t OneByte(const char*, size_t) {
  return 1;
}

size_t Utf8SequenceLength(const char* in, size_t inLeft) {
  const auto lead = static_cast<unsigned char>(in[0]);
  size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (length > inLeft) return 1;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(in[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

size_t Utf16UnitLength(const char* in, size_t inLeft) {
  if (inLeft < 4) return 2;
  const auto unit = [](const char* p) {
    return static_cast<uint16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1])
                                                                        << 8);
  };
  const uint16_t high = unit(in);
  const uint16_t low = unit(in + 2);
  const bool pair = high >= 0xD800 && high <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF;
  return pair ? 4 : 2;
}

constexpr const char* kGbk = "CP936";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";
constexpr std::string_view kUtf16Replacement{"\xFD\xFF", 2};

std::u16string FromBytes(const std::string& bytes) {
  std::u16string result(bytes.size() / 2, u'\0');
  std::memcpy(result.data(), bytes.data(), result.size() * 2);
  return result;
}

unsigned char UpperByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

}  // namespace

std::string Gbk(std::string_view utf8) {
  return GbkFromUtf8(utf8);
}

std::string GbkFromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Convert(kGbk, "UTF-8", utf8.data(), utf8.size(), "?", Utf8SequenceLength);
}

std::string Utf8FromGbk(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  return Convert("UTF-8", kGbk, gbk.data(), gbk.size(), kUtf8Replacement, OneByte);
}

std::u16string Utf16FromGbk(std::string_view gbk) {
  return FromBytes(Convert("UTF-16LE", kGbk, gbk.data(), gbk.size(), kUtf16Replacement, OneByte));
}

std::string GbkFromUtf16(std::u16string_view utf16) {
  return Convert(kGbk, "UTF-16LE", reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2,
                 "?", Utf16UnitLength);
}

std::u16string Utf16FromUtf8(std::string_view utf8) {
  return FromBytes(Convert("UTF-16LE", "UTF-8", utf8.data(), utf8.size(), kUtf16Replacement,
                           Utf8SequenceLength));
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  return Convert("UTF-8", "UTF-16LE", reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2,
                 kUtf8Replacement, Utf16UnitLength);
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
  return result;
}

std::string LowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareTextAscii(a, b) == 0;
}

int CompareTextAscii(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = UpperByte(static_cast<unsigned char>(a[i]));
    const unsigned char y = UpperByte(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace xxj
