#pragma once

#include <cstdint>
#include <string>

#include "settings/json_one_send.h"
#include "ui/tir_form.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace tir::ui {

class TCheckListBox;

// Internet-shop exchange window: edits this base's shop profile, saves it and sends the goods.
class TFTirDExInetShop final : public TTirForm {
 public:
  TFTirDExInetShop();

  // Loads this base's stored profile (defaults when there is none) into the controls.
  void LoadJsonSender();
  // Takes the controls into mJS; a test-site URL forces the automatic send off.
  bool TestAndUpdateJS();

  TJSONOneSend mJS;
  std::int32_t mID = 0;

 private:
  void Retranslate() override;
  void FillCheckLists();
  void OnAutomatToggled(bool aChecked);
  void OnFindGroups();
  void OnSend();
  void OnOK();
  bool UrlIsTestSite() const;

  std::string strEditGoodsGroups;
  QLabel* mLabels[8] = {};
  QLineEdit* EditName;
  QComboBox* EditURL;
  QCheckBox* CheckBoxAutomat;
  QSpinBox* EditTimeMin;
  QCheckBox* CheckBoxPerDay;
  QSpinBox* EditPerDay;
  QLineEdit* EditGoodsGroups;
  QToolButton* ButtonFindGroups;
  QToolButton* ButtonClearGroups;
  TCheckListBox* EditEnts;
  TCheckListBox* EditStores;
  QLineEdit* EditGUID;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;
  QPushButton* SendButton;
  QPushButton* AdvGlowButton1;
  QLabel* LabelLink1;
};

}  // namespace tir::ui
