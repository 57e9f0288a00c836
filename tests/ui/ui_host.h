#pragma once

// A small Qt host for the UI tests: a main window with an MDI area and a window bar, the plug-in
// loaded through the host kit, and a watcher that answers (and records) every modal dialog.

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "db/connection.h"
#include "tests/support/temp_base.h"
#include "tir_host_loader.h"

// gtest messages and failure output of Qt texts.
inline std::ostream& operator<<(std::ostream& os, const QString& text) {
  return os << text.toStdString();
}
inline void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }

namespace tir::test {

// Every text `root` and its visible children show: titles, labels, buttons and their tips, group
// titles, edits and their placeholders, list and combo items.
QStringList ShownTexts(QWidget* root);

// Writes a load file whose goods, recipes, contracts and documents name goods, components and
// partners of no base (GUIDs 0b..02, 0c..03, 0d..04, 0e..05 and 0f..06 in the partner of the
// second document, which refuses the load), with a repeated GUID, rows without a GUID, a date and
// a GUID that cannot be read; returns its temporary path.
TempFile WriteReferencesFile();

class UiHost {
 public:
  static constexpr const char* kGuidCode = "UI-BASE-GUID-1";

  UiHost();
  ~UiHost();

  // Starts the module on the SQLite base `base` (u0 .. u7 with the window bar, then -160) for a
  // user of `userType` without a row in tirUsers, limited to `storeIds` when not empty. Without
  // `withBar` the module gets no window bar (a host without an MDI window).
  void Start(const std::string& base, int userType, const std::string& storeIds = "",
             int language = 1, bool withBar = true);
  // -170, closes the module's windows and the host's connection.
  void Stop();
  int U8(int code);
  int Message(int mode, long long data1);

  // The widget of the open MDI window with this object name (the last one opened), or null.
  QWidget* Window(const char* objectName) const;
  QToolBar& Bar() { return *bar_; }
  QMdiArea& Area() { return *area_; }
  // Texts of the message boxes answered so far.
  const QStringList& Dialogs() const { return dialogs_; }
  // Everything the modal dialogs answered so far showed (message boxes with their titles and
  // buttons, other dialogs such as the file dialog, which are cancelled).
  const QStringList& DialogTexts() const { return dialogTexts_; }
  // Turns the event loop (deferred deletes included).
  static void Settle();

 private:
  QMainWindow main_;
  QMdiArea* area_;
  QToolBar* bar_;
  QTimer dialogWatch_;
  QStringList dialogs_;
  QStringList dialogTexts_;
  void* connection_ = nullptr;
  std::vector<TirChar16*> strings_;
  std::filesystem::path config_;
};

}  // namespace tir::test
