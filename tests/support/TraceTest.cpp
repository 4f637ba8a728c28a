#include "support/Trace.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "support/TextEncoding.h"
#include "testutil/TempFolder.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

// A trace viewer of our own: the socket the machine sends trace lines to,
// in a private runtime folder.
class TraceViewer {
 public:
  explicit TraceViewer(const std::string& runtimeFolder) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old != nullptr) previous_ = old;
    hadPrevious_ = old != nullptr;
    setenv("XDG_RUNTIME_DIR", runtimeFolder.c_str(), 1);
    path_ = runtimeFolder + "/TTraceForm";
  }
  ~TraceViewer() {
    Close();
    if (hadPrevious_) {
      setenv("XDG_RUNTIME_DIR", previous_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }

  void Open() {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd_, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path_.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    ASSERT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    unlink(path_.c_str());
  }
  // The bytes of the next line, or nullopt when none is waiting.
  std::optional<std::string> Receive() {
    char buffer[65536];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) return std::nullopt;
    return std::string(buffer, n);
  }

 private:
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
  int fd_ = -1;
};

std::string Utf16LeBytes(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(TraceLine, ReachesTheViewerAsUtf16WithoutTerminator) {
  testing::TestPrefix prefix;
  testing::TempFolder runtime;
  TraceViewer viewer(runtime.Path().string());
  viewer.Open();

  TraceLine(u"12345");
  TraceLine(Gbk("开始If_Xxj：102013"));
  TraceLine(std::u16string_view());
  TraceLine(std::string_view());

  const auto first = viewer.Receive();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->size(), 10u);
  EXPECT_EQ(*first, Utf16LeBytes(u"12345"));
  EXPECT_EQ(viewer.Receive(), Utf16LeBytes(u"开始If_Xxj：102013"));
  // Empty lines send nothing.
  EXPECT_EQ(viewer.Receive(), std::nullopt);
}

TEST(TraceLine, WithoutViewerNothingFails) {
  testing::TestPrefix prefix;
  testing::TempFolder runtime;
  TraceViewer viewer(runtime.Path().string());
  viewer.Open();
  viewer.Close();
  EXPECT_NO_THROW(TraceLine(u"lost"));
  EXPECT_NO_THROW(TraceLine(Gbk("丢失")));
  // Lines sent while nobody listened are gone, not delivered later.
  viewer.Open();
  TraceLine(u"seen");
  EXPECT_EQ(viewer.Receive(), Utf16LeBytes(u"seen"));
  EXPECT_EQ(viewer.Receive(), std::nullopt);
}

}  // namespace
}  // namespace xxj
