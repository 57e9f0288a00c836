#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "json/json_kind.h"

namespace tir::json {

namespace detail {
class Store;
struct ObjectData;
}  // namespace detail

class Array;

// A JSON object of an in-memory tree. The handle shares ownership of the whole tree, so it stays
// valid as long as it lives, even when its parent grows. Keys keep the order in which they were
// first set; setting an existing key replaces its value in place.
//
// Objects and arrays taken from another tree (SetObject, SetArray, AppendObject) are copied; the
// handles returned by SetNewObject / SetNewArray refer to the new value inside this tree.
class Object {
 public:
  Object();  // an empty object in a tree of its own

  // Parses a JSON text whose root is an object; raises JsonError otherwise.
  static Object Parse(std::string_view text);
  // Parses a whole file (UTF-8, a byte-order mark is skipped); raises JsonError.
  static Object ParseFile(const std::string& path);

  void SetString(std::string_view key, std::string_view value);
  void SetInt64(std::string_view key, std::int64_t value);
  void SetNumber(std::string_view key, double value);
  void SetBool(std::string_view key, bool value);
  void SetNull(std::string_view key);
  void SetObject(std::string_view key, const Object& value);
  void SetArray(std::string_view key, const Array& value);
  Object SetNewObject(std::string_view key);
  Array SetNewArray(std::string_view key);

  bool Has(std::string_view key) const;
  Kind KindOf(std::string_view key) const;  // kNull when missing
  // Getters give an empty text, 0, false or an empty object / array when the member is missing or
  // of another kind; numbers convert between integer and floating, and GetString gives the text of
  // a number. The empty object and array are shared stand-ins that cost no allocation; writing into
  // one gives the handle a new tree of its own and never reaches this tree.
  std::string GetString(std::string_view key) const;
  std::int64_t GetInt64(std::string_view key) const;
  double GetNumber(std::string_view key) const;
  bool GetBool(std::string_view key) const;
  Object GetObject(std::string_view key) const;
  Array GetArray(std::string_view key) const;

  std::size_t Size() const;
  std::string_view KeyAt(std::size_t index) const;

  // The tree as JSON text (UTF-8), compact or indented by two spaces.
  std::string ToText(bool indent) const;
  // Writes the text to `path` through a temporary file next to it, so a failed save leaves any
  // earlier file unchanged. Raises JsonError.
  void SaveToFile(const std::string& path, bool indent) const;

  // Bytes the tree's memory pool holds.
  std::size_t PoolBytes() const;

 private:
  friend class Array;
  Object(std::shared_ptr<detail::Store> store, detail::ObjectData* data)
      : store_(std::move(store)), data_(data) {}
  // A handle to the shared empty stand-in gets a tree of its own before its first change.
  void Own();

  std::shared_ptr<detail::Store> store_;
  detail::ObjectData* data_;
};

}  // namespace tir::json
