// Every text the windows, their dialogs and message boxes show in a run of each window, in each
// language, is in that language: no English words besides names (JSON, URL, file names, links).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "host/demo/demo_base.h"
#include "tests/support/temp_base.h"
#include "tests/transport/shop_server.h"
#include "tests/ui/ui_host.h"

namespace tir::test {
namespace {

// The words of `text` that read as English: Latin words of two letters or more, once paths,
// links, file names, GUIDs and the names below (the message boxes' fixed "OK" among them) are
// taken out.
QStringList EnglishWords(const QString& text) {
  static const QStringList kNames = {"JSON", "URL", "ID",     "GUID", "SQLite",
                                     "MS",   "SQL", "Server", "OK"};
  static const QRegularExpression kGuid("^\\{?[0-9A-Fa-f]{8}(-[0-9A-Fa-f]{4}){3}-[0-9A-Fa-f]{12}");
  QStringList words;
  for (const QString& token : text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
    if (token.contains(QRegularExpression("[/\\\\.@:=*]"))) continue;  // paths, links, filters
    if (kGuid.match(token).hasMatch()) continue;
    QRegularExpressionMatchIterator it = QRegularExpression("[A-Za-z]{2,}").globalMatch(token);
    while (it.hasNext()) {
      const QString word = it.next().captured();
      if (!kNames.contains(word)) words << word;
    }
  }
  return words;
}

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
    SetEdit(w, "EditFileIn", file);
    for (const char* box : {"CBoxLoadPartners", "CBoxLoadAllSPR", "CBoxLoadDocs"}) Click(w, box);
    Click(w, "AdvGlowButton1");
    collected.Add(lang + " analysis", ShownTexts(w->window()));
    QTimer::singleShot(0, w->findChild<QAbstractButton*>("ButtonStop"), &QAbstractButton::click);
    Click(w, "AdvGlowButton2");
    collected.Add(lang + " stopped", ShownTexts(w->window()));
    Click(w, "AdvGlowButton2");
    collected.Add(lang + " load", ShownTexts(w->window()));
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
