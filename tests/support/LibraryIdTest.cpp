#include "support/LibraryId.h"

#include <gtest/gtest.h>

#include <climits>

namespace xxj {
namespace {

TEST(LibraryId, Parts) {
  EXPECT_EQ(LibraryIdMajor(1020103), 102);
  EXPECT_EQ(LibraryIdMajor(-1020103), -102);
  EXPECT_EQ(LibraryIdMiddle(1020103), 1);
  EXPECT_EQ(LibraryIdMiddle(1021003), 10);
  EXPECT_EQ(LibraryIdMiddle(99), 0);
  EXPECT_EQ(LibraryIdMiddle(-1021003), -1);
}

TEST(LibraryId, BillLibraries) {
  const struct {
    int32_t id;
    bool bill;
  } cases[] = {
      {1021003, true}, {1020003, true}, {1020103, false},  {102013, false},
      {1, true},       {0, false},      {-1021003, false}, {1010, true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBillLibraryId(c.id), c.bill) << c.id;
}

TEST(LibraryId, Normalize) {
  const struct {
    int32_t id, normalized;
  } cases[] = {
      {26010101, 26010101},
      {6010111, 6010111},
      {102003, 102003},
      {102071, 1020701},
      {102013, 1020103},
      {0, 0},
      {7, 7},
      {17, 107},
      {-12, -102},
      // Too long to widen: kept rather than wrapped.
      {INT_MAX, INT_MAX},
      {999999999, 999999999},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeLibraryId(c.id), c.normalized) << c.id;
}

}  // namespace
}  // namespace xxj
