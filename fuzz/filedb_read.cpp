// Opens arbitrary bytes as a file database, reads every table, then replaces
// and deletes one: whatever the bytes, nothing may crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"
#include "support/Errors.h"

namespace {

const std::string& UnixPath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("xxj-fuzz-" + std::to_string(getpid()) + ".Dek"))
          .string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(UnixPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    xxj::TFileDB db(xxj::CurrentMachine().FromUnixPath(UnixPath()));
    for (int i = 0; i < db.TableCount(); ++i) {
      std::unique_ptr<xxj::TMatrix> table = db.ReadTable(db.TableName(i));
      if (table) table->RowCount();
    }
    if (db.TableCount() > 0) {
      xxj::TMatrix small;
      small.AddColumn<xxj::TMIntColumn>("N");
      small.Append();
      db.WriteTable(db.TableName(db.TableCount() - 1), small);
      db.DeleteTable(db.TableName(0));
      db.ReadTable(db.TableName(0));
    }
  } catch (const xxj::Exception&) {
    // An invalid file database or a table store refused: a clean error.
  }
  std::filesystem::remove(UnixPath());
  return 0;
}
