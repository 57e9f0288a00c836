#include "ui/f_tir_dex_all.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <exception>

#include "frame/app_globals.h"
#include "frame/ui_services.h"
#include "settings/profile_rows.h"
#include "settings/tir_codes.h"
#include "ui/check_list_box.h"
#include "ui/documents_folder.h"
#include "ui/qt_dates.h"
#include "ui/ui_texts.h"

namespace tir::ui {

namespace {

constexpr const char* kDocKindNames[13] = {"Приход",
                                           "Продажа",
                                           "Поступление денежных средств",
                                           "Расход денежных средств",
                                           "Заказ покупателя",
                                           "Заказ поставщику",
                                           "Перемещение",
                                           "Списание",
                                           "Оприходование",
                                           "Возврат покупателя",
                                           "Возврат поставщику",
                                           "Производство",
                                           "Переучет"};

QString ElapsedText(qint64 aMs) {
  return QTime(0, 0).addMSecs(static_cast<int>(aMs)).toString(QStringLiteral("hh:mm:ss.zzz"));
}

}  // namespace

TFTirDExAll::TFTirDExAll()
    : TTirForm("FTirDExAll", "Универсальный обмен данными", QStyle::SP_DialogSaveButton) {
  for (QLabel*& label : mLabels) label = new QLabel(this);
  EditFileOut = NewControl<QLineEdit>(this, "EditFileOut", QString::fromStdString(mJS.mFilePath));
  EditFileOutButton = NewControl<QToolButton>(this, "EditFileOutButton");
  EditFileOutButton->setText("...");
  ComboFormatType = NewControl<QComboBox>(this, "ComboFormatType");
  ComboFormatType->addItem("JSON");
  const QDate today = QDate::currentDate();
  DateFrom = NewControl<QDateTimeEdit>(this, "DateFrom", QDateTime(today.addDays(-1), QTime(0, 0)));
  DateTo = NewControl<QDateTimeEdit>(this, "DateTo", QDateTime(today, QTime(23, 59, 59)));
  for (QDateTimeEdit* picker : {DateFrom, DateTo}) {
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
  }
  DocIDS = NewControl<QGroupBox>(this, "DocIDS");
  auto* kinds = new QGridLayout(DocIDS);
  for (int i = 0; i < 13; ++i) {
    mDocKinds[i] = new QCheckBox(DocIDS);
    kinds->addWidget(mDocKinds[i], i / 3, i % 3);
  }
  DocIDS->setEnabled(false);
  EditEnts = new TCheckListBox("EditEnts", this);
  EditStores = new TCheckListBox("EditStores", this);
  CBGoodsOnlyInDoc = NewControl<QCheckBox>(this, "CBGoodsOnlyInDoc");
  EditGUID = NewControl<QLineEdit>(this, "EditGUID");
  EditGUID->setReadOnly(true);
  ButtonSend = NewControl<QPushButton>(this, "ButtonSend");
  ButtonOK = NewControl<QPushButton>(this, "ButtonOK");
  ButtonCancel = NewControl<QPushButton>(this, "ButtonCancel");

  auto* grid = new QGridLayout;
  grid->addWidget(mLabels[0], 0, 0);
  auto* file = new QHBoxLayout;
  file->addWidget(EditFileOut, 1);
  file->addWidget(EditFileOutButton);
  grid->addLayout(file, 0, 1, 1, 3);
  grid->addWidget(mLabels[1], 1, 0);
  grid->addWidget(ComboFormatType, 1, 1);
  grid->addWidget(mLabels[2], 2, 0);
  grid->addWidget(DateFrom, 2, 1);
  grid->addWidget(mLabels[3], 2, 2);
  grid->addWidget(DateTo, 2, 3);
  grid->addWidget(DocIDS, 3, 0, 1, 4);
  grid->addWidget(mLabels[4], 4, 0, 1, 2);
  grid->addWidget(mLabels[5], 4, 2, 1, 2);
  grid->addWidget(EditEnts, 5, 0, 1, 2);
  grid->addWidget(EditStores, 5, 2, 1, 2);
  grid->addWidget(CBGoodsOnlyInDoc, 6, 0, 1, 4);
  grid->addWidget(mLabels[6], 7, 0);
  grid->addWidget(EditGUID, 7, 1, 1, 3);
  PlaceControls(grid, {ButtonSend}, {ButtonOK, ButtonCancel});

  QObject::connect(EditFileOutButton, &QToolButton::clicked, this, [this] { OnChooseFile(); });
  QObject::connect(ButtonSend, &QPushButton::clicked, this, [this] { OnSend(); });
  QObject::connect(ButtonOK, &QPushButton::clicked, this, [this] { OnOK(); });
  QObject::connect(ButtonCancel, &QPushButton::clicked, this, [this] { CloseForm(); });

  try {
    mJsonBuilder = std::make_unique<exporting::TDNJSonBuilder>(frame::HostConnection());
    mJsonBuilder->SetRunMode(kRunInteractive);
    mJsonBuilder->SetPtr_ExitNow(&mExitNow);
  } catch (const std::exception& e) {
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
  }
  EditGUID->setText(QString::fromStdString(mJS.GetGUIDBase()));
  Retranslate();
}

TFTirDExAll::~TFTirDExAll() = default;

void TFTirDExAll::Retranslate() {
  TTirForm::Retranslate();
  const char* labels[] = {"Файл выгрузки", "Формат", "Выгружать с", "по",
                          "Организации",   "Склады", "ID базы"};
  for (int i = 0; i < 7; ++i) mLabels[i]->setText(Tr(labels[i]));
  DocIDS->setTitle(Tr("Документы для выгрузки"));
  for (int i = 0; i < 13; ++i) mDocKinds[i]->setText(Tr(kDocKindNames[i]));
  CBGoodsOnlyInDoc->setText(
      QString::fromUtf8("Вивантажувати товари тільки, ті які присутні в документах."));
  ButtonSend->setText(Tr("Выгрузить данные в файл"));
  ButtonOK->setText(Tr("Сохранить и закрыть"));
  ButtonCancel->setText(Tr("Закрыть"));
}

void TFTirDExAll::LoadDataEx() {
  std::vector<TCheckRow> stores, ents;
  try {
    db::Connection& connection = frame::HostConnection();
    const TProfileRow row = LoadProfile(connection, gGetBaseGUIDCode(), kProfileTypeDataExOut, mJS);
    if (row.fId != 0) {
      mJS.mIDReccord = row.fId;
    } else {
      mJS.mFilePath = DefaultExportFile(mJS.mFilePath);
    }
    stores = LoadCheckRows(connection, "tirStores",
                           frame::AppParamText(&frame::TU6MenuParams::fUserStoreId));
    ents = LoadCheckRows(connection, "tirEntities",
                         frame::AppParamText(&frame::TU6MenuParams::fUserEntId));
  } catch (const std::exception& e) {
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
  }
  EditFileOut->setText(QString::fromStdString(mJS.mFilePath));
  EditEnts->Fill(ents, mJS.mEntIds);
  EditStores->Fill(stores, mJS.mStoreIds);
}

bool TFTirDExAll::TestAndUpdateJS() {
  mJS.mFilePath = EditFileOut->text().trimmed().toStdString();
  mJS.mEntIds = EditEnts->CheckedIdList();
  mJS.mStoreIds = EditStores->CheckedIdList();
  return true;
}

void TFTirDExAll::OnChooseFile() {
  const QString chosen = ChooseJsonFile(this, true, EditFileOut->text().trimmed());
  if (!chosen.isEmpty()) EditFileOut->setText(chosen);
}

void TFTirDExAll::OnSend() {
  // The export stamps GUIDs on rows that have none: it writes.
  if (Busy() || RefuseWhileBaseIsLoading()) return;
  QElapsedTimer elapsed;
  elapsed.start();
  StartBusy(Tr("Старт: ") + DateTimeText(QDateTime::currentDateTime()) + " ...", true);
  if (!TestAndUpdateJS() || !mJsonBuilder) {
    StopBusy(false, QString());
    return;
  }
  const std::string fileName = mJS.mFilePath;
  mJsonBuilder->ClearAllCMD();
  if (CBGoodsOnlyInDoc->isChecked()) {
    mJsonBuilder->SetAddGoodsAddOnlyInDocFullInfo();
  } else {
    mJsonBuilder->SetAddGoodsFull();
  }
  mJsonBuilder->SetAddPartners("");
  mJsonBuilder->SetAddPartnersAndContract("");
  mJsonBuilder->SetAddAllCatalogs();
  mJsonBuilder->SetAddDocsPeriod(ToDayNumber(DateFrom->dateTime()),
                                 ToDayNumber(DateTo->dateTime()));
  mJsonBuilder->RunBuildProcess();
  QString error = QString::fromStdString(mJsonBuilder->ErrorText());
  // A stopped run leaves an unfinished text: it is not written.
  if (error.isEmpty() && StopRequested()) error = Tr("Остановлено пользователем");
  if (error.isEmpty() && !mJsonBuilder->SaveToFile(fileName)) {
    error = Tr("Не удается записать файл: ") + QString::fromStdString(fileName);
  }
  const QString now = DateTimeText(QDateTime::currentDateTime());
  if (error.isEmpty()) {
    StopBusy(true, now + ": (" + ElapsedText(elapsed.elapsed()) +
                       QString::fromUtf8(") Створено файл: ") + QString::fromStdString(fileName));
  } else {
    StopBusy(false, now + QString::fromUtf8(": ПОМИЛКА:  ") + error.trimmed());
  }
}

void TFTirDExAll::OnOK() {
  if (Busy() || RefuseWhileBaseIsLoading() || !TestAndUpdateJS()) return;
  try {
    SaveProfile(frame::HostConnection(), gGetBaseGUIDCode(), kProfileTypeDataExOut, mJS);
  } catch (const std::exception& e) {
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
    return;
  }
  CloseForm();
}

}  // namespace tir::ui
