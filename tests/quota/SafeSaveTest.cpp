// A save that fails or is cut short must leave the library as it was.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "filedb/VelDatabase.h"
#include "quota/DekProject.h"
#include "quota/ProjectTestSupport.h"
#include "support/Errors.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::Item;
using testing::LibraryBuilder;
using testing::PriceRow;
using testing::ReadBytes;

const std::string kLibrary = "C:\\dek\\a.Dek";

class SafeSaveTest : public ::testing::Test {
 protected:
  SafeSaveTest() : tap_(prefix_.GetMachine()), scope_(tap_) { tap_.ForceDirectories("C:\\dek\\"); }

  void BuildLibrary(int rows) {
    rows_ = rows;
    LibraryBuilder builder;
    for (int id = 1; id <= rows_; ++id) builder.Add("TXXJ", PriceRow(id, 2024, id));
    builder.Add("TGLJZM", Item(1, "A")).Add("TForeign", Item(2, "kept"));
    builder.Write(kLibrary);
    original_ = ReadBytes(kLibrary);
  }

  void RestoreOriginal() { prefix_.WriteFile("dek/a.Dek", original_); }

  // Opens the library and changes every price, as an import would.
  static void ChangePrices(TDekProject& project, double offset) {
    project.Open(kLibrary);
    for (TCustomObject* row : project.GetTXXJs()->List())
      row->SetFloatValue(TDek_TXXJ::JAN, row->GetFloatValue(TDek_TXXJ::JAN) + offset);
    project.SetModified(true);
  }

  int rows_ = 0;
  xxj::testing::TestPrefix prefix_;
  xxj::testing::TapMachine tap_;
  ScopedMachine scope_;
  std::string original_;
};

TEST_F(SafeSaveTest, EveryFailingWriteStepLeavesTheLibraryUnchangedAndReachesTheCaller) {
  BuildLibrary(200);
  // A clean save first, to learn its steps and its result.
  std::vector<std::string> steps;
  std::string saved;
  {
    TDekProject project;
    ChangePrices(project, 1000);
    tap_.counting = true;
    project.Save();
    tap_.counting = false;
    steps = tap_.steps;
    // The last step refreshes the working copy, after the library was replaced.
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), "copy " + project.WorkingCopy());
    saved = ReadBytes(kLibrary);
  }
  ASSERT_NE(saved, original_);
  int failures = 0;
  for (int failAt = 1; failAt < static_cast<int>(steps.size()); ++failAt) {
    RestoreOriginal();
    tap_.steps.clear();
    tap_.traces.clear();
    TDekProject project;
    ChangePrices(project, 1000);
    tap_.failAt = failAt;
    tap_.counting = true;
    try {
      project.Save();
      ADD_FAILURE() << "save went through with step " << failAt
                    << " failing: " << steps[failAt - 1];
    } catch (const Exception&) {
      ++failures;
    }
    tap_.counting = false;
    tap_.failAt = 0;
    EXPECT_EQ(ReadBytes(kLibrary), original_) << "step " << failAt << ": " << steps[failAt - 1];
    EXPECT_FALSE(tap_.FileExists(TBaseDekPrj::PendingSaveFile(kLibrary))) << "step " << failAt;
    EXPECT_TRUE(project.Modified());
    bool traced = false;
    for (const std::string& line : tap_.traces)
      traced = traced || line.rfind("TDekProject.Save Err: ", 0) == 0;
    EXPECT_TRUE(traced) << "step " << failAt;
  }
  EXPECT_EQ(failures, static_cast<int>(steps.size()) - 1);

  // Only refreshing the working copy may fail without failing the save.
  RestoreOriginal();
  tap_.steps.clear();
  TDekProject project;
  ChangePrices(project, 1000);
  tap_.failAt = static_cast<int>(steps.size());
  tap_.counting = true;
  EXPECT_NO_THROW(project.Save());
  tap_.counting = false;
  EXPECT_EQ(ReadBytes(kLibrary), saved);
}

TEST_F(SafeSaveTest, AKilledSaveLeavesEitherTheOldOrTheNewLibrary) {
  BuildLibrary(5000);
  // Working copies of killed savers go to a folder the test removes.
  const std::string tempFolder = (prefix_.Path() / "tmp").string();
  std::filesystem::create_directories(tempFolder);
  // The child tells the parent through a pipe when its save begins.
  const auto saveInChild = [&](int& ready) -> pid_t {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      setenv("TMPDIR", tempFolder.c_str(), 1);
      try {
        TDekProject project;
        ChangePrices(project, 1000);
        if (write(fds[1], "s", 1) != 1) _exit(3);
        project.Save();
      } catch (...) {
        _exit(2);
      }
      _exit(0);
    }
    close(fds[1]);
    char byte = 0;
    if (pid < 0 || read(fds[0], &byte, 1) != 1) {
      close(fds[0]);
      return -1;
    }
    ready = fds[0];
    return pid;
  };

  // The new content, and how long an uninterrupted save takes.
  int ready = -1;
  pid_t pid = saveInChild(ready);
  ASSERT_GT(pid, 0);
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(ready);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto saveTime = std::chrono::steady_clock::now() - start;
  const std::string saved = ReadBytes(kLibrary);
  ASSERT_NE(saved, original_);

  std::mt19937 random(20261211);
  const auto maxDelay = std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count();
  int oldSeen = 0;
  int newSeen = 0;
  for (int round = 0; round < 30; ++round) {
    RestoreOriginal();
    pid = saveInChild(ready);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int64_t>(0, maxDelay)(random)));
    kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(ready);

    const std::string now = ReadBytes(kLibrary);
    ASSERT_TRUE(now == original_ || now == saved)
        << "round " << round << ": a half-written library";
    (now == original_ ? oldSeen : newSeen)++;
    TDekProject check;
    check.Open(kLibrary);
    EXPECT_EQ(check.GetTXXJs()->Count(), rows_);
  }
  std::cout << "killed saves: " << oldSeen << " left the old library, " << newSeen
            << " the new one (save takes " << maxDelay << " us)\n";
  // A later save starts over cleanly after a killed one.
  TDekProject project;
  ChangePrices(project, 1);
  project.Save();
  EXPECT_FALSE(tap_.FileExists(TBaseDekPrj::PendingSaveFile(kLibrary)));
}

}  // namespace
}  // namespace xxj
