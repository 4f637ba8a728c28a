#pragma once
// Text inside the system is GBK (code page 936) bytes in std::string. These
// conversions are used only at the boundaries: file-system paths, terminal and
// GUI text, trace messages and Unicode recordset columns.

#include <string>
#include <string_view>

namespace xxj {

// The one door through which a UTF-8 source literal becomes system text.
// Characters GBK cannot hold become "?".
std::string Gbk(std::string_view utf8);

// Lossy conversions for display and for Unicode boundaries: a byte sequence
// that is not valid in the source encoding becomes U+FFFD (or "?" in GBK).
std::string GbkFromUtf8(std::string_view utf8);
std::string Utf8FromGbk(std::string_view gbk);
std::u16string Utf16FromGbk(std::string_view gbk);
std::string GbkFromUtf16(std::u16string_view utf16);
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

// True when every byte is below 0x80, so GBK and UTF-8 read it alike.
bool IsAscii(std::string_view text);

// ASCII-only case folding, as the host application compares names.
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);
// <0, 0, >0 comparing byte-wise after ASCII upper-casing.
int CompareTextAscii(std::string_view a, std::string_view b);

}  // namespace xxj
