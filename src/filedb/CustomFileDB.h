#pragma once
// The file database that also reads a table straight into a list of row
// objects; the file format is that of TFileDB.

#include <string_view>

#include "filedb/VelDatabase.h"

namespace xxj {

class TCustomObjList;
class TRowClass;

class TCustomFileDB : public TFileDB {
 public:
  using TFileDB::TFileDB;

  // Appends one new row of itemClass per table row, in table order, to the
  // owning list. An absent or unreadable table adds nothing.
  void LoadObjects(std::string_view tableName, TCustomObjList& list, const TRowClass& itemClass);
};

}  // namespace xxj
