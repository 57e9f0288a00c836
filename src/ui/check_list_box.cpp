#include "ui/check_list_box.h"

namespace tir::ui {

TCheckListBox::TCheckListBox(const char* aObjectName, QWidget* aParent) : QListWidget(aParent) {
  setObjectName(QString::fromUtf8(aObjectName));
}

void TCheckListBox::Fill(const std::vector<TCheckRow>& aRows, const std::string& aProfileList) {
  clear();
  for (const TCheckRow& row : aRows) {
    auto* item = new QListWidgetItem(QString::fromStdString(row.name), this);
    item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(row.id));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(IdListHas(aProfileList, row.id) ? Qt::Checked : Qt::Unchecked);
  }
}

std::string TCheckListBox::CheckedIdList() const {
  std::vector<std::int64_t> ids;
  for (int i = 0; i < count(); ++i) {
    if (item(i)->checkState() == Qt::Checked)
      ids.push_back(item(i)->data(Qt::UserRole).toLongLong());
  }
  return IdListText(ids);
}

}  // namespace tir::ui
