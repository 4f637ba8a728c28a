#pragma once
// DOS file attributes of a file in a Wine prefix, kept where programs running
// in the prefix keep them: read-only is the absence of write bits, hidden and
// system live in the "user.DOSATTRIB" extended attribute, every plain file is
// archive. Paths are Unix paths (UTF-8).

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace xxj {

// The attributes of a path, or kInvalidFileAttributes when it does not exist.
uint32_t ReadDosAttributes(const std::string& unixPath);
// The attributes of an entry already stat'ed (st of the entry itself).
uint32_t DosAttributesFromStat(const std::string& unixPath, const struct stat& st);
// Sets read-only, hidden and system; the other bits are derived from the file
// and ignored. False when the path is missing or its mode cannot change.
// Where the file system refuses extended attributes, hidden and system are
// silently dropped.
bool WriteDosAttributes(const std::string& unixPath, uint32_t attributes);

}  // namespace xxj
