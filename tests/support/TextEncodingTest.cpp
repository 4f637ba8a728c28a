#include "support/TextEncoding.h"

#include <gtest/gtest.h>

namespace xxj {
namespace {

// "信息价" in GBK (code page 936).
const std::string kPriceGbk = "\xD0\xC5\xCF\xA2\xBC\xDB";

TEST(TextEncoding, GbkRoundTripsThroughUtf8AndUtf16) {
  EXPECT_EQ(Gbk("信息价"), kPriceGbk);
  EXPECT_EQ(Utf8FromGbk(kPriceGbk), "信息价");
  EXPECT_EQ(Utf16FromGbk(kPriceGbk), u"信息价");
  EXPECT_EQ(GbkFromUtf16(u"信息价"), kPriceGbk);
  EXPECT_EQ(Utf16FromUtf8("定额库 A1"), u"定额库 A1");
  EXPECT_EQ(Utf8FromUtf16(u"定额库 A1"), "定额库 A1");
  EXPECT_EQ(Gbk("TXXJ 12.5"), "TXXJ 12.5");
  EXPECT_EQ(Gbk(""), "");
  EXPECT_EQ(Utf16FromGbk(""), u"");
}

TEST(TextEncoding, DamagedTextShowsAMarkPerBadSpotAndKeepsTheRest) {
  // A lead byte followed by a byte that cannot trail it, a byte that is no
  // character at all, and a lead byte cut off at the end.
  const std::string damaged = kPriceGbk + "\x81" + " A\xFF" + kPriceGbk.substr(0, 3);
  EXPECT_EQ(Utf8FromGbk(damaged), "信息价\xEF\xBF\xBD A\xEF\xBF\xBD信\xEF\xBF\xBD");
  EXPECT_EQ(Utf16FromGbk(damaged), u"信息价\uFFFD A\uFFFD信\uFFFD");
  // Invalid UTF-8 bytes (a stray continuation byte, an overlong lead).
  EXPECT_EQ(GbkFromUtf8("a\x80"
                        "b\xC0"
                        "c"),
            "a?b?c");
  // An unpaired surrogate.
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(Utf8FromUtf16(lone),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(TextEncoding, CharacterGbkCannotHoldBecomesOneQuestionMark) {
  // U+1F600 is four UTF-8 bytes and a surrogate pair; GBK has no code for it.
  EXPECT_EQ(Gbk("价\xF0\x9F\x98\x80格"), Gbk("价?格"));
  EXPECT_EQ(GbkFromUtf16(u"价\U0001F600格"), Gbk("价?格"));
}

TEST(TextEncoding, AsciiCaseRulesLeaveGbkBytesAlone) {
  // The trail byte 0x61 ('a') of a double-byte character is upper-cased like
  // ASCII, as the host application's own comparison does.
  EXPECT_EQ(UpperAscii("zmbh_" + kPriceGbk), "ZMBH_" + kPriceGbk);
  EXPECT_EQ(LowerAscii("TXXJ_Ex"), "txxj_ex");
  EXPECT_TRUE(SameTextAscii("Tglj_ZM", "TGLJ_zm"));
  EXPECT_FALSE(SameTextAscii("TGLJZM", "TGLJZM "));
  EXPECT_LT(CompareTextAscii("abc", "ABD"), 0);
  EXPECT_GT(CompareTextAscii("abcd", "ABC"), 0);
  EXPECT_EQ(CompareTextAscii("Jan", "JAN"), 0);
  // High bytes sort above ASCII, unsigned.
  EXPECT_GT(CompareTextAscii(kPriceGbk, "Z"), 0);
  EXPECT_TRUE(IsAscii("YAVG"));
  EXPECT_FALSE(IsAscii(kPriceGbk));
}

}  // namespace
}  // namespace xxj
