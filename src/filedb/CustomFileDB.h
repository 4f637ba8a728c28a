#pragma once
// The file database that also reads a table straight into a list of row
// objects; the file format is that of TFileDB.

#include "filedb/VelDatabase.h"

namespace xxj {

class TCustomFileDB : public TFileDB {
 public:
  using TFileDB::TFileDB;
};

}  // namespace xxj
