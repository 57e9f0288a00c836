#pragma once

#include <QListWidget>
#include <string>

#include "ui/check_rows.h"

namespace tir::ui {

// A check list of entities or stores; each item keeps its row id (mListIdEnt / mListIdStore).
class TCheckListBox final : public QListWidget {
 public:
  explicit TCheckListBox(const char* aObjectName, QWidget* aParent);

  // Offers the rows; a row is checked when aProfileList is empty or names it.
  void Fill(const std::vector<TCheckRow>& aRows, const std::string& aProfileList);
  // The id-list text of the checked items, in item order ("-1,5,9,-1").
  std::string CheckedIdList() const;
};

}  // namespace tir::ui
