#pragma once

// The storage of one JSON tree: every node, key and string lives in one memory pool owned by the
// tree's Store and is released with it. Containers are allocated separately from their parents, so
// a handle to an object or array stays valid while its parent grows. A value that is replaced stays
// in the pool until the whole tree is freed.

#include <rapidjson/allocators.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "json/json_kind.h"

namespace tir::json::detail {

struct ObjectData;
struct ArrayData;

struct Node {
  union {
    std::int64_t i;
    double d;
    bool b;
    const char* s;
    ObjectData* o;
    ArrayData* a;
  } u{};
  std::uint32_t len = 0;  // bytes of a string
  Kind kind = Kind::kNull;
};

struct Member {
  const char* key;
  std::uint32_t keyLen;
  std::uint32_t keyHash;
  Node value;
};

struct ObjectData {
  Member* items = nullptr;
  std::uint32_t size = 0;
  std::uint32_t capacity = 0;
};

struct ArrayData {
  Node* items = nullptr;
  std::uint32_t size = 0;
  std::uint32_t capacity = 0;
};

class Store {
 public:
  Store() : nodes_(kChunkSize), texts_(kChunkSize) {}
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  ObjectData* NewObject();
  ArrayData* NewArray();
  // A copy of the text in the pool; invalid UTF-8 sequences become U+FFFD so the tree always
  // saves as valid JSON.
  Node StringNode(std::string_view text);

  // Sets `key` of `object`: an existing member keeps its place and gets the new value, a new key
  // is appended. Returns the member's value.
  Node& Set(ObjectData& object, std::string_view key, const Node& value);
  Node& Append(ArrayData& array, const Node& value);

  // The member of `object` named `key`, or null. Objects with many members get a hash index
  // (kept up to date by Set), so a large object parses and reads in linear time.
  const Member* Find(const ObjectData& object, std::string_view key);

  // Deep copies of a container of any tree into this one.
  ObjectData* CopyObject(const ObjectData& source);
  ArrayData* CopyArray(const ArrayData& source);

  std::size_t PoolBytes() const { return nodes_.Capacity() + texts_.Capacity(); }

 private:
  Node CopyNode(const Node& source);
  void* Allocate(std::size_t bytes);  // nodes and containers
  const char* CopyText(std::string_view text);
  // Room for one more item in a container's item block: a small block that was allocated last
  // grows in place by a few items; any other block doubles.
  void* Grow(void* items, std::uint32_t& capacity, std::uint32_t size, std::size_t itemSize);

  static constexpr std::size_t kChunkSize = std::size_t{64} * 1024;
  // Texts (keys and strings) live apart from the nodes, so that the item block of the container
  // being filled stays the last node allocation and can grow without copies.
  rapidjson::MemoryPoolAllocator<> nodes_;
  rapidjson::MemoryPoolAllocator<> texts_;
  const void* last_ = nullptr;

  // Below this a scan of the stored key hashes is cheaper than an index.
  static constexpr std::uint32_t kIndexFrom = 256;
  using KeyIndex = std::unordered_map<std::string_view, std::uint32_t>;
  std::unordered_map<const ObjectData*, KeyIndex> indexes_;
};

std::uint32_t KeyHash(std::string_view key);

}  // namespace tir::json::detail
