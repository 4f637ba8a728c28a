#include "platform/WineMachine.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/DosAttributes.h"
#include "platform/TraceSocket.h"
#include "platform/WinePaths.h"
#include "platform/WineRegistry.h"
#include "support/TextEncoding.h"

extern char** environ;

namespace xxj {
namespace {

constexpr const char* kSharingViolation =
    "The process cannot access the file because it is being used by another process.";
constexpr const char* kReadOnlyDenied = "Access is denied: the file is read-only.";
constexpr const char* kNotOnDrive = "The path is not on a drive of this machine.";

bool Fail(std::string* error, const std::string& reason) {
  if (error != nullptr) *error = reason;
  return false;
}

std::string OsReason(int error) {
  return std::strerror(error);
}

bool IsWritableMode(mode_t mode) {
  return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

// Sharing modes among the files this machine has open, as the platform keeps
// them among a machine's handles: a new opener must be granted what it asks
// for by every holder and must grant what every holder already does.
class ShareTable {
 public:
  // 0 when the open conflicts with a holder.
  uint64_t Add(dev_t device, ino_t inode, bool read, bool write, uint32_t share) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Entry& e : entries_) {
      if (e.device != device || e.inode != inode) continue;
      if (read && !(e.share & kShareRead)) return 0;
      if (write && !(e.share & kShareWrite)) return 0;
      if (e.read && !(share & kShareRead)) return 0;
      if (e.write && !(share & kShareWrite)) return 0;
    }
    entries_.push_back({device, inode, read, write, share, ++lastId_});
    return lastId_;
  }

  void Remove(uint64_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].id == id) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
  }

  // Whether a path is open through this machine: such a file can be neither
  // deleted nor renamed, since the sharing modes never grant deletion.
  bool IsOpen(const std::string& unixPath) {
    struct stat st;
    if (stat(unixPath.c_str(), &st) != 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Entry& e : entries_) {
      if (e.device == st.st_dev && e.inode == st.st_ino) return true;
    }
    return false;
  }

 private:
  struct Entry {
    dev_t device;
    ino_t inode;
    bool read;
    bool write;
    uint32_t share;
    uint64_t id;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
  uint64_t lastId_ = 0;
};

class WineFileHandle : public FileHandle {
 public:
  WineFileHandle(int fd, std::shared_ptr<ShareTable> shares, uint64_t shareId)
      : fd_(fd), shares_(std::move(shares)), shareId_(shareId) {}
  ~WineFileHandle() override {
    close(fd_);
    shares_->Remove(shareId_);
  }
  WineFileHandle(const WineFileHandle&) = delete;
  WineFileHandle& operator=(const WineFileHandle&) = delete;

  int64_t Read(void* buffer, int64_t count) override {
    if (count < 0) return -1;
    int64_t done = 0;
    while (done < count) {
      const ssize_t n = read(fd_, static_cast<char*>(buffer) + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return done > 0 ? done : -1;
      if (n == 0) break;
      done += n;
    }
    return done;
  }

  int64_t Write(const void* buffer, int64_t count) override {
    if (count < 0) return -1;
    int64_t done = 0;
    while (done < count) {
      const ssize_t n = write(fd_, static_cast<const char*>(buffer) + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return done > 0 ? done : -1;
      done += n;
    }
    return done;
  }

  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    return lseek(fd_, offset, whence);
  }

  int64_t Size() override {
    struct stat st;
    return fstat(fd_, &st) == 0 ? st.st_size : -1;
  }

  bool SetEndOfFile() override {
    const off_t position = lseek(fd_, 0, SEEK_CUR);
    return position >= 0 && ftruncate(fd_, position) == 0;
  }

  bool Flush() override { return fsync(fd_) == 0; }

 private:
  int fd_;
  std::shared_ptr<ShareTable> shares_;
  uint64_t shareId_;
};

class WineLibrary : public DynamicLibrary {
 public:
  explicit WineLibrary(void* handle) : handle_(handle) {}
  ~WineLibrary() override { dlclose(handle_); }
  WineLibrary(const WineLibrary&) = delete;
  WineLibrary& operator=(const WineLibrary&) = delete;
  void* Symbol(const std::string& name) override { return dlsym(handle_, name.c_str()); }

 private:
  void* handle_;
};

// One code point per element, so "?" of a pattern takes a whole character.
std::u32string CodePoints(const std::string& utf8) {
  std::u32string result;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + length > utf8.size()) length = 1;
    char32_t point = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) point = (point << 6) | (utf8[i + k] & 0x3F);
    if (point >= 'A' && point <= 'Z') point += 32;
    result += point;
    i += length;
  }
  return result;
}

bool WildcardMatch(const std::u32string& mask, size_t m, const std::u32string& name, size_t n) {
  while (m < mask.size()) {
    if (mask[m] == U'*') {
      while (m < mask.size() && mask[m] == U'*') ++m;
      if (m == mask.size()) return true;
      for (size_t k = n; k <= name.size(); ++k) {
        if (WildcardMatch(mask, m, name, k)) return true;
      }
      return false;
    }
    if (n == name.size()) return false;
    if (mask[m] != U'?' && mask[m] != name[n]) return false;
    ++m;
    ++n;
  }
  return n == name.size();
}

// Windows wildcards: "*" and "?" without regard to ASCII case, and a mask
// ending in ".*" also takes names without an extension ("*.*" takes all).
bool MatchesMask(const std::string& maskUtf8, const std::string& nameUtf8) {
  const std::u32string mask = CodePoints(maskUtf8);
  const std::u32string name = CodePoints(nameUtf8);
  if (WildcardMatch(mask, 0, name, 0)) return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == U".*" &&
      name.find(U'.') == std::u32string::npos) {
    return WildcardMatch(mask.substr(0, mask.size() - 2), 0, name, 0);
  }
  return false;
}

// A rename that refuses to replace an existing target.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return rename(from.c_str(), to.c_str());
}

bool CopyBytes(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(to, buffer + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
  }
}

bool TraceAddress(sockaddr_un& address, socklen_t& length) {
  const std::string path = TraceSocketPath();
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return true;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string BaseNameAnySeparator(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

class WineMachine : public Machine {
 public:
  explicit WineMachine(std::string prefix)
      : prefix_(std::move(prefix)), paths_(prefix_), shares_(std::make_shared<ShareTable>()) {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) current_ = paths_.FromUnix(cwd);
    if (current_.empty()) current_ = "Z:\\";
  }

  // --- Files and folders ---

  std::unique_ptr<FileHandle> OpenFile(const std::string& path, FileAccess access, uint32_t share,
                                       FileDisposition disposition, std::string* error) override {
    const std::string unix = Unix(path);
    if (unix.empty()) return Fail(error, kNotOnDrive), nullptr;
    struct stat st;
    const bool existed = stat(unix.c_str(), &st) == 0;
    const bool wantsWrite = access != FileAccess::Read;
    if (existed) {
      if (S_ISDIR(st.st_mode))
        return Fail(error, "Access is denied: the path is a folder."), nullptr;
      if (disposition == FileDisposition::CreateNew) return Fail(error, OsReason(EEXIST)), nullptr;
      // The owner may write a read-only file on Linux; the platform refuses.
      if ((wantsWrite || disposition == FileDisposition::CreateAlways) &&
          !IsWritableMode(st.st_mode)) {
        return Fail(error, kReadOnlyDenied), nullptr;
      }
    } else if (disposition == FileDisposition::OpenExisting) {
      return Fail(error, OsReason(errno)), nullptr;
    }
    int flags = O_CLOEXEC;
    flags |= access == FileAccess::Read    ? O_RDONLY
             : access == FileAccess::Write ? O_WRONLY
                                           : O_RDWR;
    if (disposition != FileDisposition::OpenExisting) flags |= O_CREAT;
    if (disposition == FileDisposition::CreateNew) flags |= O_EXCL;
    const int fd = open(unix.c_str(), flags, 0666);
    if (fd < 0) return Fail(error, OsReason(errno)), nullptr;
    struct stat opened;
    fstat(fd, &opened);
    const uint64_t id =
        shares_->Add(opened.st_dev, opened.st_ino, access != FileAccess::Write, wantsWrite, share);
    if (id == 0) {
      close(fd);
      return Fail(error, kSharingViolation), nullptr;
    }
    auto handle = std::make_unique<WineFileHandle>(fd, shares_, id);
    // Truncate only once the sharing check passed, so a refused open changes nothing.
    if (existed && disposition == FileDisposition::CreateAlways && ftruncate(fd, 0) != 0 &&
        truncate(unix.c_str(), 0) != 0) {
      return Fail(error, OsReason(errno)), nullptr;
    }
    return handle;
  }

  uint32_t GetFileAttributes(const std::string& path) override {
    const std::string unix = Unix(path);
    return unix.empty() ? kInvalidFileAttributes : ReadDosAttributes(unix);
  }

  bool SetFileAttributes(const std::string& path, uint32_t attributes) override {
    const std::string unix = Unix(path);
    return !unix.empty() && WriteDosAttributes(unix, attributes);
  }

  bool FileExists(const std::string& path) override {
    struct stat st;
    const std::string unix = Unix(path);
    return !unix.empty() && stat(unix.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st;
    const std::string unix = Unix(path);
    return !unix.empty() && stat(unix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) override {
    const std::string from = Unix(source);
    const std::string to = Unix(target);
    if (from.empty() || to.empty()) return false;
    struct stat targetStat;
    if (stat(to.c_str(), &targetStat) == 0) {
      if (failIfExists || S_ISDIR(targetStat.st_mode) || !IsWritableMode(targetStat.st_mode) ||
          shares_->IsOpen(to)) {
        return false;
      }
    }
    auto input =
        OpenFile(source, FileAccess::Read, kShareReadWrite, FileDisposition::OpenExisting, nullptr);
    if (input == nullptr) return false;
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat sourceStat;
    fstat(in, &sourceStat);
    // The copy goes to a temporary file beside the target and replaces it by
    // rename, so a failed copy never leaves a half-written target behind.
    std::string temp = to + ".xxjcopy-XXXXXX";
    const int out = mkstemp(temp.data());
    if (out < 0) {
      close(in);
      return false;
    }
    bool ok = CopyBytes(in, out) && fsync(out) == 0;
    close(in);
    ok = ok && fchmod(out, sourceStat.st_mode & 07777) == 0;
    close(out);
    if (ok) {
      const uint32_t dosBits =
          ReadDosAttributes(from) & (kFileAttributeHidden | kFileAttributeSystem);
      const uint32_t readOnly =
          IsWritableMode(sourceStat.st_mode) ? 0u : uint32_t{kFileAttributeReadOnly};
      if (dosBits != 0) WriteDosAttributes(temp, dosBits | readOnly);
      ok = (failIfExists ? RenameNoReplace(temp, to) : rename(temp.c_str(), to.c_str())) == 0;
    }
    if (!ok) unlink(temp.c_str());
    return ok;
  }

  bool MoveFile(const std::string& source, const std::string& target, bool replace) override {
    const std::string from = Unix(source);
    const std::string to = Unix(target);
    if (from.empty() || to.empty() || shares_->IsOpen(from)) return false;
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) return false;
    if (!replace) return RenameNoReplace(from, to) == 0;
    if (stat(to.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) &&
        (!IsWritableMode(st.st_mode) || shares_->IsOpen(to))) {
      return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
  }

  bool DeleteFile(const std::string& path) override {
    const std::string unix = Unix(path);
    struct stat st;
    if (unix.empty() || lstat(unix.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (!S_ISLNK(st.st_mode) && !IsWritableMode(st.st_mode)) return false;
    if (shares_->IsOpen(unix)) return false;
    return unlink(unix.c_str()) == 0;
  }

  bool CreateDirectory(const std::string& path) override {
    const std::string unix = Unix(path);
    return !unix.empty() && mkdir(unix.c_str(), 0777) == 0;
  }

  bool RemoveDirectory(const std::string& path) override {
    const std::string unix = Unix(path);
    return !unix.empty() && rmdir(unix.c_str()) == 0;
  }

  bool ForceDirectories(const std::string& path) override {
    const std::string full = WinePaths::Normalize(Utf8FromGbk(path), current_);
    if (full.empty()) return false;
    size_t cut = 3;  // after "X:\"
    for (;;) {
      cut = full.find('\\', cut);
      const std::string folder = full.substr(0, cut);
      const std::string unix = paths_.ToUnix(folder);
      struct stat st;
      if (unix.empty()) return false;
      if (stat(unix.c_str(), &st) != 0) {
        if (mkdir(unix.c_str(), 0777) != 0 && errno != EEXIST) return false;
      } else if (!S_ISDIR(st.st_mode)) {
        return false;
      }
      if (cut == std::string::npos || cut + 1 >= full.size()) return true;
      ++cut;
    }
  }

  bool FlushDirectory(const std::string& path) override {
    const std::string unix = Unix(path);
    if (unix.empty()) return false;
    const int fd = open(unix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
  }

  std::vector<FindData> FindFiles(const std::string& pattern) override {
    std::vector<FindData> found;
    const std::string full = WinePaths::Normalize(Utf8FromGbk(pattern), current_);
    const size_t cut = full.rfind('\\');
    if (full.empty() || cut == std::string::npos || cut + 1 == full.size()) return found;
    const std::string mask = full.substr(cut + 1);
    const bool driveRoot = cut == 2;
    const std::string folder = paths_.ToUnix(full.substr(0, cut + 1));
    if (folder.empty()) return found;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return found;
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      const bool dots = name == "." || name == "..";
      if ((dots && driveRoot) || !MatchesMask(mask, name)) continue;
      const std::string entryPath = folder + "/" + name;
      struct stat st;
      if (fstatat(dirfd(dir), entry->d_name, &st, 0) != 0 &&
          fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        continue;  // vanished while listed
      }
      FindData data;
      data.name = GbkFromUtf8(name);
      data.attributes = DosAttributesFromStat(entryPath, st);
      data.size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
      found.push_back(std::move(data));
    }
    closedir(dir);
    return found;
  }

  std::string TempPath() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = paths_.FromUnix((tmp != nullptr && *tmp != '\0') ? tmp : "/tmp");
    if (path.empty() || path.back() != '\\') path += '\\';
    return GbkFromUtf8(path);
  }

  std::string ExecutablePath() override {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return GbkFromUtf8(paths_.FromUnix(std::string(buffer, n)));
  }

  std::string FullPath(const std::string& path) override {
    return GbkFromUtf8(WinePaths::Normalize(Utf8FromGbk(path), current_));
  }

  std::string CurrentDirectory() override {
    return GbkFromUtf8(current_.back() == '\\' ? current_ : current_ + "\\");
  }

  bool SetCurrentDirectory(const std::string& path) override {
    const std::string full = WinePaths::Normalize(Utf8FromGbk(path), current_);
    struct stat st;
    const std::string unix = paths_.ToUnix(full);
    if (unix.empty() || stat(unix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    current_ = full;
    return true;
  }

  std::string ToUnixPath(const std::string& windowsPath) override { return Unix(windowsPath); }

  std::string FromUnixPath(const std::string& unixPath) override {
    return GbkFromUtf8(paths_.FromUnix(unixPath));
  }

  // --- Registry ---

  std::unique_ptr<RegistryKey> OpenRegistryKey(RegistryHive hive, const std::string& keyPath,
                                               RegistryView view) override {
    if (hive == RegistryHive::LocalMachine) {
      return OpenWineRegistryKey(prefix_ + "/system.reg", keyPath, view);
    }
    // The current user's Software is one key for 32- and 64-bit programs alike.
    return OpenWineRegistryKey(prefix_ + "/user.reg", keyPath, RegistryView::Native);
  }

  // --- Processes ---

  std::vector<std::string> RunningProcessNames() override {
    std::vector<std::string> names;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return names;
    while (const dirent* entry = readdir(proc)) {
      const std::string pid = entry->d_name;
      if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string base = "/proc/" + pid;
      // A process that ends while listed gives empty reads and is skipped.
      const std::string cmdline = ReadWholeFile(base + "/cmdline");
      const std::string first = cmdline.substr(0, cmdline.find('\0'));
      const std::string fromCommand = BaseNameAnySeparator(first);
      std::string comm = ReadWholeFile(base + "/comm");
      while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0')) comm.pop_back();
      if (!fromCommand.empty()) names.push_back(GbkFromUtf8(fromCommand));
      if (!comm.empty() && comm != fromCommand) names.push_back(GbkFromUtf8(comm));
    }
    closedir(proc);
    return names;
  }

  // --- Libraries, shell, trace, time, identity ---

  std::unique_ptr<DynamicLibrary> LoadLibrary(const std::string& path,
                                              std::string* error) override {
    const std::string unix = Unix(path);
    if (unix.empty()) return Fail(error, kNotOnDrive), nullptr;
    void* handle = dlopen(unix.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* reason = dlerror();
      return Fail(error, GbkFromUtf8(reason != nullptr ? reason : "cannot load")), nullptr;
    }
    return std::make_unique<WineLibrary>(handle);
  }

  bool ShellOpen(const std::string& path) override {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
      return false;
    }
    const std::string unix = Unix(path);
    if (unix.empty()) return false;
    // The path goes to xdg-open as one argument, never through a shell.
    std::string program = "xdg-open";
    std::vector<char*> argv = {program.data(), const_cast<char*>(unix.c_str()), nullptr};
    pid_t pid = 0;
    return posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ) == 0;
  }

  bool SendTrace(const std::u16string& text) override {
    sockaddr_un address;
    socklen_t length = 0;
    if (!TraceAddress(address, length)) return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    std::string bytes;
    for (const char16_t unit : text) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    const bool sent = sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&address), length) >= 0;
    close(fd);
    return sent;
  }

  bool TraceViewerPresent() override {
    sockaddr_un address;
    socklen_t length = 0;
    if (!TraceAddress(address, length)) return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool present = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    close(fd);
    return present;
  }

  uint32_t TickCount() override {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000);
  }

  std::array<uint8_t, 16> NewGuid() override {
    std::array<uint8_t, 16> guid{};
    size_t done = 0;
    while (done < guid.size()) {
      const ssize_t n = getrandom(guid.data() + done, guid.size() - done, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    // Version 4 in the high nibble of Data3 (little-endian, byte 7), RFC variant in byte 8.
    guid[7] = static_cast<uint8_t>((guid[7] & 0x0F) | 0x40);
    guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);
    return guid;
  }

 private:
  std::string Unix(const std::string& gbkPath) {
    return paths_.ToUnix(WinePaths::Normalize(Utf8FromGbk(gbkPath), current_));
  }

  std::string prefix_;
  WinePaths paths_;
  std::string current_;  // UTF-8 Windows path of the current folder
  std::shared_ptr<ShareTable> shares_;
};

}  // namespace

std::unique_ptr<Machine> NewWineMachine(const std::string& prefixUnixPath) {
  return std::make_unique<WineMachine>(prefixUnixPath);
}

std::string DefaultWinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') return prefix;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.wine";
}

}  // namespace xxj
