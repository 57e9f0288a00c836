// The desktop host under the offscreen platform: the order of the host's calls, the menu built
// from the module's answers, sign-in and language reaching the module, and the host's answers
// to the module's requests.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "host/desktop/desktop_session.h"
#include "host/desktop/dialogs.h"
#include "host/desktop/host_requests.h"
#include "host/desktop/main_window.h"
#include "host/kit/wide_text.h"
#include "tests/support/temp_base.h"

namespace tir::desktop {
namespace {

// Users: admin (type 1, no stored mask: every right), kasa (own mask 4), guest (type 2, none).
void AddUsers(db::SqliteConnection& conn) {
  for (const char* sql :
       {"INSERT INTO tirUsersRG (fId, fName, fState, fBase) VALUES (1, 'Staff', 1, 1);",
        "INSERT INTO tirUsers (fId, fCode, fName, fState, fType) VALUES "
        "(1, 'admin', 'Admin', 1, 1), (2, 'kasa', 'Kasa', 1, 2), (3, 'guest', 'Guest', 1, 2);",
        "INSERT INTO tirSettings (fUserId, fMId, fPType, fPB) VALUES (2, 410, -26, 4);"}) {
    conn.ExecScript(sql);
  }
}

// Runs `answer` on the next modal dialog once it is shown.
void AnswerNextDialog(const std::function<void(QDialog&)>& answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

// The module's submenu under the host's Service menu, or nullptr.
QMenu* ExchangeMenu(const MainWindow& window) {
  for (QAction* action : window.TopMenu(23)->actions()) {
    if (action->menu() != nullptr) {
      if (action->menu()->title().startsWith(QString::fromUtf8("Обм"))) return action->menu();
    }
  }
  return nullptr;
}

QStringList Captions(const QMenu* menu) {
  QStringList captions;
  for (QAction* action : menu->actions()) captions << action->text();
  return captions;
}

struct StubbornWindow : QWidget {
  bool stubborn = true;
  void closeEvent(QCloseEvent* event) override { event->setAccepted(!stubborn); }
};

// Runs tirhost with `args` and no display; its exit code and everything it printed.
std::pair<int, std::string> RunTirhostWithoutDisplay(const std::string& args) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                              std::string(TIRHOST_PATH) + " " + args + " 2>&1";
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, output};
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
}

TEST(TirhostCommandLine, HelpNeedsNoDisplayAndAWindowSaysItNeedsOne) {
  const auto [helpCode, help] = RunTirhostWithoutDisplay("--help");
  EXPECT_EQ(helpCode, 0) << help;
  EXPECT_NE(help.find("--lang"), std::string::npos) << help;
  const auto [code, said] = RunTirhostWithoutDisplay("");
  EXPECT_EQ(code, 1) << said;
  EXPECT_NE(said.find("a display is needed"), std::string::npos) << said;
}

// A new base from `tirdex schema --first-user` is usable at once: its administrator is asked for
// the password and then has the exchange menu. A base without users offers to make the first one.
TEST(DesktopNewBase, FirstUserFromTirdexOrTheFirstStartDialogSignsIn) {
  const test::TempFile file(".sqlite");
  const std::string command = std::string(TIRDEX_PATH) + " schema " + file +
                              " --first-user boss --first-user-name 'Бос' "
                              "--first-user-password s3cret >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  {
    DesktopSession session(TIR_MODULE_PATH);
    MainWindow window(session);
    ASSERT_TRUE(window.OpenBase(QString::fromStdString(file)));
    const std::vector<UserEntry> users = session.Users();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].type, 1);
    // A wrong password is refused with a message, the right one signs in.
    for (const char* typed : {"wrong", "s3cret"}) {
      AnswerNextDialog([typed](QDialog& dialog) {
        auto* input = qobject_cast<QInputDialog*>(&dialog);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->textEchoMode(), QLineEdit::Password);
        input->setTextValue(typed);
        // The wrong password's message box comes next.
        QTimer::singleShot(0, [] {
          if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->text(), QString::fromUtf8("Неверный пароль"));
            box->accept();
          }
        });
        input->accept();
      });
      EXPECT_EQ(window.SignIn(users[0]), std::string(typed) == "s3cret");
    }
    EXPECT_NE(ExchangeMenu(window), nullptr);
    EXPECT_EQ(window.findChild<QLabel*>("userLabel")->text(),
              QString::fromUtf8("Пользователь: Бос"));
    session.Stop();
  }

  test::TempBase empty;
  empty.Close();
  DesktopSession session(TIR_MODULE_PATH);
  MainWindow window(session);
  ASSERT_TRUE(window.OpenBase(QString::fromStdString(empty.path())));
  AnswerNextDialog([](QDialog& dialog) {
    ASSERT_EQ(dialog.objectName(), "firstUser");
    dialog.findChild<QLineEdit*>("password")->setText("one");
    dialog.findChild<QLineEdit*>("again")->setText("two");
    dialog.accept();  // refused: the passwords differ
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLabel*>("problem")->text(),
              QString::fromUtf8("Пароли не совпадают"));
    dialog.findChild<QLineEdit*>("again")->setText("one");
    dialog.accept();
  });
  window.ChooseUser();
  ASSERT_TRUE(session.Started());
  EXPECT_EQ(session.User().code, "admin");
  EXPECT_EQ(session.Users().at(0).password, "one");
  EXPECT_NE(ExchangeMenu(window), nullptr);
  session.Stop();
}

class DesktopHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddUsers(base_.conn());
    base_.Close();
  }

  test::TempBase base_;
};

TEST_F(DesktopHostTest, HostCallsTheModuleInOrderAndHandsItTheWindowBar) {
  DesktopSession session(TIR_RECORDING_MODULE_PATH);
  auto window = std::make_unique<MainWindow>(session);
  ASSERT_TRUE(window->OpenBase(QString::fromStdString(base_.path())));
  ASSERT_TRUE(window->SignIn(UserEntry{3, 2, "guest", "Guest", ""}));
  window->SetLanguage(2);
  ASSERT_TRUE(window->SignIn(UserEntry{1, 1, "admin", "Admin", ""}));
  // The module's command reaches u8.
  QAction* command = window->TopMenu(23)->actions().at(4);
  ASSERT_EQ(command->text(), "Command");
  command->trigger();
  // A module window that refuses to close (unsaved work) keeps the host and the module running.
  auto* busy = new StubbornWindow;
  window->MdiArea()->addSubWindow(busy)->show();
  EXPECT_FALSE(window->close());
  busy->stubborn = false;
  EXPECT_TRUE(window->close());

  void* handle = dlopen(TIR_RECORDING_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto calls = reinterpret_cast<const char* (*)()>(dlsym(handle, "RecordedCalls"));
  auto bar = reinterpret_cast<void* (*)()>(dlsym(handle, "RecordedWindowBar"));
  EXPECT_STREQ(calls(),
               "u0;u1 0;u1 1;u2;u60 3/2;u7 4;u9 -160 1;"  // start with the signed-in user
               "u9 -200 2;"                               // language switch
               "u60 1/1;u9 -140 0;"                       // another user signs in
               "u8 600;"
               "u9 -170 0;");  // the window closes
  // The window bar the module receives sits in the host's main window over its MDI area.
  auto* windowBar = static_cast<QToolBar*>(bar());
  ASSERT_EQ(windowBar, window->WindowBar());
  auto* main = qobject_cast<QMainWindow*>(windowBar->window());
  ASSERT_NE(main, nullptr);
  EXPECT_NE(qobject_cast<QMdiArea*>(main->centralWidget()), nullptr);
  dlclose(handle);
}

TEST_F(DesktopHostTest, MenuFollowsTheSignedInUsersRightsAndLanguage) {
  DesktopSession session(TIR_MODULE_PATH);
  MainWindow window(session);
  ASSERT_TRUE(window.OpenBase(QString::fromStdString(base_.path())));
  ASSERT_TRUE(window.SignIn(UserEntry{1, 1, "admin", "Admin", ""}));
  QMenu* exchange = ExchangeMenu(window);
  ASSERT_NE(exchange, nullptr);
  EXPECT_EQ(exchange->title(), QString::fromUtf8("Обмен данными"));
  EXPECT_EQ(Captions(exchange),
            QStringList({QString::fromUtf8("Универсальный обмен данными"),
                         QString::fromUtf8("Обмен с интернет-магазином"),
                         QString::fromUtf8("Загрузка данных с внешнего файла")}));
  // The module's own window opens inside the host's MDI area with its button on the window bar.
  const int barButtons = window.WindowBar()->actions().size();
  exchange->actions().back()->trigger();
  ASSERT_EQ(window.MdiArea()->subWindowList().size(), 1);
  EXPECT_EQ(window.WindowBar()->actions().size(), barButtons + 1);
  window.MdiArea()->closeAllSubWindows();

  // kasa signs in through the dialog, which lists every user with its type.
  AnswerNextDialog([](QDialog& dialog) {
    QTreeWidget* list = static_cast<SignInDialog&>(dialog).List();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    const QList<QTreeWidgetItem*> found = list->findItems("kasa", Qt::MatchExactly, 0);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.front()->text(2), "2");
    list->setCurrentItem(found.front());
    dialog.accept();
  });
  window.ChooseUser();
  EXPECT_EQ(session.User().code, "kasa");
  exchange = ExchangeMenu(window);
  ASSERT_NE(exchange, nullptr);
  EXPECT_EQ(Captions(exchange),
            QStringList({QString::fromUtf8("Загрузка данных с внешнего файла")}));

  ASSERT_TRUE(window.SignIn(UserEntry{3, 2, "guest", "Guest", ""}));
  EXPECT_EQ(ExchangeMenu(window), nullptr);

  ASSERT_TRUE(window.SignIn(UserEntry{1, 1, "admin", "Admin", ""}));
  window.SetLanguage(2);
  EXPECT_EQ(window.TopMenu(23)->title(), QString::fromUtf8("Сервіс"));
  EXPECT_EQ(window.TopMenu(21)->title(), QString::fromUtf8("Довідники"));
  exchange = ExchangeMenu(window);
  ASSERT_NE(exchange, nullptr);
  EXPECT_EQ(exchange->title(), QString::fromUtf8("Обмін даними"));
  EXPECT_EQ(Captions(exchange).front(), QString::fromUtf8("Універсальний обім даними"));
}

TEST_F(DesktopHostTest, SearchFunctionAsksThePickerAndShowsChanges) {
  {
    db::SqliteConnection& conn = base_.Reopen();
    conn.ExecScript(
        "UPDATE tirGoodsGroups SET fcr=6 WHERE fclev=0;"
        "INSERT INTO tirGoodsGroups (fId, fName, fcl, fcr, fclev) VALUES "
        "(7, 'Drinks', 2, 5, 1), (8, 'Juice', 3, 4, 2);");
    base_.Close();
  }
  DesktopSession session(TIR_MODULE_PATH);
  MainWindow window(session);
  ASSERT_TRUE(window.OpenBase(QString::fromStdString(base_.path())));

  TirModSearchIn in{};
  TirHostClearSearchIn(&in);
  TirModSearchOut out{};
  in.fModuleId = 20;
  in.fSearchMode = 888020;
  in.fSearchStr = TirHostWideFromUtf8("7");
  // The picker shows the tree with the module's groups checked; the user picks the child.
  AnswerNextDialog([](QDialog& dialog) {
    QTreeWidget* tree = static_cast<GroupPickerDialog&>(dialog).Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* drinks = tree->topLevelItem(0);
    EXPECT_EQ(drinks->checkState(0), Qt::Checked);
    ASSERT_EQ(drinks->childCount(), 1);
    drinks->setCheckState(0, Qt::Unchecked);
    drinks->child(0)->setCheckState(0, Qt::Checked);
    dialog.accept();
  });
  ASSERT_EQ(DesktopSearchFunc(in, &out), 0);
  EXPECT_EQ(hostkit::Utf8OfWide(out.fStrDataList), "8");
  EXPECT_EQ(hostkit::Utf8OfWide(out.fNameShowMod), "Juice");
  AnswerNextDialog([](QDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(DesktopSearchFunc(in, &out), 1);
  EXPECT_NE(out.fCanceled, 0);

  in.fSearchMode = 888046;
  ASSERT_EQ(DesktopSearchFunc(in, &out), 0);
  EXPECT_EQ(window.statusBar()->currentMessage(), QString::fromUtf8("Справочник товаров изменен"));

  in.fModuleId = 170;
  in.fSearchMode = 1024;
  ASSERT_EQ(DesktopSearchFunc(in, &out), 0);
  EXPECT_EQ(window.statusBar()->currentMessage(), QString::fromUtf8("Взаиморасчеты изменены"));

  // The module's messages go to the log pane.
  TirChar16* message = TirHostWideFromUtf8("Успешно отправлен.");
  TirHostLogMessage(message, 1, TirDllInfo{}, 1);
  TirSysFreeString(message);
  EXPECT_TRUE(window.findChild<QPlainTextEdit*>("logText")->toPlainText().contains(
      QString::fromUtf8("Успешно отправлен.")));
  TirHostClearSearchIn(&in);
  TirHostClearSearchOut(&out);
}

// The main window at 1024x700 with the module's windows after a run, the log holding what the
// module reported, and the Service menu with the module's submenu open; in Russian and in
// Ukrainian, into $TIR_SCREENSHOT_DIR (docs/screenshots/tirhost_*.png when refreshing them), else
// into the build folder.
TEST_F(DesktopHostTest, ModuleWindowsAndLogAtTheDefaultSizeAndScreenshots) {
  QString folder = qEnvironmentVariable("TIR_SCREENSHOT_DIR", TIR_SCREENSHOT_DEFAULT_DIR);
  QDir().mkpath(folder);
  DesktopSession session(TIR_MODULE_PATH);
  MainWindow window(session);
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(window.size(), QSize(1024, 700));
  ASSERT_TRUE(window.OpenBase(QString::fromStdString(base_.path())));
  ASSERT_TRUE(window.SignIn(UserEntry{1, 1, "admin", "Admin", ""}));
  for (const std::int32_t lang : {1, 2}) {
    const QString suffix = lang == 2 ? "ua" : "ru";
    window.SetLanguage(lang);
    window.MdiArea()->closeAllSubWindows();
    QApplication::processEvents();
    for (const std::int32_t code : {600, 611, 610}) session.RunCommand(code);
    QApplication::processEvents();
    const QList<QMdiSubWindow*> windows = window.MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    // Each window fits the MDI area with its buttons in sight.
    const QRect room = window.MdiArea()->viewport()->rect();
    for (QMdiSubWindow* sub : windows) {
      EXPECT_TRUE(room.contains(sub->geometry())) << sub->widget()->objectName().toStdString();
      auto* close = sub->widget()->findChild<QPushButton*>("ButtonCancel");
      ASSERT_NE(close, nullptr);
      EXPECT_TRUE(close->isVisible());
    }
    // A user's send that fails is reported in the log.
    QWidget* shop = windows.back()->widget();
    shop->findChild<QComboBox*>("EditURL")->setCurrentText("http://127.0.0.1:1/upload");
    shop->findChild<QPushButton*>("SendButton")->click();
    QApplication::processEvents();
    // The service library is found beside the module and its failure reaches the log in the
    // user's language, with the address it could not reach.
    const QString log = window.findChild<QPlainTextEdit*>("logText")->toPlainText();
    EXPECT_TRUE(log.contains(QString::fromUtf8("Ошибка: ") +
                             QString::fromUtf8(lang == 2 ? "не вдалося підключитися до сервера"
                                                         : "не удалось подключиться к серверу") +
                             ": http://127.0.0.1:1/upload"))
        << log.toStdString();
    ASSERT_TRUE(window.grab().save(QDir(folder).filePath("tirhost_windows_" + suffix + ".png")));

    QMenu* service = window.TopMenu(23);
    QMenu* exchange = ExchangeMenu(window);
    ASSERT_NE(exchange, nullptr);
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    const QPoint menuAt =
        window.menuBar()->actionGeometry(service->menuAction()).bottomLeft() + QPoint(0, 1);
    const QPixmap serviceShot = service->grab();
    painter.drawPixmap(menuAt, serviceShot);
    const QRect row = service->actionGeometry(exchange->menuAction());
    painter.drawPixmap(menuAt + QPoint(serviceShot.width() - 4, row.top()), exchange->grab());
    painter.end();
    ASSERT_TRUE(shot.save(QDir(folder).filePath("tirhost_main_" + suffix + ".png")));
  }
  EXPECT_EQ(window.size(), QSize(1024, 700));
  window.MdiArea()->closeAllSubWindows();
  session.Stop();
}

}  // namespace
}  // namespace tir::desktop

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
