#pragma once

#include <memory>

#include "ui/tir_form.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tir::import {
class TDMJsonLoader;
}

namespace tir::ui {

// Load-from-file window: loads the ticked kinds of a JSON exchange file into the base, or only
// analyses what a load would do.
class TFTirDExLoadFile final : public TTirForm {
 public:
  TFTirDExLoadFile();
  ~TFTirDExLoadFile() override;

 private:
  void Retranslate() override;
  void OnChooseFile();
  // Runs the ticked steps in one transaction; a dry run rolls back and shows what it would do.
  void RunLoad(bool aDryRun);

  std::unique_ptr<import::TDMJsonLoader> mJsonLoader;
  QLabel* LabelFileIn;
  QLineEdit* EditFileIn;
  QToolButton* EditFileInButton;
  QGroupBox* GroupObjects;
  QCheckBox* CBoxLoadGoods;
  QCheckBox* CBoxLoadPartners;
  QCheckBox* CBoxLoadAllSPR;
  QCheckBox* CBoxLoadDocs;
  QPushButton* AdvGlowButton2;
  QPushButton* AdvGlowButton1;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;
  QPlainTextEdit* MemoReport;
};

}  // namespace tir::ui
