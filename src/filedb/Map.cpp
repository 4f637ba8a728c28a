#include "filedb/Map.h"

#include <algorithm>

#include "support/Errors.h"
#include "support/TextEncoding.h"

namespace xxj {

TMapList::TMapList(int bucketCount) : buckets_(static_cast<size_t>(std::max(bucketCount, 1))) {}

TMapList::~TMapList() = default;

uint32_t TMapList::Hash(std::string_view key) {
  uint32_t hash = 0;
  for (const char c : key) {
    uint8_t byte = static_cast<uint8_t>(c);
    if (byte >= 'a' && byte <= 'z') byte = static_cast<uint8_t>(byte - 'a' + 'A');
    if (hash < 107374182)
      hash *= 10;
    else
      hash &= 0xFFFFFF;
    hash += byte;
  }
  return hash;
}

int TMapList::BucketOf(std::string_view key) const {
  return static_cast<int>(Hash(key) % buckets_.size());
}

void TMapList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EMapOutOfBounds("The index is out of MapList bounds");
}

TMapItem& TMapList::Add(std::string_view key, std::string_view text, void* object) {
  if (TMapItem* existing = Find(key)) {
    existing->text_ = std::string(text);
    existing->object_ = object;
    return *existing;
  }
  items_.push_back(
      std::make_unique<TMapItem>(Count(), std::string(key), std::string(text), object));
  TMapItem* item = items_.back().get();
  auto& bucket = buckets_[static_cast<size_t>(BucketOf(key))];
  if (!bucket) bucket = std::make_unique<Bucket>();
  bucket->push_back(item);
  return *item;
}

TMapItem* TMapList::Find(std::string_view key) const {
  const auto& bucket = buckets_[static_cast<size_t>(BucketOf(key))];
  if (!bucket) return nullptr;
  for (TMapItem* item : *bucket)
    if (SameTextAscii(item->key_, key)) return item;
  return nullptr;
}

int TMapList::IndexOf(std::string_view key) const {
  const TMapItem* item = Find(key);
  return item ? item->index_ : -1;
}

TMapItem& TMapList::Items(int index) const {
  CheckIndex(index);
  return *items_[static_cast<size_t>(index)];
}

void TMapList::Delete(int index) {
  CheckIndex(index);
  TMapItem* item = items_[static_cast<size_t>(index)].get();
  auto& bucket = *buckets_[static_cast<size_t>(BucketOf(item->key_))];
  bucket.erase(std::find(bucket.begin(), bucket.end(), item));
  items_.erase(items_.begin() + index);
  for (size_t i = static_cast<size_t>(index); i < items_.size(); ++i)
    items_[i]->index_ = static_cast<int>(i);
}

void TMapList::Clear() {
  items_.clear();
  for (auto& bucket : buckets_) bucket.reset();
}

}  // namespace xxj
