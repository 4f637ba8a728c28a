#pragma once
// The Windows machine the system runs on. Everything the system asks of the
// operating system goes through this interface; above platform/ nothing
// includes an OS header. The production machine is a Wine prefix seen from
// Linux; tests point the same implementation at a prefix folder they build.
//
// Every path and text here is GBK system text; Windows paths ("C:\A\b.txt")
// are mapped to the prefix by the implementation.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/Stream.h"

namespace xxj {

// File attributes as the platform reports them.
enum FileAttribute : uint32_t {
  kFileAttributeReadOnly = 0x01,
  kFileAttributeHidden = 0x02,
  kFileAttributeSystem = 0x04,
  kFileAttributeDirectory = 0x10,
  kFileAttributeArchive = 0x20,
  kFileAttributeNormal = 0x80,
  // A symbolic link: what it names lies elsewhere, so tree walks that remove
  // things must not follow it.
  kFileAttributeReparsePoint = 0x400,
};
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

enum class FileAccess { Read, Write, ReadWrite };
// Sharing granted to other openers of the same file; enforced among the
// handles this machine has open.
enum FileShare : uint32_t { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareReadWrite = 3 };
enum class FileDisposition {
  OpenExisting,  // fail when missing
  CreateAlways,  // create or truncate
  OpenAlways,    // open, creating when missing
  CreateNew,     // fail when present
};

// An open OS file.
class FileHandle {
 public:
  virtual ~FileHandle() = default;
  // Bytes read or written; -1 on failure.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // The new position, or -1 on failure.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  // Truncates or extends the file at the current position.
  virtual bool SetEndOfFile() = 0;
  // Makes what was written durable on disk.
  virtual bool Flush() = 0;
};

// One entry of a folder search.
struct FindData {
  std::string name;  // name only, no folder
  uint32_t attributes = 0;
  int64_t size = 0;
};

enum class RegistryHive { LocalMachine, CurrentUser };
// Which view of "Software" a lookup sees: the host application is a 32-bit
// program, so its keys live in the 32-bit view of a 64-bit machine.
enum class RegistryView { Native, Bits32 };

// An open registry key (read only).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // The text of a value; empty when the value is missing or not text.
  virtual std::string ReadString(const std::string& valueName) const = 0;
  virtual bool HasValue(const std::string& valueName) const = 0;
  virtual std::vector<std::string> ValueNames() const = 0;
  virtual std::vector<std::string> SubKeyNames() const = 0;
};

// A loaded dynamic library (a plug-in).
class DynamicLibrary {
 public:
  virtual ~DynamicLibrary() = default;
  // The address of an exported symbol, or nullptr.
  virtual void* Symbol(const std::string& name) = 0;
};

class Machine {
 public:
  virtual ~Machine() = default;

  // --- Files and folders ---
  // nullptr on failure; *error (when given) then holds the OS's reason.
  virtual std::unique_ptr<FileHandle> OpenFile(const std::string& path, FileAccess access,
                                               uint32_t share, FileDisposition disposition,
                                               std::string* error = nullptr) = 0;
  // kInvalidFileAttributes when the path does not exist.
  virtual uint32_t GetFileAttributes(const std::string& path) = 0;
  virtual bool SetFileAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual bool FileExists(const std::string& path) = 0;  // a file, not a folder
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual bool CopyFile(const std::string& source, const std::string& target,
                        bool failIfExists) = 0;
  // Renames, replacing the target when replace is true; atomic on one volume.
  virtual bool MoveFile(const std::string& source, const std::string& target, bool replace) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool CreateDirectory(const std::string& path) = 0;
  virtual bool RemoveDirectory(const std::string& path) = 0;
  // Creates the folder and every missing parent.
  virtual bool ForceDirectories(const std::string& path) = 0;
  // Makes a folder's entries (a rename into it) durable on disk.
  virtual bool FlushDirectory(const std::string& path) = 0;
  // Entries matching a pattern such as "C:\dir\*.Dek" or "C:\dir\*.*", with
  // "." and ".." for a folder, in the file system's order. Wildcards match
  // without regard to case.
  virtual std::vector<FindData> FindFiles(const std::string& pattern) = 0;
  // The temporary folder, ending with "\".
  virtual std::string TempPath() = 0;
  // The running executable as a Windows path.
  virtual std::string ExecutablePath() = 0;
  // A relative path expanded against the current folder.
  virtual std::string FullPath(const std::string& path) = 0;
  // The folder relative paths start from, ending with "\"; SetCurrentDirectory
  // fails (false) when the folder does not exist.
  virtual std::string CurrentDirectory() { return FullPath(".\\"); }
  virtual bool SetCurrentDirectory(const std::string& path) {
    (void)path;
    return false;
  }
  // The Unix path (UTF-8) a Windows path maps to, and back (Z:\... for a
  // path outside every drive).
  virtual std::string ToUnixPath(const std::string& windowsPath) = 0;
  virtual std::string FromUnixPath(const std::string& unixPath) = 0;

  // --- Registry (read only) ---
  // nullptr when the key does not exist. keyPath may start with "\".
  virtual std::unique_ptr<RegistryKey> OpenRegistryKey(RegistryHive hive,
                                                       const std::string& keyPath,
                                                       RegistryView view) = 0;

  // --- Processes ---
  // Executable names of the running processes, as a process snapshot lists them.
  virtual std::vector<std::string> RunningProcessNames() = 0;

  // --- Libraries, shell, trace, time, identity ---
  // nullptr on failure; *error then holds the loader's reason.
  virtual std::unique_ptr<DynamicLibrary> LoadLibrary(const std::string& path,
                                                      std::string* error = nullptr) = 0;
  virtual bool ShellOpen(const std::string& path) = 0;
  // Sends a trace line (UTF-16) to the trace viewer; false when none listens.
  virtual bool SendTrace(const std::u16string& text) = 0;
  virtual bool TraceViewerPresent() = 0;
  virtual uint32_t TickCount() = 0;
  // A random (version 4) GUID in its in-memory layout: Data1, Data2 and Data3
  // little-endian, then the eight bytes of Data4.
  virtual std::array<uint8_t, 16> NewGuid() = 0;
};

// The machine the system works on. Tests replace it with ScopedMachine.
Machine& CurrentMachine();

// Installs a machine for the life of the object, then restores the previous one.
class ScopedMachine {
 public:
  explicit ScopedMachine(Machine& machine);
  ~ScopedMachine();
  ScopedMachine(const ScopedMachine&) = delete;
  ScopedMachine& operator=(const ScopedMachine&) = delete;

 private:
  Machine* previous_;
};

}  // namespace xxj
