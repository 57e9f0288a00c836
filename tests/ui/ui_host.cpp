#include "tests/ui/ui_host.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextDocumentFragment>
#include <cstdlib>
#include <fstream>

#include "db/query.h"
#include "settings/ini_settings.h"
#include "tests/support/temp_base.h"

namespace tir::test {

namespace {
TirHostModule* gModule = nullptr;
}

TempFile WriteReferencesFile() {
  TempFile file(".json");
  std::ofstream(file.path()) << R"({
    "goods": [{"guid": "0a000000-0000-4000-8000-000000000001", "name": "Сок"},
              {"guid": "0a000000-0000-4000-8000-000000000001", "name": "Сок 2"},
              {"name": "Без кода"}],
    "recipes": [{"guid": "0b000000-0000-4000-8000-000000000002",
                 "components": [{"guid": "0a000000-0000-4000-8000-000000000001", "qtty": 1}]},
                {"guid": "0a000000-0000-4000-8000-000000000001",
                 "components": [{"guid": "0c000000-0000-4000-8000-000000000003", "qtty": 1}]}],
    "partners": [{"guid": "1d000000-0000-4000-8000-00000000000a", "name": "Поставщик",
                  "date1": "20241399250000"}],
    "contracts": [{"guid": "1c000000-0000-4000-8000-000000000009", "name": "Договор",
                   "partner": "0d000000-0000-4000-8000-000000000004"}],
    "stores": [{"guid": "12-34", "name": "Склад"}],
    "docs": [{"guid": "1a000000-0000-4000-8000-000000000007", "num": 1, "type": 6, "state": 1,
              "date": "20240105120000",
              "docgoods": [{"guid": "0e000000-0000-4000-8000-000000000005", "qtty": 1, "sum": 2}]},
             {"guid": "1b000000-0000-4000-8000-000000000008", "num": 2, "type": 6, "state": 1,
              "date": "20240105130000", "partner": "0f000000-0000-4000-8000-000000000006",
              "docgoods": [{"guid": "0a000000-0000-4000-8000-000000000001", "qtty": 1}]}]})";
  return file;
}

QStringList ShownTexts(QWidget* root) {
  QStringList texts;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (w != root && !w->isVisibleTo(root)) continue;
    if (w->isWindow() || w == root) texts << w->windowTitle();
    texts << w->toolTip();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      texts << QTextDocumentFragment::fromHtml(label->text()).toPlainText();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      texts << button->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      texts << group->title();
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      texts << edit->text() << edit->placeholderText();
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
      texts << memo->toPlainText().split('\n');
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
      for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    }
  }
  texts.removeAll(QString());
  return texts;
}

UiHost::UiHost() : config_(TempPath("-uiconfig")) {
  area_ = new QMdiArea(&main_);
  main_.setCentralWidget(area_);
  bar_ = main_.addToolBar("windows");
  main_.resize(1000, 760);
  main_.show();
  std::filesystem::create_directories(config_);
  ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  WriteIniSettingsSectionAndParam("MAIN", "GUIDCODE", kGuidCode, 'N');
  // Modal dialogs are answered with their first button, and their texts kept.
  QObject::connect(&dialogWatch_, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (box->buttons().isEmpty()) return;
      dialogs_ << box->text();
      dialogTexts_ << box->windowTitle() << box->text();
      for (QAbstractButton* button : box->buttons()) dialogTexts_ << button->text();
      box->buttons().first()->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialogTexts_ << ShownTexts(dialog);
      dialog->reject();
    }
  });
  dialogWatch_.start(20);
}

UiHost::~UiHost() {
  Stop();
  std::filesystem::remove_all(config_);
}

void UiHost::Start(const std::string& base, int userType, const std::string& storeIds, int language,
                   bool withBar) {
  connection_ = TirHostOpenConnection(base.c_str());
  ASSERT_NE(connection_, nullptr);
  auto keep = [this](const char* text) {
    strings_.push_back(TirHostWideFromUtf8(text));
    return strings_.back();
  };
  TirU6MenuParams app{};
  app.fUserID = 999;
  app.fUserType = userType;
  app.fPriceDigit = 2;
  app.fCountDigit = 3;
  app.fDecSeparator = u'.';
  app.fSettingsParamSection = keep("BASE1");
  app.fUserStoreId = storeIds.empty() ? nullptr : keep(storeIds.c_str());
  app.fSettinsFileName = keep("TirvaloMain.config");
  app.fSettinsFileNameAll = keep("TirvaloMainAll.config");
  app.fSettinsFolderName = keep("\\TirvaloMainBack");
  TirU7MenuParams services{};
  TirHostDefaultServices(connection_, &services);
  services.fBarMDI = withBar ? bar_ : nullptr;
  char error[256] = {};
  ASSERT_EQ(TirHostStartModule(gModule, &app, &services, language, error, sizeof error), 0)
      << error;
}

void UiHost::Stop() {
  area_->closeAllSubWindows();
  Settle();
  if (gModule != nullptr) TirHostStopModule(gModule);
  if (connection_ != nullptr) TirHostCloseConnection(connection_);
  connection_ = nullptr;
  for (TirChar16* text : strings_) TirSysFreeString(text);
  strings_.clear();
}

int UiHost::U8(int code) {
  TirU8Params params{};
  params.fCode = code;
  const int result = gModule->u8(params);
  Settle();
  return result;
}

int UiHost::Message(int mode, long long data1) {
  TirModSearchOut out{};
  const int result = TirHostSendMessage(gModule, mode, data1, &out);
  TirHostClearSearchOut(&out);
  Settle();
  return result;
}

QWidget* UiHost::Window(const char* objectName) const {
  QWidget* found = nullptr;
  for (QMdiSubWindow* sub : area_->subWindowList(QMdiArea::CreationOrder)) {
    if (sub->widget() != nullptr && sub->widget()->objectName() == objectName)
      found = sub->widget();
  }
  return found;
}

void UiHost::Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
}

}  // namespace tir::test

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (const char* service = TIR_SERVICE_LIBRARY_FILE; *service != '\0') {
    ::setenv("TIR_SERVICE_LIBRARY", service, 1);
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  char error[256] = {};
  tir::test::gModule = TirHostLoadModule(TIR_MODULE_FILE, error, sizeof error);
  if (tir::test::gModule == nullptr) {
    std::fprintf(stderr, "%s\n", error);
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  // The module stays loaded: the host's widgets may still refer to its code until exit.
  return result;
}
