// The desktop host's main window: the MDI area the module's windows open in, the window bar the
// module puts their buttons on, the host's four top menus with the module's items, the log and
// the status line.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

#include "host/desktop/desktop_session.h"

class QLabel;
class QMdiArea;
class QMenu;
class QPlainTextEdit;
class QToolBar;

namespace tir::desktop {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(DesktopSession& session, QWidget* parent = nullptr);
  ~MainWindow() override;

  QMdiArea* MdiArea() const { return mdi_; }
  QToolBar* WindowBar() const { return windowBar_; }
  // The host's top-level menu with this id (20, 21, 22, 23), or nullptr.
  QMenu* TopMenu(std::int32_t id) const;

  // Opens a base (an SQLite file path) and asks who signs in; false when it cannot be opened.
  bool OpenBase(const QString& location);
  // Signs the user in (starting the module on the first sign-in) and rebuilds the menus. A user
  // with a password is asked for it first (unless askPassword is false).
  bool SignIn(const UserEntry& user, bool askPassword = true);
  // Switches the host and the module to language 1 (Russian) or 2 (Ukrainian).
  void SetLanguage(std::int32_t language);

  void ShowStatus(const QString& text);
  void AppendLog(const QString& text);

 public slots:
  void ChooseBase();
  void ChooseUser();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Asks the module's windows to close; false when one of them stays open.
  bool CloseModuleWindows();
  // A base without users: the first one is made with every right and signed in.
  void CreateFirstUser();
  // The base's users into pUsers; false, with the error shown, when they cannot be read.
  bool ReadUsers(std::vector<UserEntry>& pUsers);
  void RebuildMenus();
  void AddModuleItems();
  void UpdateStatus();
  void ShowError(const QString& text);

  DesktopSession& session_;
  QMdiArea* mdi_;
  QToolBar* windowBar_;
  QPlainTextEdit* log_;
  QLabel* baseLabel_;
  QLabel* userLabel_;
  std::map<std::int32_t, QMenu*> topMenus_;
};

}  // namespace tir::desktop
