// The three windows opened through u8 in a Qt host, filled and driven through their controls.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "host/demo/demo_base.h"
#include "settings/data_ex_out.h"
#include "settings/json_one_send.h"
#include "settings/profile_rows.h"
#include "tests/support/temp_base.h"
#include "tests/transport/shop_server.h"
#include "tests/ui/ui_host.h"

namespace tir::test {
namespace {

template <typename T>
T* Control(QWidget* window, const char* name) {
  T* control = window == nullptr ? nullptr : window->findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}
QLineEdit* Edit(QWidget* window, const char* name) { return Control<QLineEdit>(window, name); }
QString Info(QWidget* window) { return Control<QLabel>(window, "LabelInfo")->text(); }

void Click(QWidget* window, const char* button) {
  if (auto* control = Control<QAbstractButton>(window, button)) control->click();
  UiHost::Settle();
}
// Presses the stop button at the first message-loop turn of the work the next click starts.
void StopAtFirstTurn(QWidget* window) {
  QTimer::singleShot(0, Control<QPushButton>(window, "ButtonStop"), &QPushButton::click);
}

std::int64_t Count(TempBase& base, const char* table) {
  return ScalarInt(base.conn(), std::string("SELECT COUNT(*) FROM ") + table);
}

void AddStores(TempBase& base) {
  Exec(base.conn(),
       "INSERT INTO tirStores (fId, fName) VALUES (1, 'Склад, центр'), (2, 'Бар'), (3, 'Кухня');");
  Exec(base.conn(), "INSERT INTO tirEntities (fId, fName) VALUES (1, 'ТОВ Тест');");
}

// Exports everything of `base` to `file` through the universal window (the host is stopped after).
void ExportThroughTheWindow(UiHost& host, TempBase& base, const std::string& file) {
  host.Start(base.path(), 1);
  host.U8(600);
  QWidget* w = host.Window("FTirDExAll");
  Edit(w, "EditFileOut")->setText(QString::fromStdString(file));
  Control<QDateTimeEdit>(w, "DateFrom")->setDateTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
  Control<QDateTimeEdit>(w, "DateTo")->setDateTime(QDateTime(QDate(2100, 1, 1), QTime(0, 0)));
  Click(w, "ButtonSend");
  ASSERT_TRUE(Info(w).contains("Створено файл")) << Info(w);
  host.Stop();
}

// Runs `action` at the message-loop turn number `turn` (1: the first) of the work the next click
// starts. A load's first turn comes before its transaction, the second inside it.
void AtTurn(int turn, std::function<void()> action) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, turn, action, n = 0]() mutable {
    if (++n < turn) return;
    timer->stop();
    timer->deleteLater();
    action();
  });
  timer->start(0);
}

TEST(UiWindows, RightsDecideWhichWindowOpensAndEachHasItsBarButton) {
  TempBase base;
  UiHost host;
  host.Start(base.path(), 2);  // type 2 without a stored mask: no rights
  for (int code : {600, 610, 611}) EXPECT_EQ(host.U8(code), 0);
  EXPECT_TRUE(host.Area().subWindowList().isEmpty());
  EXPECT_EQ(host.U8(612), 1);
  host.Stop();

  host.Start(base.path(), 1);  // type 1: every right
  for (int code : {600, 610, 611}) EXPECT_EQ(host.U8(code), 0);
  ASSERT_EQ(host.Bar().actions().size(), 3);
  EXPECT_EQ(host.Bar().actions()[1]->text(), "Обмен данными с Интернет-магазином");
  // Only the active window's button is down; clicking a button activates its window.
  EXPECT_TRUE(host.Bar().actions()[2]->isChecked());
  EXPECT_FALSE(host.Bar().actions()[0]->isChecked());
  host.Bar().actions()[0]->trigger();
  UiHost::Settle();
  EXPECT_EQ(host.Area().activeSubWindow()->widget(), host.Window("FTirDExAll"));
  EXPECT_FALSE(host.Bar().actions()[2]->isChecked());
  Click(host.Window("FTirDExLoadFile"), "ButtonCancel");
  EXPECT_EQ(host.Area().subWindowList().size(), 2);
  EXPECT_EQ(host.Bar().actions().size(), 2);
  host.Stop();

  // A host without a window bar gets the window on its own.
  host.Start(base.path(), 1, "", 1, false);
  EXPECT_EQ(host.U8(611), 0);
  QWidget* alone = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == "FTirDExLoadFile" && top->isVisible()) alone = top;
  }
  ASSERT_NE(alone, nullptr);
  EXPECT_TRUE(host.Area().subWindowList().isEmpty());
  alone->close();
  UiHost::Settle();
}

TEST(UiWindows, ShopWindowRefusesTestSiteAutomationSendsAndSavesTheProfile) {
  TempBase base;
  AddStores(base);
  Exec(base.conn(), "INSERT INTO tirGoods (fId, fName, fOShop) VALUES (1, 'Кава', 1);");
  ShopServer shop;
  UiHost host;
  host.Start(base.path(), 1, "1,3");  // the user sees stores 1 and 3 only
  host.U8(610);
  QWidget* w = host.Window("FTirDExInetShop");
  EXPECT_EQ(Edit(w, "EditName")->text(), "Выгрузка в интернет-магазин 1");
  EXPECT_TRUE(Control<QLabel>(w, "LabelLink1")->isVisibleTo(w));
  auto* stores = Control<QListWidget>(w, "EditStores");
  ASSERT_EQ(stores->count(), 2);
  EXPECT_EQ(stores->item(1)->text(), "Склад; центр");
  EXPECT_EQ(stores->item(1)->checkState(), Qt::Checked);

  Click(w, "CheckBoxAutomat");  // the default URL is the test site
  EXPECT_FALSE(Control<QCheckBox>(w, "CheckBoxAutomat")->isChecked());
  EXPECT_EQ(host.Dialogs(), QStringList{"Не используйте автоматическую отправку для сайта: "
                                        "\"shop-test.tirvalo.example\""});

  Control<QComboBox>(w, "EditURL")->setCurrentText(" " + QString::fromStdString(shop.Url()));
  EXPECT_FALSE(Control<QLabel>(w, "LabelLink1")->isVisibleTo(w));
  Click(w, "CheckBoxAutomat");
  Control<QSpinBox>(w, "EditTimeMin")->setValue(7);
  Click(w, "CheckBoxPerDay");
  EXPECT_TRUE(Control<QSpinBox>(w, "EditPerDay")->isEnabled());
  stores->item(0)->setCheckState(Qt::Unchecked);
  TirHostConfigureGroupPicker("5,6");  // the host's group picker answers with groups 5 and 6
  Click(w, "ButtonFindGroups");
  TirHostConfigureGroupPicker(nullptr);
  Click(w, "SendButton");
  // Groups 5 and 6 hold no goods: nothing of the catalog went, and the window says so.
  EXPECT_EQ(Info(w),
            "Успешно отправлен. Отправлено товаров: 0 (отправляются только товары, "
            "отмеченные для Интернет-магазина)");
  EXPECT_EQ(shop.Agents(), std::vector<std::string>{"tirvalosm/1.0 (mode 2)"});
  Click(w, "ButtonOK");
  EXPECT_EQ(host.Window("FTirDExInetShop"), nullptr);

  TJSONOneSend saved;
  auto reread = [&] {
    saved.ReadFromStr(
        LoadProfileRows(base.conn(), UiHost::kGuidCode, kProfileTypeInetShop).at(0).fPStr);
  };
  reread();
  EXPECT_EQ(saved.mURL, shop.Url());
  EXPECT_EQ(saved.mIfAvtomat, 1);
  EXPECT_EQ(saved.mPeriodMin, 7);
  EXPECT_EQ(saved.mIfLastDayGoods, 1);
  EXPECT_EQ(saved.mStoreIds, "-1,1,-1");
  EXPECT_EQ(saved.mEntIds, "-1,1,-1");
  EXPECT_EQ(saved.mGoodsGroupsIds, "5,6");

  // The saved profile comes back; a test-site URL typed in later is saved without automation.
  host.U8(610);
  w = host.Window("FTirDExInetShop");
  EXPECT_TRUE(Control<QCheckBox>(w, "CheckBoxAutomat")->isChecked());
  EXPECT_EQ(Control<QListWidget>(w, "EditStores")->item(0)->checkState(), Qt::Unchecked);
  Control<QComboBox>(w, "EditURL")->setCurrentText(kDefaultShopUploadURL);
  Click(w, "ButtonOK");
  reread();
  EXPECT_EQ(saved.mIfAvtomat, 0);
}

TEST(UiWindows, UniversalWindowExportsToTheFileAndKeepsTheStoredDocumentKinds) {
  TempBase base;
  demo::GenerateDemoBase(base.conn(), {.goods = 20, .docs = 6, .seed = 3, .progress = {}});
  const TempFile file(".json");
  TDataExOut stored;
  stored.mFilePath = file;
  stored.mDocTypesIds = "1,2";
  SaveProfile(base.conn(), UiHost::kGuidCode, kProfileTypeDataExOut, stored);
  UiHost host;
  host.Start(base.path(), 1);
  host.U8(600);
  QWidget* w = host.Window("FTirDExAll");
  EXPECT_EQ(Edit(w, "EditFileOut")->text().toStdString(), file.path());
  auto* stores = Control<QListWidget>(w, "EditStores");
  ASSERT_GT(stores->count(), 0);
  for (int i = 0; i < stores->count(); ++i) EXPECT_EQ(stores->item(i)->checkState(), Qt::Checked);

  Click(w, "ButtonSend");
  EXPECT_TRUE(Info(w).endsWith(QString::fromStdString(") Створено файл: " + file))) << Info(w);
  EXPECT_GT(std::filesystem::file_size(file.path()), 100u);
  // A file in a missing folder is an error shown in the window.
  Edit(w, "EditFileOut")->setText("/nonexistent-folder/x.json");
  Click(w, "ButtonSend");
  EXPECT_TRUE(Info(w).contains(": ПОМИЛКА:  ")) << Info(w);

  Edit(w, "EditFileOut")->setText(QString::fromStdString(file));
  stores->item(0)->setCheckState(Qt::Unchecked);
  Click(w, "ButtonOK");
  TDataExOut saved;
  saved.ReadFromStr(
      LoadProfileRows(base.conn(), UiHost::kGuidCode, kProfileTypeDataExOut).at(0).fPStr);
  EXPECT_EQ(saved.mDocTypesIds, "1,2");
  EXPECT_EQ(saved.mFilePath, file.path());
  EXPECT_EQ(saved.mStoreIds.rfind("-1,", 0), 0u);
}

// One base exported and loaded into another through the windows alone, with the refusals, the
// analysis and the stops a user meets on the way.
TEST(UiWindows, ExportAndImportBetweenTwoBasesThroughTheWindowsAlone) {
  TempBase source;
  demo::GenerateDemoBase(source.conn(), {.goods = 40, .docs = 12, .seed = 7, .progress = {}});
  TempBase target;
  const TempFile file(".json");
  const TempFile bad(".json");
  std::ofstream(bad) << "{\"goods\": [ {\"guid\": ";
  UiHost host;
  host.Start(source.path(), 1);
  host.U8(600);
  QWidget* w = host.Window("FTirDExAll");
  Edit(w, "EditFileOut")->setText(QString::fromStdString(file));
  Control<QDateTimeEdit>(w, "DateFrom")->setDateTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
  Control<QDateTimeEdit>(w, "DateTo")->setDateTime(QDateTime(QDate(2100, 1, 1), QTime(0, 0)));
  StopAtFirstTurn(w);
  Click(w, "ButtonSend");
  EXPECT_TRUE(Info(w).endsWith(": ПОМИЛКА:  Остановлено пользователем")) << Info(w);
  EXPECT_FALSE(std::filesystem::exists(file.path()));
  Click(w, "ButtonSend");
  ASSERT_TRUE(Info(w).contains("Створено файл")) << Info(w);
  host.Stop();

  host.Start(target.path(), 1);
  host.U8(611);
  w = host.Window("FTirDExLoadFile");
  Edit(w, "EditFileIn")->setText(QString::fromStdString(bad));
  Click(w, "CBoxLoadGoods");
  Click(w, "AdvGlowButton2");
  EXPECT_EQ(Info(w), "Помилка відкриття файла");
  std::ofstream(bad, std::ios::trunc) << "{\"info\": {}}";
  Click(w, "AdvGlowButton2");  // well-formed, but without the goods asked for
  EXPECT_EQ(Info(w), "В файле нет данных для выбранной загрузки: ничего не записано");

  Edit(w, "EditFileIn")->setText(QString::fromStdString(file));
  Click(w, "AdvGlowButton1");  // analysis of the goods
  EXPECT_EQ(Info(w), "Анализ файла: ничего не записано");
  EXPECT_TRUE(
      Control<QPlainTextEdit>(w, "MemoReport")->toPlainText().contains("Товары: добавлено 40"))
      << Control<QPlainTextEdit>(w, "MemoReport")->toPlainText();
  StopAtFirstTurn(w);
  Click(w, "AdvGlowButton2");
  EXPECT_TRUE(Info(w).contains("Остановлено пользователем")) << Info(w);
  Click(w, "CBoxLoadGoods");
  Click(w, "AdvGlowButton2");  // nothing ticked
  EXPECT_EQ(Info(w), "Готово");
  EXPECT_EQ(Count(target, "tirGoods") + Count(target, "tirPartners"), 0);

  for (const char* box : {"CBoxLoadGoods", "CBoxLoadPartners", "CBoxLoadAllSPR", "CBoxLoadDocs"})
    Click(w, box);
  Click(w, "AdvGlowButton2");
  EXPECT_EQ(Info(w), "Готово");
  for (const char* table : {"tirGoods", "tirPartners", "tirStores", "tirEntities", "tirDocuments"})
    EXPECT_EQ(Count(target, table), Count(source, table)) << table;
}

// Without a stored profile the export file is proposed in the user's documents folder, found as
// xdg-user-dir finds it; a stored profile's path is kept as it is, even a Windows one.
TEST(UiWindows, UniversalWindowProposesItsFileInTheDocumentsFolder) {
  TempBase base;
  UiHost host;
  host.Start(base.path(), 1);
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  const std::string userDirs = std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs";
  auto proposed = [&] {
    host.U8(600);
    QWidget* w = host.Window("FTirDExAll");
    const std::string text = Edit(w, "EditFileOut")->text().toStdString();
    w->parentWidget()->close();
    UiHost::Settle();
    return text;
  };
  ::setenv("XDG_DOCUMENTS_DIR", "/srv/docs of ann", 1);
  EXPECT_EQ(proposed(), "/srv/docs of ann/tirvaloretail.json");
  ::unsetenv("XDG_DOCUMENTS_DIR");
  std::ofstream(userDirs) << "# written by xdg-user-dirs-update\n"
                          << "XDG_DESKTOP_DIR=\"$HOME/Стільниця\"\n"
                          << "XDG_DOCUMENTS_DIR=\"$HOME/Документи\"\n";
  EXPECT_EQ(proposed(), home + "/Документи/tirvaloretail.json");
  std::filesystem::remove(userDirs);
  EXPECT_EQ(proposed(), home + "/Documents/tirvaloretail.json");

  TDataExOut stored;  // the default path, stored as it is
  SaveProfile(base.conn(), UiHost::kGuidCode, kProfileTypeDataExOut, stored);
  EXPECT_EQ(proposed(), stored.mFilePath);
}

// While a load holds the base in its transaction, the other windows' saves are refused with a
// message (they would be rolled back with the load, or fail it); once it ended they work.
TEST(UiWindows, WindowsRefuseToWriteWhileALoadHoldsTheBase) {
  TempBase source;
  demo::GenerateDemoBase(source.conn(), {.goods = 30, .docs = 4, .seed = 5, .progress = {}});
  TempBase target;
  const TempFile file(".json");
  UiHost host;
  ExportThroughTheWindow(host, source, file);
  host.Start(target.path(), 1);
  for (int code : {600, 610, 611}) host.U8(code);
  QPointer<QWidget> all = host.Window("FTirDExAll");
  QPointer<QWidget> shop = host.Window("FTirDExInetShop");
  QPointer<QWidget> load = host.Window("FTirDExLoadFile");
  Edit(load, "EditFileIn")->setText(QString::fromStdString(file));
  for (const char* box : {"CBoxLoadGoods", "CBoxLoadPartners", "CBoxLoadAllSPR"}) Click(load, box);
  AtTurn(2, [&] {
    Click(all, "ButtonOK");
    Click(shop, "ButtonOK");
    Click(shop, "SendButton");
    Click(load, "AdvGlowButton1");  // ignored: this window is busy with its load
  });
  Click(load, "AdvGlowButton2");
  EXPECT_EQ(Info(load), "Готово");
  EXPECT_EQ(Count(target, "tirGoods"), 30);
  const QString refused = "Идет загрузка файла в базу: дождитесь ее окончания и повторите действие";
  EXPECT_EQ(host.Dialogs(), QStringList({refused, refused, refused}));
  EXPECT_TRUE(LoadProfileRows(target.conn(), UiHost::kGuidCode, kProfileTypeDataExOut).empty());
  EXPECT_TRUE(LoadProfileRows(target.conn(), UiHost::kGuidCode, kProfileTypeInetShop).empty());

  Click(all, "ButtonOK");
  Click(shop, "ButtonOK");
  EXPECT_EQ(LoadProfileRows(target.conn(), UiHost::kGuidCode, kProfileTypeDataExOut).size(), 1u);
  EXPECT_EQ(LoadProfileRows(target.conn(), UiHost::kGuidCode, kProfileTypeInetShop).size(), 1u);
}

// Each window after a run that worked and after one that failed, in Russian, then in Ukrainian
// after the host's language switch (-200). The images go to $TIR_SCREENSHOT_DIR (docs/screenshots
// when refreshing them), else to the build folder.
TEST(UiWindows, WindowsFollowTheLanguageSwitchAndAreCaptured) {
  TempBase base;
  demo::GenerateDemoBase(base.conn(), {.goods = 12, .docs = 4, .seed = 9, .progress = {}});
  Exec(base.conn(), "UPDATE tirGoods SET fOShop = 1 WHERE fId % 2 = 0;");
  ShopServer shop;
  const TempFile file(".json");
  const TempFile references = WriteReferencesFile();
  const char* env = std::getenv("TIR_SCREENSHOT_DIR");
  const QString dir = env != nullptr ? env : TIR_SCREENSHOT_DEFAULT_DIR;
  QDir().mkpath(dir);
  UiHost host;
  host.Start(base.path(), 1);
  auto capture = [&](QWidget* w, const QString& name) {
    UiHost::Settle();
    EXPECT_TRUE(w->parentWidget()->grab().toImage().save(dir + "/" + name + ".png")) << name;
  };
  for (const QString language : {"ru", "ua"}) {
    if (language == "ua") host.Message(-200, 2);
    host.U8(600);
    QWidget* w = host.Window("FTirDExAll");
    ASSERT_NE(w, nullptr);
    Edit(w, "EditFileOut")->setText("/nonexistent-folder/x.json");
    Click(w, "ButtonSend");
    capture(w, "FTirDExAll_error_" + language);
    Edit(w, "EditFileOut")->setText(QString::fromStdString(file));
    Control<QDateTimeEdit>(w, "DateFrom")->setDate(QDate(2000, 1, 1));
    Click(w, "ButtonSend");
    capture(w, "FTirDExAll_" + language);
    Click(w, "ButtonCancel");

    host.U8(610);
    w = host.Window("FTirDExInetShop");
    Control<QComboBox>(w, "EditURL")->setCurrentText("http://127.0.0.1:1/upload");
    Click(w, "SendButton");
    capture(w, "FTirDExInetShop_error_" + language);
    Control<QComboBox>(w, "EditURL")->setCurrentText(QString::fromStdString(shop.Url()));
    Click(w, "SendButton");
    capture(w, "FTirDExInetShop_" + language);
    Click(w, "ButtonCancel");

    host.U8(611);
    w = host.Window("FTirDExLoadFile");
    Edit(w, "EditFileIn")->setText(QString::fromStdString(references));
    for (const char* box : {"CBoxLoadGoods", "CBoxLoadPartners", "CBoxLoadAllSPR", "CBoxLoadDocs"})
      Click(w, box);
    Click(w, "AdvGlowButton1");
    capture(w, "FTirDExLoadFile_error_" + language);
    Edit(w, "EditFileIn")->setText(QString::fromStdString(file));
    Click(w, "AdvGlowButton1");
    // After a run the window grows for its report: the check boxes and the report's lines are
    // in sight without scrolling.
    EXPECT_GE(Control<QPlainTextEdit>(w, "MemoReport")->height(),
              Control<QPlainTextEdit>(w, "MemoReport")->fontMetrics().lineSpacing() * 8);
    EXPECT_FALSE(Control<QScrollArea>(w, "controlsScroll")->verticalScrollBar()->isVisibleTo(w));
    capture(w, "FTirDExLoadFile_" + language);
    Click(w, "ButtonCancel");
  }
  // Open windows are translated in place too.
  host.U8(610);
  EXPECT_EQ(host.Window("FTirDExInetShop")->windowTitle(), "Обмін даними з Інтернет-магазином");
  host.Message(-200, 1);
  EXPECT_EQ(host.Window("FTirDExInetShop")->windowTitle(), "Обмен данными с Интернет-магазином");
  EXPECT_EQ(Control<QPushButton>(host.Window("FTirDExInetShop"), "SendButton")->text(),
            "Отправить товары на сервер");
  EXPECT_EQ(host.Bar().actions().at(0)->text(), "Обмен данными с Интернет-магазином");
}

}  // namespace
}  // namespace tir::test
