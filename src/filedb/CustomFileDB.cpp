#include "filedb/CustomFileDB.h"

#include "filedb/MatrixData.h"
#include "quota/BaseDekClasses.h"

namespace xxj {

void TCustomFileDB::LoadObjects(std::string_view tableName, TCustomObjList& list,
                                const TRowClass& itemClass) {
  const std::unique_ptr<TMatrix> matrix = ReadTable(tableName);
  if (!matrix) return;
  LoadRowsFromMatrix(*matrix, itemClass, list);
}

}  // namespace xxj
