#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/TraceSocket.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

extern char** environ;

namespace xxj {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::TestPrefix;

// Sets (or with nullptr, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    if (old != nullptr) old_ = old;
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(Processes, ListsCommandNamesSplitAtEitherSeparator) {
  TestPrefix prefix;
  // A program started from Windows code shows its Windows path as argv[0].
  std::string argv0 = "C:\\Velmora\\ZKPM2016\\LongApplicationName.exe";
  std::string seconds = "30";
  std::vector<char*> argv = {argv0.data(), seconds.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawnp(&pid, "sleep", nullptr, nullptr, argv.data(), environ), 0);
  std::vector<std::string> names;
  for (int attempt = 0; attempt < 200 && !Contains(names, "LongApplicationName.exe"); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // until exec has happened
    names = prefix.GetMachine().RunningProcessNames();
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(Contains(names, "LongApplicationName.exe"));
  EXPECT_TRUE(Contains(names, "test_platform"));
  EXPECT_FALSE(Contains(prefix.GetMachine().RunningProcessNames(), "LongApplicationName.exe"));
}

TEST(Libraries, LoadsResolvesAndReportsFailures) {
  TestPrefix prefix;
  Machine& machine = prefix.GetMachine();
  std::string error;
  auto library = machine.LoadLibrary(machine.FromUnixPath(XXJ_TEST_PLUGIN), &error);
  ASSERT_NE(library, nullptr) << error;
  auto* answer = reinterpret_cast<int (*)(int)>(library->Symbol("SampleAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(20), 41);
  EXPECT_EQ(library->Symbol("ImportXXJ"), nullptr);
  library.reset();

  EXPECT_EQ(machine.LoadLibrary("C:\\FunPlugins\\XXJEditorDLL.dll", &error), nullptr);
  EXPECT_NE(error.find("XXJEditorDLL.dll"), std::string::npos) << error;
  prefix.WriteFile("FunPlugins/Broken.dll", "MZ not an ELF object");
  error.clear();
  EXPECT_EQ(machine.LoadLibrary("C:\\FunPlugins\\broken.DLL", &error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(Trace, LinesReachAListeningViewerAsUtf16) {
  TestPrefix prefix;
  TempFolder runtime;
  ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path().c_str());
  Machine& machine = prefix.GetMachine();
  EXPECT_FALSE(machine.TraceViewerPresent());
  EXPECT_FALSE(machine.SendTrace(u"lost"));
  {
    TraceListener viewer;
    EXPECT_THROW(TraceListener(), Exception);  // one viewer at a time
    EXPECT_TRUE(machine.TraceViewerPresent());
    const std::u16string line = Utf16FromUtf8("导入信息价: 102013");
    EXPECT_TRUE(machine.SendTrace(line));
    EXPECT_TRUE(machine.SendTrace(u""));
    EXPECT_EQ(viewer.Receive(1000), line);
    EXPECT_EQ(viewer.Receive(1000), u"");
    EXPECT_EQ(viewer.Receive(0), std::nullopt);
  }
  EXPECT_FALSE(fs::exists(runtime.Path() / "TTraceForm"));
  // A socket file left by a viewer that died is not a viewer, and a new one replaces it.
  {
    const std::string path = TraceSocketPath();
    const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
  }
  EXPECT_FALSE(machine.TraceViewerPresent());
  EXPECT_FALSE(machine.SendTrace(u"lost"));
  TraceListener replacement;
  EXPECT_TRUE(machine.SendTrace(u"again"));
  EXPECT_EQ(replacement.Receive(1000), u"again");
}

TEST(ShellOpen, StartsXdgOpenWithThePathAsOneArgument) {
  TestPrefix prefix;
  Machine& machine = prefix.GetMachine();
  prefix.WriteFile("Program Files/temp.txt", "report");
  {
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    EXPECT_FALSE(machine.ShellOpen("C:\\Program Files\\temp.txt"));
  }
  // A stand-in xdg-open that records its arguments.
  TempFolder bin;
  const fs::path record = bin.Path() / "args";
  bin.WriteFile("xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                record.string() + ".tmp\"\nmv \"" + record.string() + ".tmp\" \"" +
                                record.string() + "\"\n");
  fs::permissions(bin.Path() / "xdg-open", fs::perms::owner_all);
  ScopedEnv display("DISPLAY", ":0");
  ScopedEnv path("PATH", (bin.Path().string() + ":/usr/bin:/bin").c_str());
  prefix.WriteFile("Program Files/$(touch x); a.txt", "");
  ASSERT_TRUE(machine.ShellOpen("C:\\program files\\$(touch x); a.txt"));
  for (int attempt = 0; attempt < 500 && !fs::exists(record); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(TempFolder::ReadFile(record),
            (prefix.Path() / "dosdevices/c:/Program Files/$(touch x); a.txt").string() + "\n");
  EXPECT_FALSE(fs::exists(bin.Path() / "x"));
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
}

TEST(Identity, GuidsAreRandomVersionFour) {
  TestPrefix prefix;
  std::set<std::array<uint8_t, 16>> seen;
  for (int i = 0; i < 100; ++i) {
    const auto guid = prefix.GetMachine().NewGuid();
    EXPECT_EQ(guid[7] >> 4, 4);
    EXPECT_EQ(guid[8] & 0xC0, 0x80);
    seen.insert(guid);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(Identity, TickCountIsMonotonicMilliseconds) {
  TestPrefix prefix;
  const uint32_t before = prefix.GetMachine().TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const uint32_t elapsed = prefix.GetMachine().TickCount() - before;
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 60000u);
}

}  // namespace
}  // namespace xxj
