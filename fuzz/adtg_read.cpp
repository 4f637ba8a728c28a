// Reads arbitrary bytes as a persisted recordset and every value in it.

#include <cstdint>

#include "package/Adtg.h"
#include "package/Dataset.h"
#include "support/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xxj::Dataset dataset;
  try {
    xxj::ReadAdtg(data, size, dataset);
    for (int f = 0; f < dataset.FieldCount(); ++f) {
      for (dataset.First(); !dataset.Eof(); dataset.Next()) {
        dataset.Fields(f).AsString();
        dataset.Fields(f).Value();
      }
    }
    if (dataset.FieldCount() > 0) dataset.Sort(dataset.Fields(0).FieldName());
  } catch (const xxj::Exception&) {
  }
  return 0;
}
