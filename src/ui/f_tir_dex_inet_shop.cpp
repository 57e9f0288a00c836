#include "ui/f_tir_dex_inet_shop.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QUrl>
#include <exception>

#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "frame/packets_main.h"
#include "frame/ui_services.h"
#include "frame/wide_string.h"
#include "settings/profile_rows.h"
#include "transport/data_mod.h"
#include "transport/inet_shop_send.h"
#include "ui/check_list_box.h"
#include "ui/ui_texts.h"

namespace tir::ui {

namespace {

constexpr char kDefaultProfileName[] = "Выгрузка в интернет-магазин 1";
constexpr char kDocumentationURL[] = "http://shop-test.tirvalo.example/docs/exchange.html";
constexpr char kTestSiteURL[] = "http://shop-test.tirvalo.example/";

// The host's answer to a goods-group request to module 20 (888020 picker, 888023 names).
struct TGroupAnswer {
  bool ok = false;
  std::string shown;
  std::string ids;
};

TGroupAnswer AskHostGroups(std::int32_t aMode, const std::string& aIds) {
  frame::TModSearchIn in{};
  frame::Clear_TModSearchIn(in);
  in.fModuleId = 20;
  in.fSearchMode = aMode;
  in.fSearchStr = frame::WideAllocUtf8(aIds);
  frame::TModSearchOut out{};
  TGroupAnswer answer;
  if (frame::SendToHost(in, out) == 0 && out.fCanceled == 0) {
    answer.ok = true;
    answer.shown = frame::WideToUtf8(out.fNameShowMod);
    answer.ids = frame::WideToUtf8(out.fStrDataList);
  }
  frame::Clear_TModSearchIn(in);
  frame::Clear_TModSearchOut(out);
  return answer;
}

}  // namespace

TFTirDExInetShop::TFTirDExInetShop()
    : TTirForm("FTirDExInetShop", "Обмен данными с Интернет-магазином", QStyle::SP_DriveNetIcon) {
  mJS.mName = kDefaultProfileName;
  for (QLabel*& label : mLabels) label = new QLabel(this);
  EditName = NewControl<QLineEdit>(this, "EditName");
  EditURL = NewControl<QComboBox>(this, "EditURL");
  EditURL->setEditable(true);
  EditURL->addItem(QString::fromUtf8(kDefaultShopUploadURL));
  EditURL->addItem(QString::fromUtf8(kDefaultShopUploadURL) + "?password=");
  CheckBoxAutomat = NewControl<QCheckBox>(this, "CheckBoxAutomat");
  EditTimeMin = NewControl<QSpinBox>(this, "EditTimeMin");
  EditTimeMin->setRange(0, 100000);
  CheckBoxPerDay = NewControl<QCheckBox>(this, "CheckBoxPerDay");
  EditPerDay = NewControl<QSpinBox>(this, "EditPerDay");
  EditPerDay->setRange(0, 100000);
  EditGoodsGroups = NewControl<QLineEdit>(this, "EditGoodsGroups");
  EditGoodsGroups->setReadOnly(true);
  ButtonFindGroups = NewControl<QToolButton>(this, "ButtonFindGroups");
  ButtonClearGroups = NewControl<QToolButton>(this, "ButtonClearGroups");
  EditEnts = new TCheckListBox("EditEnts", this);
  EditStores = new TCheckListBox("EditStores", this);
  EditGUID = NewControl<QLineEdit>(this, "EditGUID");
  EditGUID->setReadOnly(true);
  ButtonOK = NewControl<QPushButton>(this, "ButtonOK");
  ButtonCancel = NewControl<QPushButton>(this, "ButtonCancel");
  SendButton = NewControl<QPushButton>(this, "SendButton");
  AdvGlowButton1 = NewControl<QPushButton>(this, "AdvGlowButton1");
  LabelLink1 = NewControl<QLabel>(this, "LabelLink1");
  LabelLink1->setText(QString("<a href=\"%1\">%1</a>").arg(kTestSiteURL));

  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(mLabels[0], row, 0);
  grid->addWidget(EditName, row++, 1, 1, 3);
  grid->addWidget(mLabels[1], row++, 0, 1, 4);
  grid->addWidget(EditURL, row, 0, 1, 3);
  grid->addWidget(LabelLink1, row++, 3);
  grid->addWidget(CheckBoxAutomat, row++, 0, 1, 4);
  grid->addWidget(mLabels[2], row, 0);
  grid->addWidget(EditTimeMin, row++, 1);
  grid->addWidget(CheckBoxPerDay, row, 0);
  grid->addWidget(EditPerDay, row, 1);
  grid->addWidget(mLabels[3], row++, 2);
  grid->addWidget(mLabels[4], row, 0);
  grid->addWidget(EditGoodsGroups, row, 1, 1, 2);
  auto* groupButtons = new QHBoxLayout;
  groupButtons->addWidget(ButtonFindGroups);
  groupButtons->addWidget(ButtonClearGroups);
  grid->addLayout(groupButtons, row++, 3);
  grid->addWidget(mLabels[5], row, 0, 1, 2);
  grid->addWidget(mLabels[6], row++, 2, 1, 2);
  grid->addWidget(EditEnts, row, 0, 1, 2);
  grid->addWidget(EditStores, row++, 2, 1, 2);
  grid->addWidget(mLabels[7], row, 0);
  grid->addWidget(EditGUID, row++, 1, 1, 3);
  PlaceControls(grid, {SendButton, AdvGlowButton1}, {ButtonOK, ButtonCancel});

  QObject::connect(CheckBoxPerDay, &QCheckBox::toggled, EditPerDay, &QWidget::setEnabled);
  QObject::connect(CheckBoxAutomat, &QCheckBox::toggled, this,
                   [this](bool on) { OnAutomatToggled(on); });
  QObject::connect(EditURL, &QComboBox::currentTextChanged, this, [this](const QString& url) {
    LabelLink1->setVisible(url.trimmed() == QString::fromUtf8(kDefaultShopUploadURL));
  });
  QObject::connect(ButtonFindGroups, &QToolButton::clicked, this, [this] { OnFindGroups(); });
  QObject::connect(ButtonClearGroups, &QToolButton::clicked, this, [this] {
    EditGoodsGroups->clear();
    strEditGoodsGroups.clear();
  });
  QObject::connect(SendButton, &QPushButton::clicked, this, [this] { OnSend(); });
  QObject::connect(ButtonOK, &QPushButton::clicked, this, [this] { OnOK(); });
  QObject::connect(ButtonCancel, &QPushButton::clicked, this, [this] { CloseForm(); });
  QObject::connect(AdvGlowButton1, &QPushButton::clicked, this,
                   [] { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kDocumentationURL))); });
  QObject::connect(LabelLink1, &QLabel::linkActivated, this,
                   [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });

  EditGUID->setText(QString::fromStdString(mJS.GetGUIDBase()));
  Retranslate();
}

void TFTirDExInetShop::Retranslate() {
  TTirForm::Retranslate();
  const char* labels[] = {"Имя задания для выгрузки",
                          "URL скрипта сервера для отправки информации о товарах",
                          "Период автоматической отправки (в минутах)",
                          "дней",
                          "Группы товаров",
                          "Организации",
                          "Склады",
                          "Идентификатор текущей базы данных"};
  for (int i = 0; i < 8; ++i) mLabels[i]->setText(Tr(labels[i]));
  CheckBoxAutomat->setText(Tr("Активировать автоматическую отправку"));
  CheckBoxPerDay->setText(Tr("Выгружать товары по которым были движения за"));
  EditGoodsGroups->setPlaceholderText(Tr("Все группы товаров"));
  ButtonFindGroups->setText(Tr("Выбор группы"));
  ButtonClearGroups->setText(Tr("Удалить все"));
  ButtonOK->setText(Tr("ОК"));
  ButtonCancel->setText(Tr("Закрыть"));
  SendButton->setText(Tr("Отправить товары на сервер"));
  AdvGlowButton1->setText(Tr("Документация по обмену"));
}

void TFTirDExInetShop::LoadJsonSender() {
  EditGoodsGroups->clear();
  strEditGoodsGroups.clear();
  try {
    const TProfileRow row =
        LoadProfile(frame::HostConnection(), gGetBaseGUIDCode(), kProfileTypeInetShop, mJS);
    if (row.fId != 0) {
      mJS.mIDReccord = row.fId;
      mID = row.fId;
      mJS.mLastDateSend = row.fPDate;
    }
  } catch (const std::exception& e) {
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
  }
  EditURL->setCurrentText(QString::fromStdString(mJS.mURL));
  LabelLink1->setVisible(EditURL->currentText().trimmed() ==
                         QString::fromUtf8(kDefaultShopUploadURL));
  EditTimeMin->setValue(mJS.mPeriodMin);
  EditPerDay->setValue(mJS.mPeriodDay);
  CheckBoxPerDay->setChecked(mJS.mIfLastDayGoods != 0);
  EditPerDay->setEnabled(CheckBoxPerDay->isChecked());
  CheckBoxAutomat->setChecked(mJS.mIfAvtomat != 0);
  if (!mJS.mGoodsGroupsIds.empty()) {
    strEditGoodsGroups = mJS.mGoodsGroupsIds;
    const TGroupAnswer names = AskHostGroups(888023, mJS.mGoodsGroupsIds);
    EditGoodsGroups->setText(names.ok && !names.shown.empty()
                                 ? QString::fromStdString(names.shown)
                                 : QString::fromStdString(mJS.mGoodsGroupsIds));
  }
  EditName->setText(QString::fromStdString(mJS.mName));
  FillCheckLists();
}

void TFTirDExInetShop::FillCheckLists() {
  try {
    db::Connection& connection = frame::HostConnection();
    EditStores->Fill(LoadCheckRows(connection, "tirStores",
                                   frame::AppParamText(&frame::TU6MenuParams::fUserStoreId)),
                     mJS.mStoreIds);
    EditEnts->Fill(LoadCheckRows(connection, "tirEntities",
                                 frame::AppParamText(&frame::TU6MenuParams::fUserEntId)),
                   mJS.mEntIds);
  } catch (const std::exception& e) {
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
  }
}

bool TFTirDExInetShop::UrlIsTestSite() const {
  return EditURL->currentText().toLower().contains(QString::fromUtf8(kDefaultShopTestHost));
}

void TFTirDExInetShop::OnAutomatToggled(bool aChecked) {
  if (!aChecked || !UrlIsTestSite()) return;
  frame::MessageDlg((Tr("Не используйте автоматическую отправку для сайта: ") + "\"" +
                     QString::fromUtf8(kDefaultShopTestHost) + "\"")
                        .toStdString(),
                    frame::TMsgDlgType::mtError, frame::mbOK);
  CheckBoxAutomat->setChecked(false);
}

void TFTirDExInetShop::OnFindGroups() {
  const TGroupAnswer chosen = AskHostGroups(888020, strEditGoodsGroups);
  if (!chosen.ok) return;
  EditGoodsGroups->setText(QString::fromStdString(chosen.shown));
  strEditGoodsGroups = chosen.ids;
}

bool TFTirDExInetShop::TestAndUpdateJS() {
  mJS.mName = EditName->text().toStdString();
  mJS.mURL = EditURL->currentText().trimmed().toStdString();
  if (UrlIsTestSite()) CheckBoxAutomat->setChecked(false);
  mJS.mIfAvtomat = CheckBoxAutomat->isChecked() ? 1 : 0;
  mJS.mPeriodMin = EditTimeMin->value();
  mJS.mIfLastDayGoods = CheckBoxPerDay->isChecked() ? 1 : 0;
  mJS.mPeriodDay = EditPerDay->value();
  mJS.mGoodsGroupsIds = strEditGoodsGroups;
  mJS.mEntIds = EditEnts->CheckedIdList();
  mJS.mStoreIds = EditStores->CheckedIdList();
  return true;
}

void TFTirDExInetShop::OnSend() {
  if (Busy() || RefuseWhileBaseIsLoading() || !TestAndUpdateJS()) return;
  StartBusy(Tr("Отправка товаров на сервер ..."), false);
  std::string response;
  std::size_t goods = 0;
  try {
    const std::int32_t result = transport::SendJsonToInetShop(mJS, false, response, &goods);
    const QString sent =
        Tr("Отправлено товаров: %1 (отправляются только товары, отмеченные для Интернет-магазина)")
            .arg(goods);
    StopBusy(result == 0, result == 0
                              ? QString::fromUtf8("Успешно отправлен.") + " " + sent
                              : QString::fromUtf8("Ошибка: ") + QString::fromStdString(response));
  } catch (const std::exception& e) {
    StopBusy(false, QString::fromUtf8("Ошибка: ") + QString::fromUtf8(e.what()));
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
  }
}

void TFTirDExInetShop::OnOK() {
  if (Busy() || RefuseWhileBaseIsLoading() || !TestAndUpdateJS()) return;
  try {
    SaveProfile(frame::HostConnection(), gGetBaseGUIDCode(), kProfileTypeInetShop, mJS);
  } catch (const std::exception& e) {
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
    return;
  }
  if (transport::gDataMod != nullptr) transport::gDataMod->ReloadSettings();
  CloseForm();
}

}  // namespace tir::ui
