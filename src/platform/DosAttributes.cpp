#include "platform/DosAttributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Machine.h"

namespace xxj {
namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";
constexpr uint32_t kXattrMask = kFileAttributeHidden | kFileAttributeSystem;
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// The process umask, read once: umask(2) can only be read by setting it.
mode_t StartUmask() {
  static const mode_t mask = [] {
    const mode_t m = umask(0);
    umask(m);
    return m;
  }();
  return mask;
}

uint32_t ReadXattrBits(const std::string& unixPath) {
  char buffer[64];
  const ssize_t size = getxattr(unixPath.c_str(), kDosAttribName, buffer, sizeof buffer - 1);
  if (size <= 2) return 0;
  buffer[size] = '\0';
  if (buffer[0] != '0' || (buffer[1] != 'x' && buffer[1] != 'X')) return 0;
  return static_cast<uint32_t>(std::strtoul(buffer + 2, nullptr, 16)) & kXattrMask;
}

bool IgnorableXattrError(int error) {
  return error == ENOTSUP || error == ENODATA || error == EPERM;
}

}  // namespace

uint32_t DosAttributesFromStat(const std::string& unixPath, const struct stat& st) {
  uint32_t attributes = ReadXattrBits(unixPath);
  if ((st.st_mode & kWriteBits) == 0) attributes |= kFileAttributeReadOnly;
  attributes |= S_ISDIR(st.st_mode) ? kFileAttributeDirectory : kFileAttributeArchive;
  struct stat link;
  if (lstat(unixPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
    attributes |= kFileAttributeReparsePoint;
  return attributes;
}

uint32_t ReadDosAttributes(const std::string& unixPath) {
  struct stat st;
  if (stat(unixPath.c_str(), &st) != 0) return kInvalidFileAttributes;
  return DosAttributesFromStat(unixPath, st);
}

bool WriteDosAttributes(const std::string& unixPath, uint32_t attributes) {
  struct stat st;
  if (stat(unixPath.c_str(), &st) != 0) return false;
  // Read-only means nothing for a folder in the prefix, as for Windows programs.
  if (!S_ISDIR(st.st_mode)) {
    mode_t mode = st.st_mode & 07777;
    if (attributes & kFileAttributeReadOnly) {
      mode &= ~kWriteBits;
    } else if ((mode & kWriteBits) == 0) {
      mode |= ((mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 1) & ~StartUmask();
      if ((mode & kWriteBits) == 0) mode |= S_IWUSR;
    }
    if (mode != (st.st_mode & 07777) && chmod(unixPath.c_str(), mode) != 0) return false;
  }
  const uint32_t bits = attributes & kXattrMask;
  if (bits != 0) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "0x%x", bits);
    if (setxattr(unixPath.c_str(), kDosAttribName, text, length, 0) != 0 &&
        !IgnorableXattrError(errno)) {
      return false;
    }
  } else if (removexattr(unixPath.c_str(), kDosAttribName) != 0 && !IgnorableXattrError(errno)) {
    return false;
  }
  return true;
}

}  // namespace xxj
