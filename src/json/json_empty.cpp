#include "json/json_empty.h"

namespace tir::json::detail {

namespace {

// Built once, before the first handle needs it; the containers stay without items for good.
struct EmptyValues {
  std::shared_ptr<Store> store = std::make_shared<Store>();
  ObjectData* object = store->NewObject();
  ArrayData* array = store->NewArray();
};

const EmptyValues& Values() {
  static const EmptyValues values;
  return values;
}

}  // namespace

const std::shared_ptr<Store>& EmptyStore() { return Values().store; }

ObjectData* EmptyObject() { return Values().object; }

ArrayData* EmptyArray() { return Values().array; }

}  // namespace tir::json::detail
