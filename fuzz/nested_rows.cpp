// Decodes arbitrary text as nested price and composition rows, as a library's
// string columns may hold anything: decoding must never crash, and price rows
// (numbers only) must encode to a text that decodes and encodes to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "quota/DekProject.h"

namespace {

const char kPrices[] = "{DQID||DEDJ||YSJ||DEDJ_SH||TZGLJFL||TZXS}";
const char kComposition[] = "{ZMBH||GCL||LX||DQID||GCL_SH}";

std::string RoundTrip(std::string_view text, std::string_view prefix) {
  xxj::TDekObjList rows(true);
  xxj::DecodeRows(rows, text, kPrices, prefix, true, xxj::TDek_TGLJZM_DJ::ClassRef());
  return xxj::EncodeRows(rows, kPrices);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks a region prefix (0: none).
  const std::string prefix = data[0] % 4 == 0 ? "" : "{" + std::to_string(data[0] % 16) + "||";
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::string once = RoundTrip(text, prefix);
  if (RoundTrip(once, "") != once) std::abort();

  xxj::TDekObjList parts(true);
  xxj::DecodeRows(parts, text, kComposition, prefix, false, xxj::TDek_TGLZMGC::ClassRef());
  (void)xxj::EncodeRows(parts, kComposition);
  return 0;
}
