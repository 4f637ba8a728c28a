#pragma once
// The name-keyed hash list that indexes the columns of a table. Items keep
// their insertion order; keys compare without regard to ASCII case.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xxj {

class TMapItem {
 public:
  TMapItem(int index, std::string key, std::string text, void* object)
      : index_(index), key_(std::move(key)), text_(std::move(text)), object_(object) {}

  int Index() const { return index_; }
  const std::string& Key() const { return key_; }
  const std::string& Text() const { return text_; }
  // Not owned by the item.
  void* Object() const { return object_; }

 private:
  friend class TMapList;
  int index_;
  std::string key_;
  std::string text_;
  void* object_;
};

class TMapList {
 public:
  explicit TMapList(int bucketCount);
  TMapList(const TMapList&) = delete;
  TMapList& operator=(const TMapList&) = delete;
  ~TMapList();

  // Replaces the text and object of an item with the same key, else appends.
  TMapItem& Add(std::string_view key, std::string_view text, void* object);
  int IndexOf(std::string_view key) const;
  TMapItem* Find(std::string_view key) const;
  // Raise EMapOutOfBounds for an index outside 0 .. Count - 1.
  TMapItem& Items(int index) const;
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  int BucketCount() const { return static_cast<int>(buckets_.size()); }

  // The bucket hash of the stored files: ASCII letters upper-cased, the
  // running value times ten while it is small, else cut to its low 24 bits.
  static uint32_t Hash(std::string_view key);

 private:
  using Bucket = std::vector<TMapItem*>;
  int BucketOf(std::string_view key) const;
  void CheckIndex(int index) const;

  std::vector<std::unique_ptr<TMapItem>> items_;
  std::vector<std::unique_ptr<Bucket>> buckets_;  // created when first needed
};

}  // namespace xxj
