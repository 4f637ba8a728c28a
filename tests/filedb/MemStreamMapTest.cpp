#include <gtest/gtest.h>

#include "filedb/Map.h"
#include "filedb/MemStream.h"
#include "support/Errors.h"

namespace xxj {
namespace {

TEST(TMemStream, CapacityFollowsTheGrowthRule) {
  const struct {
    int64_t needed;
    int64_t capacity;
  } cases[] = {
      {1, 8192},        // +8 for tiny streams
      {16, 8192},       // still tiny
      {8160, 8192},     // +32 fits one block exactly
      {8161, 16384},    // +32 spills into a second block
      {10240, 16384},   // +32
      {10241, 16384},   // +half: 15361
      {20000, 32768},   // +half: 30000
      {100000, 155648}  // +half: 150000 -> 19 blocks
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TMemStream::GrownCapacity(c.needed), c.capacity) << c.needed;
    TMemStream stream;
    stream.SetSize(c.needed);
    EXPECT_EQ(stream.Capacity(), c.capacity) << c.needed;
  }
}

TEST(TMemStream, WritesReadsSeeksAndSizes) {
  TMemStream stream;
  stream.WriteBuffer("abcdef", 6);
  EXPECT_EQ(stream.Size(), 6);
  const int64_t capacity = stream.Capacity();
  stream.Write("xy", 2);  // small writes stay in the same block
  EXPECT_EQ(stream.Capacity(), capacity);

  stream.SetPosition(10);  // writing past the end fills the gap with zeros
  stream.WriteBuffer("z", 1);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(stream.Memory()), 11),
            std::string("abcdefxy\0\0z", 11));

  stream.SetSize(4);  // below the position: the position moves to the new end
  EXPECT_EQ(stream.Position(), 4);
  stream.SetSize(-1);  // ignored
  EXPECT_EQ(stream.Size(), 4);

  char buffer[8] = {};
  stream.SetPosition(2);
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(std::string(buffer, 2), "cd");
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  stream.SetPosition(-3);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_THROW(stream.ReadBuffer(buffer, 1), Exception);
}

TEST(TMapList, HashOfStoredKeys) {
  EXPECT_EQ(TMapList::Hash(""), 0u);
  EXPECT_EQ(TMapList::Hash("A"), 65u);
  EXPECT_EQ(TMapList::Hash("ZMBH"), 98432u);
  EXPECT_EQ(TMapList::Hash("zmbh"), 98432u);
  // Long keys pass 107374182 and are cut to their low 24 bits.
  EXPECT_EQ(TMapList::Hash("ABCDEFGHIJKL"), 2330999u);
  EXPECT_EQ(TMapList::Hash("\xB2\xC4"), 0xB2u * 10 + 0xC4u);  // GBK bytes count as 0..255
}

TEST(TMapList, AddFindReplaceAndDelete) {
  TMapList map(30);
  int a = 1, b = 2, c = 3;
  map.Add("ZMBH", "t1", &a);
  map.Add("MC", "t2", &b);
  map.Add("DW", "t3", &c);
  EXPECT_EQ(map.Count(), 3);
  EXPECT_EQ(map.IndexOf("zmbh"), 0);
  EXPECT_EQ(map.IndexOf("Dw"), 2);
  EXPECT_EQ(map.IndexOf("XX"), -1);
  EXPECT_EQ(map.Find("XX"), nullptr);

  map.Add("mc", "t4", &c);  // same key: replaced in place
  EXPECT_EQ(map.Count(), 3);
  EXPECT_EQ(map.Items(1).Text(), "t4");
  EXPECT_EQ(map.Items(1).Object(), &c);
  EXPECT_EQ(map.Items(1).Key(), "MC");

  map.Delete(0);
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(map.Find("ZMBH"), nullptr);
  EXPECT_EQ(map.Items(0).Key(), "MC");
  EXPECT_EQ(map.Items(0).Index(), 0);
  EXPECT_EQ(map.Items(1).Index(), 1);
  EXPECT_EQ(map.IndexOf("DW"), 1);

  for (int bad : {-1, 2}) {
    try {
      map.Items(bad);
      FAIL() << bad;
    } catch (const EMapOutOfBounds& e) {
      EXPECT_EQ(e.Message(), "The index is out of MapList bounds");
    }
    EXPECT_THROW(map.Delete(bad), EMapOutOfBounds);
  }
  map.Clear();
  EXPECT_EQ(map.Count(), 0);
  EXPECT_EQ(map.IndexOf("MC"), -1);
}

TEST(TMapList, KeysSharingABucketStayApart) {
  TMapList map(1);  // one bucket: every key collides
  for (const char* key : {"A", "B", "C", "D"}) map.Add(key, key, nullptr);
  map.Delete(1);
  EXPECT_EQ(map.IndexOf("A"), 0);
  EXPECT_EQ(map.IndexOf("B"), -1);
  EXPECT_EQ(map.IndexOf("C"), 1);
  EXPECT_EQ(map.IndexOf("d"), 2);
}

}  // namespace
}  // namespace xxj
