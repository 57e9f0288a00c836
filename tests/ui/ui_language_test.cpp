// Every text the windows, their dialogs and message boxes show in a run of each window, in each
// language, is in that language: no English words besides names (JSON, URL, file names, links).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "host/demo/demo_base.h"
#include "tests/support/temp_base.h"
#include "tests/transport/shop_server.h"
#include "tests/ui/english_words.h"
#include "tests/ui/ui_host.h"

namespace tir::test {
namespace {

void Click(QWidget* window, const char* button) {
  QAbstractButton* control = window->findChild<QAbstractButton*>(button);
  ASSERT_NE(control, nullptr) << button;
  control->click();
  UiHost::Settle();
}

void SetEdit(QWidget* window, const char* name, const std::string& text) {
  window->findChild<QLineEdit*>(name)->setText(QString::fromStdString(text));
}

class Collected {
 public:
  void Add(const QString& where, const QStringList& texts) {
    for (const QString& text : texts) {
      const QStringList english = EnglishWords(text);
      if (!english.isEmpty()) found_ << where + ": \"" + text + "\" (" + english.join(' ') + ")";
    }
    count_ += texts.size();
  }
  const QStringList& Found() const { return found_; }
  int Count() const { return count_; }

 private:
  QStringList found_;
  int count_ = 0;
};

TEST(UiLanguage, EveryShownTextIsInTheUsersLanguage) {
  TempBase source;
  demo::GenerateDemoBase(source.conn(), {.goods = 20, .docs = 6, .seed = 11, .progress = {}});
  Exec(source.conn(), "UPDATE tirGoods SET fOShop = 1;");
  TempBase target;
  ShopServer shop;
  const TempFile file(".json");
  const TempFile bad(".json");
  std::ofstream(bad) << "{\"goods\": [ {\"guid\": ";
  const TempFile mistyped = TempText(R"({"goods": [{"guid": "0a000000-0000-4000-8000-000000000001",
                                             "name": 5}]})");
  const TempFile references = WriteReferencesFile();
  Collected collected;
  for (const int language : {1, 2}) {
    const QString lang = language == 1 ? "ru" : "ua";
    UiHost host;
    host.Start(source.path(), 1, "", language);
    // The universal window: the file dialog, an export that fails, one that works, the save.
    host.U8(600);
    QWidget* w = host.Window("FTirDExAll");
    Click(w, "EditFileOutButton");
    SetEdit(w, "EditFileOut", "/nonexistent-folder/x.json");
    Click(w, "ButtonSend");
    collected.Add(lang + " export error", ShownTexts(w->window()));
    w->findChild<QDateTimeEdit*>("DateFrom")->setDate(QDate(2000, 1, 1));
    SetEdit(w, "EditFileOut", file);
    Click(w, "ButtonSend");
    collected.Add(lang + " export", ShownTexts(w->window()));
    Click(w, "ButtonOK");
    // The shop window: the test-site warning, a send, the save.
    host.U8(610);
    w = host.Window("FTirDExInetShop");
    Click(w, "CheckBoxAutomat");
    w->findChild<QComboBox*>("EditURL")->setCurrentText(QString::fromStdString(shop.Url()));
    Click(w, "SendButton");
    collected.Add(lang + " shop", ShownTexts(w->window()));
    // A send to a loopback port where nothing listens: the transfer's failure in the language.
    w->findChild<QComboBox*>("EditURL")->setCurrentText("http://127.0.0.1:1/upload");
    Click(w, "SendButton");
    const QStringList refused = ShownTexts(w->window());
    EXPECT_TRUE(refused.join('\n').contains("http://127.0.0.1:1/upload")) << refused.join('\n');
    collected.Add(lang + " refused send", refused);
    Click(w, "ButtonOK");
    host.Stop();

    // The load window on an empty base: a damaged file, an analysis, a stop, a load.
    host.Start(target.path(), 1, "", language);
    host.U8(611);
    w = host.Window("FTirDExLoadFile");
    Click(w, "EditFileInButton");
    SetEdit(w, "EditFileIn", bad);
    Click(w, "CBoxLoadGoods");
    Click(w, "AdvGlowButton2");
    collected.Add(lang + " damaged file", ShownTexts(w->window()));
    SetEdit(w, "EditFileIn", mistyped);
    Click(w, "AdvGlowButton2");
    const QStringList refusedFile = ShownTexts(w->window());
    EXPECT_TRUE(refusedFile.join('\n').contains("goods[0].name:")) << refusedFile.join('\n');
    collected.Add(lang + " mistyped file", refusedFile);
    SetEdit(w, "EditFileIn", file);
    for (const char* box : {"CBoxLoadPartners", "CBoxLoadAllSPR", "CBoxLoadDocs"}) Click(w, box);
    Click(w, "AdvGlowButton1");
    collected.Add(lang + " analysis", ShownTexts(w->window()));
    QTimer::singleShot(0, w->findChild<QAbstractButton*>("ButtonStop"), &QAbstractButton::click);
    Click(w, "AdvGlowButton2");
    collected.Add(lang + " stopped", ShownTexts(w->window()));
    Click(w, "AdvGlowButton2");
    collected.Add(lang + " load", ShownTexts(w->window()));
    // Unknown references and damaged rows: each is named in the report, in the language.
    SetEdit(w, "EditFileIn", references);
    Click(w, "AdvGlowButton2");
    const QString report = ShownTexts(w->window()).join('\n');
    for (const char* named :
         {"0b000000-0000-4000-8000-000000000002", "0c000000-0000-4000-8000-000000000003",
          "0d000000-0000-4000-8000-000000000004", "0e000000-0000-4000-8000-000000000005",
          "goods[1].guid", "goods[2]:", "stores[0].guid:", "partners[0].date1:", "DocNum=2"}) {
      EXPECT_TRUE(report.contains(named, Qt::CaseInsensitive)) << named << " in\n" << report;
    }
    collected.Add(lang + " unknown references", ShownTexts(w->window()));
    QStringList bar;
    for (QAction* action : host.Bar().actions()) bar << action->text() << action->toolTip();
    collected.Add(lang + " window bar", bar);
    collected.Add(lang + " dialogs", host.DialogTexts());
    EXPECT_GE(host.DialogTexts().size(), 10) << "the file dialogs and the warning were seen";
  }
  EXPECT_GT(collected.Count(), 200);
  EXPECT_TRUE(collected.Found().isEmpty()) << collected.Found().join('\n');
}

}  // namespace
}  // namespace tir::test
