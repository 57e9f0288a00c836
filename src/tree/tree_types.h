#pragma once

#include <string>

namespace tir::tree {

// Outcome of a tree operation: fCode 0 is success, fStr is empty then and a message otherwise.
struct TFuncR {
  int fCode = -1;
  std::string fStr = "Невідома помилка";
};

// Where a moved group lands under its new parent.
enum TTreeInsertPos { tipFirstChild = 0, tipLastChild = 1 };

// Direction of a move among siblings.
enum TTreeSiblingMoveDir { smdUp = 0, smdDown = 1 };

// Code of a database error caught by the portable form.
constexpr int kTreeDbErrorCode = 99;

}  // namespace tir::tree
