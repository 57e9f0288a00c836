#pragma once

// Texts the tree operations put into their results. Prefixes come in pairs: the portable form's
// and the stored-procedure form's, each followed by the database's error text.
namespace tir::tree::msg {

struct ErrorPrefix {
  const char* portable;
  const char* procedure;
};

inline constexpr ErrorPrefix kAddNode{"Помилка додавання вузла: ",
                                      "Помилка додавання вузла (MSSQL SP): "};
inline constexpr ErrorPrefix kAddChild{"Помилка додавання дочірнього вузла: ",
                                       "Помилка додавання дочірнього вузла (MSSQL SP): "};
inline constexpr ErrorPrefix kDeleteLeaf{"Помилка видалення вузла: ",
                                         "Помилка видалення вузла (MSSQL SP): "};
inline constexpr ErrorPrefix kDeleteSubtree{"Помилка видалення гілки: ",
                                            "Помилка видалення гілки (MSSQL SP): "};
inline constexpr ErrorPrefix kRename{"Помилка зміни назви: ", "Помилка зміни назви (MSSQL SP): "};
inline constexpr ErrorPrefix kGuid{"Помилка зміни GUID: ", "Помилка зміни GUID (MSSQL SP): "};
inline constexpr ErrorPrefix kChangeParent{"Помилка переміщення групи: ",
                                           "Помилка переміщення групи (MSSQL SP): "};
inline constexpr ErrorPrefix kMoveSibling{"Помилка руху групи: ",
                                          "Помилка руху групи (MSSQL SP): "};

inline constexpr const char* kNoRoot = "Не вдалося знайти або створити корінь дерева.";
inline constexpr const char* kBadGuidLength = "Невірний формат GUID (очікується 36 символів).";

}  // namespace tir::tree::msg
