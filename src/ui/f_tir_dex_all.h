#pragma once

#include <cstdint>
#include <memory>

#include "export/dn_json_builder.h"
#include "settings/data_ex_out.h"
#include "ui/tir_form.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tir::ui {

class TCheckListBox;

// Universal exchange window: exports goods, partners with contracts, all other catalogs and the
// documents of a period into one JSON file and keeps the choices as this base's export profile.
class TFTirDExAll final : public TTirForm {
 public:
  TFTirDExAll();
  ~TFTirDExAll() override;

  // Loads this base's stored export profile (defaults when there is none) into the controls.
  void LoadDataEx();
  bool TestAndUpdateJS();

  TDataExOut mJS;
  std::int32_t mID = 0;

 private:
  void Retranslate() override;
  void OnChooseFile();
  void OnSend();
  void OnOK();

  std::unique_ptr<exporting::TDNJSonBuilder> mJsonBuilder;
  QLabel* mLabels[7] = {};
  QLineEdit* EditFileOut;
  QToolButton* EditFileOutButton;
  QComboBox* ComboFormatType;
  QDateTimeEdit* DateFrom;
  QDateTimeEdit* DateTo;
  QGroupBox* DocIDS;
  QCheckBox* mDocKinds[13] = {};
  TCheckListBox* EditEnts;
  TCheckListBox* EditStores;
  QCheckBox* CBGoodsOnlyInDoc;
  QLineEdit* EditGUID;
  QPushButton* ButtonSend;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;
};

}  // namespace tir::ui
