#pragma once

// The empty object and array that look-ups hand out for a missing or mismatched member (internal
// to the library). They live in one process-wide tree that is never written: a handle that holds
// one moves to a tree of its own before its first change, so a missing member costs no allocation.

#include <memory>

#include "json/json_store.h"

namespace tir::json::detail {

const std::shared_ptr<Store>& EmptyStore();
ObjectData* EmptyObject();
ArrayData* EmptyArray();

}  // namespace tir::json::detail
