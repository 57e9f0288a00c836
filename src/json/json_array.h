#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "json/json_kind.h"

namespace tir::json {

namespace detail {
class Store;
struct ArrayData;
}  // namespace detail

class Object;

// A JSON array of an in-memory tree; handles share the tree as Object does.
class Array {
 public:
  Array();  // an empty array in a tree of its own

  // Parses a JSON text whose root is an array ("[]" gives an empty one); raises JsonError.
  static Array Parse(std::string_view text);

  std::size_t Size() const;
  Kind KindAt(std::size_t index) const;  // kNull beyond the end
  // Element getters follow the rules of the Object getters; an index beyond the end gives the
  // empty value (the shared stand-in for an object or array).
  Object GetObject(std::size_t index) const;
  Array GetArray(std::size_t index) const;
  std::string GetString(std::size_t index) const;
  std::int64_t GetInt64(std::size_t index) const;
  double GetNumber(std::size_t index) const;

  Object AppendNewObject();
  void AppendObject(const Object& value);  // copied
  void AppendString(std::string_view value);
  void AppendInt64(std::int64_t value);
  void AppendNumber(double value);

  std::string ToText(bool indent) const;

 private:
  friend class Object;
  Array(std::shared_ptr<detail::Store> store, detail::ArrayData* data)
      : store_(std::move(store)), data_(data) {}
  // A handle to the shared empty stand-in gets a tree of its own before its first change.
  void Own();

  std::shared_ptr<detail::Store> store_;
  detail::ArrayData* data_;
};

}  // namespace tir::json
