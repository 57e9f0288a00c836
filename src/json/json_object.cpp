#include "json/json_object.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "files/output_file.h"
#include "json/json_array.h"
#include "json/json_empty.h"
#include "json/json_error.h"
#include "json/json_store.h"
#include "json/json_text.h"

namespace tir::json {

using detail::Node;

namespace {

Node ObjectNode(detail::ObjectData* data) {
  Node n;
  n.kind = Kind::kObject;
  n.u.o = data;
  return n;
}

const Node* Find(detail::Store& store, const detail::ObjectData& data, std::string_view key) {
  const detail::Member* m = store.Find(data, key);
  return m == nullptr ? nullptr : &m->value;
}

}  // namespace

Object::Object() : store_(std::make_shared<detail::Store>()), data_(store_->NewObject()) {}

void Object::Own() {
  if (data_ != detail::EmptyObject()) return;
  store_ = std::make_shared<detail::Store>();
  data_ = store_->NewObject();
}

Object Object::Parse(std::string_view text) {
  auto store = std::make_shared<detail::Store>();
  const Node root = detail::ParseText(*store, text, Kind::kObject);
  return Object(std::move(store), root.u.o);
}

Object Object::ParseFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw JsonError("cannot open file \"" + path + "\"");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw JsonError("cannot read file \"" + path + "\"");
  try {
    return Parse(text.str());
  } catch (const JsonError& e) {
    throw JsonError(path + ": " + e.what());
  }
}

void Object::SetString(std::string_view key, std::string_view value) {
  Own();
  store_->Set(*data_, key, store_->StringNode(value));
}

void Object::SetInt64(std::string_view key, std::int64_t value) {
  Own();
  Node n;
  n.kind = Kind::kInt;
  n.u.i = value;
  store_->Set(*data_, key, n);
}

void Object::SetNumber(std::string_view key, double value) {
  Own();
  Node n;
  n.kind = Kind::kNumber;
  n.u.d = value;
  store_->Set(*data_, key, n);
}

void Object::SetBool(std::string_view key, bool value) {
  Own();
  Node n;
  n.kind = Kind::kBool;
  n.u.b = value;
  store_->Set(*data_, key, n);
}

void Object::SetNull(std::string_view key) {
  Own();
  store_->Set(*data_, key, Node{});
}

void Object::SetObject(std::string_view key, const Object& value) {
  Own();
  // Copy first: `value` may be this object or one of its members.
  store_->Set(*data_, key, ObjectNode(store_->CopyObject(*value.data_)));
}

void Object::SetArray(std::string_view key, const Array& value) {
  Own();
  Node n;
  n.kind = Kind::kArray;
  n.u.a = store_->CopyArray(*value.data_);
  store_->Set(*data_, key, n);
}

Object Object::SetNewObject(std::string_view key) {
  Own();
  detail::ObjectData* child = store_->NewObject();
  store_->Set(*data_, key, ObjectNode(child));
  return Object(store_, child);
}

Array Object::SetNewArray(std::string_view key) {
  Own();
  Node n;
  n.kind = Kind::kArray;
  n.u.a = store_->NewArray();
  store_->Set(*data_, key, n);
  return Array(store_, n.u.a);
}

bool Object::Has(std::string_view key) const { return Find(*store_, *data_, key) != nullptr; }

Kind Object::KindOf(std::string_view key) const {
  const Node* n = Find(*store_, *data_, key);
  return n == nullptr ? Kind::kNull : n->kind;
}

std::string Object::GetString(std::string_view key) const {
  const Node* n = Find(*store_, *data_, key);
  return n == nullptr ? std::string() : detail::NodeString(*n);
}

std::int64_t Object::GetInt64(std::string_view key) const {
  const Node* n = Find(*store_, *data_, key);
  return n == nullptr ? 0 : detail::NodeInt64(*n);
}

double Object::GetNumber(std::string_view key) const {
  const Node* n = Find(*store_, *data_, key);
  return n == nullptr ? 0.0 : detail::NodeNumber(*n);
}

bool Object::GetBool(std::string_view key) const { return GetInt64(key) != 0; }

Object Object::GetObject(std::string_view key) const {
  const Node* n = Find(*store_, *data_, key);
  if (n == nullptr || n->kind != Kind::kObject) {
    return Object(detail::EmptyStore(), detail::EmptyObject());
  }
  return Object(store_, n->u.o);
}

Array Object::GetArray(std::string_view key) const {
  const Node* n = Find(*store_, *data_, key);
  if (n == nullptr || n->kind != Kind::kArray) {
    return Array(detail::EmptyStore(), detail::EmptyArray());
  }
  return Array(store_, n->u.a);
}

std::size_t Object::Size() const { return data_->size; }

std::string_view Object::KeyAt(std::size_t index) const {
  if (index >= data_->size) return {};
  const detail::Member& m = data_->items[index];
  return std::string_view(m.keyLen == 0 ? "" : m.key, m.keyLen);
}

std::string Object::ToText(bool indent) const {
  return detail::WriteText(ObjectNode(data_), indent);
}

void Object::SaveToFile(const std::string& path, bool indent) const {
  std::string error;
  if (!files::WriteOutputFile(
          path, [&](std::FILE* file) { return detail::WriteFile(ObjectNode(data_), indent, file); },
          error)) {
    throw JsonError(error);
  }
}

std::size_t Object::PoolBytes() const { return store_->PoolBytes(); }

}  // namespace tir::json
