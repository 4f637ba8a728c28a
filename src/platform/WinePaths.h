#pragma once
// Windows paths of a Wine prefix: drive letters through the prefix's
// dosdevices links, and file names matched without regard to ASCII case, as
// programs running in the prefix see them. Everything here is UTF-8; the
// machine converts its GBK paths at its boundary.

#include <string>

namespace xxj {

class WinePaths {
 public:
  explicit WinePaths(std::string prefixUnixPath);

  // An absolute Windows path "X:\a\b" from any form a caller may give: "/" or
  // "\" separators, "." and ".." components, relative to currentFolder, or
  // rooted at the current drive ("\a"). A trailing separator is kept. Empty
  // when the path has no usable form (a UNC path, an empty current folder).
  static std::string Normalize(const std::string& path, const std::string& currentFolder);

  // The Unix path of an absolute Windows path, each existing component under
  // its name on disk; empty when the drive is not mapped.
  std::string ToUnix(const std::string& windowsPath) const;
  // A Unix path as the prefix shows it: under a mapped drive when one holds
  // it, else "Z:\...". A trailing "/" becomes "\".
  std::string FromUnix(const std::string& unixPath) const;

  // The Unix folder a drive letter maps to; empty when it is not mapped.
  std::string DriveRoot(char letter) const;

 private:
  std::string prefix_;
};

// True when two names are equal after folding ASCII letters only, as the
// prefix compares file names.
bool SameNameAscii(const std::string& a, const std::string& b);

}  // namespace xxj
