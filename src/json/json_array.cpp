#include "json/json_array.h"

#include "json/json_empty.h"
#include "json/json_object.h"
#include "json/json_store.h"
#include "json/json_text.h"

namespace tir::json {

using detail::Node;

namespace {

const Node* At(const detail::ArrayData& data, std::size_t index) {
  return index < data.size ? &data.items[index] : nullptr;
}

}  // namespace

Array::Array() : store_(std::make_shared<detail::Store>()), data_(store_->NewArray()) {}

void Array::Own() {
  if (data_ != detail::EmptyArray()) return;
  store_ = std::make_shared<detail::Store>();
  data_ = store_->NewArray();
}

Array Array::Parse(std::string_view text) {
  auto store = std::make_shared<detail::Store>();
  const Node root = detail::ParseText(*store, text, Kind::kArray);
  return Array(std::move(store), root.u.a);
}

std::size_t Array::Size() const { return data_->size; }

Kind Array::KindAt(std::size_t index) const {
  const Node* n = At(*data_, index);
  return n == nullptr ? Kind::kNull : n->kind;
}

Object Array::GetObject(std::size_t index) const {
  const Node* n = At(*data_, index);
  if (n == nullptr || n->kind != Kind::kObject) {
    return Object(detail::EmptyStore(), detail::EmptyObject());
  }
  return Object(store_, n->u.o);
}

Array Array::GetArray(std::size_t index) const {
  const Node* n = At(*data_, index);
  if (n == nullptr || n->kind != Kind::kArray) {
    return Array(detail::EmptyStore(), detail::EmptyArray());
  }
  return Array(store_, n->u.a);
}

std::string Array::GetString(std::size_t index) const {
  const Node* n = At(*data_, index);
  return n == nullptr ? std::string() : detail::NodeString(*n);
}

std::int64_t Array::GetInt64(std::size_t index) const {
  const Node* n = At(*data_, index);
  return n == nullptr ? 0 : detail::NodeInt64(*n);
}

double Array::GetNumber(std::size_t index) const {
  const Node* n = At(*data_, index);
  return n == nullptr ? 0.0 : detail::NodeNumber(*n);
}

Object Array::AppendNewObject() {
  Own();
  Node n;
  n.kind = Kind::kObject;
  n.u.o = store_->NewObject();
  store_->Append(*data_, n);
  return Object(store_, n.u.o);
}

void Array::AppendObject(const Object& value) {
  Own();
  Node n;
  n.kind = Kind::kObject;
  n.u.o = store_->CopyObject(*value.data_);
  store_->Append(*data_, n);
}

void Array::AppendString(std::string_view value) {
  Own();
  store_->Append(*data_, store_->StringNode(value));
}

void Array::AppendInt64(std::int64_t value) {
  Own();
  Node n;
  n.kind = Kind::kInt;
  n.u.i = value;
  store_->Append(*data_, n);
}

void Array::AppendNumber(double value) {
  Own();
  Node n;
  n.kind = Kind::kNumber;
  n.u.d = value;
  store_->Append(*data_, n);
}

std::string Array::ToText(bool indent) const {
  Node n;
  n.kind = Kind::kArray;
  n.u.a = data_;
  return detail::WriteText(n, indent);
}

}  // namespace tir::json
