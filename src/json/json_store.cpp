#include "json/json_store.h"

#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "json/json_error.h"
#include "json/utf8_text.h"

namespace tir::json::detail {

namespace {

std::uint32_t CheckedLength(std::size_t size) {
  if (size > std::numeric_limits<std::uint32_t>::max() / 2) {
    throw JsonError("JSON value too large");
  }
  return static_cast<std::uint32_t>(size);
}

}  // namespace

std::uint32_t KeyHash(std::string_view key) {
  std::uint32_t h = 2166136261u;
  for (const char c : key) h = (h ^ static_cast<std::uint8_t>(c)) * 16777619u;
  return h;
}

const Member* Store::Find(const ObjectData& object, std::string_view key) {
  if (object.size >= kIndexFrom) {
    auto [it, made] = indexes_.try_emplace(&object);
    KeyIndex& index = it->second;
    if (made) {
      index.reserve(static_cast<std::size_t>(object.size) * 2);
      for (std::uint32_t i = 0; i < object.size; ++i) {
        const Member& m = object.items[i];
        index.emplace(std::string_view(m.keyLen == 0 ? "" : m.key, m.keyLen), i);
      }
    }
    const auto found = index.find(key);
    return found == index.end() ? nullptr : &object.items[found->second];
  }
  const std::uint32_t hash = KeyHash(key);
  for (std::uint32_t i = 0; i < object.size; ++i) {
    const Member& m = object.items[i];
    // An empty key is stored without text (a null pointer), which memcmp must not be given.
    if (m.keyHash == hash && m.keyLen == key.size() &&
        (key.empty() || std::memcmp(m.key, key.data(), key.size()) == 0)) {
      return &m;
    }
  }
  return nullptr;
}

void* Store::Allocate(std::size_t bytes) {
  void* block = nodes_.Malloc(bytes);
  if (block == nullptr) throw std::bad_alloc();
  last_ = block;
  return block;
}

const char* Store::CopyText(std::string_view text) {
  if (text.empty()) return nullptr;
  char* copy = static_cast<char*>(texts_.Malloc(text.size()));
  if (copy == nullptr) throw std::bad_alloc();
  std::memcpy(copy, text.data(), text.size());
  return copy;
}

void* Store::Grow(void* items, std::uint32_t& capacity, std::uint32_t size, std::size_t itemSize) {
  if (size < capacity) return items;
  // Small blocks that were allocated last grow by a few items in place (the object being
  // filled); anything else doubles, so large blocks are copied only a logarithmic number of times.
  constexpr std::uint32_t kStep = 8;
  constexpr std::size_t kSmallBlock = 4096;
  const bool small = capacity * itemSize < kSmallBlock;
  const std::uint32_t next = capacity == 0 ? kStep
                             : (items == last_ && small)
                                 ? CheckedLength(std::size_t{capacity} + kStep)
                                 : CheckedLength(std::size_t{capacity} * 2);
  void* grown = nodes_.Realloc(items, capacity * itemSize, next * itemSize);
  if (grown == nullptr) throw std::bad_alloc();
  last_ = grown;
  capacity = next;
  return grown;
}

ObjectData* Store::NewObject() { return new (Allocate(sizeof(ObjectData))) ObjectData(); }

ArrayData* Store::NewArray() { return new (Allocate(sizeof(ArrayData))) ArrayData(); }

Node Store::StringNode(std::string_view text) {
  Node node;
  node.kind = Kind::kString;
  if (text.empty()) return node;
  std::string repaired;
  if (!IsValidUtf8(text)) {
    repaired = RepairUtf8(text);
    text = repaired;
  }
  node.len = CheckedLength(text.size());
  node.u.s = CopyText(text);
  return node;
}

Node& Store::Set(ObjectData& object, std::string_view key, const Node& value) {
  // Keys are repaired like texts, so that every written tree reads back (a parsed lone
  // surrogate escape gives ill-formed UTF-8).
  std::string repaired;
  if (!IsValidUtf8(key)) {
    repaired = RepairUtf8(key);
    key = repaired;
  }
  if (const Member* found = Find(object, key)) {
    Member& m = const_cast<Member&>(*found);
    m.value = value;
    return m.value;
  }
  object.items =
      static_cast<Member*>(Grow(object.items, object.capacity, object.size, sizeof(Member)));
  Member& m = object.items[object.size];
  m.keyLen = CheckedLength(key.size());
  m.keyHash = KeyHash(key);
  m.key = CopyText(key);
  m.value = value;
  if (const auto it = indexes_.find(&object); it != indexes_.end()) {
    it->second.emplace(std::string_view(m.keyLen == 0 ? "" : m.key, m.keyLen), object.size);
  }
  ++object.size;
  return m.value;
}

Node& Store::Append(ArrayData& array, const Node& value) {
  array.items = static_cast<Node*>(Grow(array.items, array.capacity, array.size, sizeof(Node)));
  Node& slot = array.items[array.size];
  slot = value;
  ++array.size;
  return slot;
}

Node Store::CopyNode(const Node& source) {
  Node node = source;
  switch (source.kind) {
    case Kind::kString:
      node.u.s = CopyText(std::string_view(source.u.s, source.len));
      break;
    case Kind::kObject:
      node.u.o = CopyObject(*source.u.o);
      break;
    case Kind::kArray:
      node.u.a = CopyArray(*source.u.a);
      break;
    default:
      break;
  }
  return node;
}

ObjectData* Store::CopyObject(const ObjectData& source) {
  ObjectData* copy = NewObject();
  for (std::uint32_t i = 0; i < source.size; ++i) {
    const Member& m = source.items[i];
    Set(*copy, std::string_view(m.key, m.keyLen), CopyNode(m.value));
  }
  return copy;
}

ArrayData* Store::CopyArray(const ArrayData& source) {
  ArrayData* copy = NewArray();
  for (std::uint32_t i = 0; i < source.size; ++i) Append(*copy, CopyNode(source.items[i]));
  return copy;
}

}  // namespace tir::json::detail
