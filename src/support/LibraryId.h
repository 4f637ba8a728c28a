#pragma once
// Quota-library ids: 32-bit integers read as decimal digits, such as 102013.
// The leading digits name the region, the middle pair the kind of library.

#include <cstdint>

namespace xxj {

// id div 10000, truncating.
int32_t LibraryIdMajor(int32_t id);
// The middle pair of digits, (id div 100) mod 100; -1 for a negative id.
int32_t LibraryIdMiddle(int32_t id);
// True for a bill-of-quantities library, which takes no prices: the middle
// pair is 10, or it is 0 for a positive id.
bool IsBillLibraryId(int32_t id);
// Packages carry some ids in a short form: a 0 is inserted before the last
// digit (102013 becomes 1020103) unless the id is already long or belongs to
// the 2601/601 families.
int32_t NormalizeLibraryId(int32_t id);

}  // namespace xxj
