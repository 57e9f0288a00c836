// MainWindow: menus from the host's table and the module's u3 answers, commands through u8.
#include "host/desktop/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <exception>
#include <functional>
#include <set>
#include <vector>

#include "host/desktop/dialogs.h"
#include "host/desktop/host_requests.h"
#include "host/desktop/host_texts.h"

namespace tir::desktop {
namespace {

MainWindow* gWindow = nullptr;  // the window the callbacks report to

void LogSink(const char* utf8, std::uint8_t /*type*/, std::uint8_t /*ifLog*/, void* context) {
  static_cast<MainWindow*>(context)->AppendLog(QString::fromUtf8(utf8));
}

}  // namespace

MainWindow::MainWindow(DesktopSession& session, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      mdi_(new QMdiArea(this)),
      windowBar_(new QToolBar(this)),
      log_(new QPlainTextEdit(this)),
      baseLabel_(new QLabel(this)),
      userLabel_(new QLabel(this)) {
  setCentralWidget(mdi_);
  windowBar_->setObjectName("windowBar");
  windowBar_->setMovable(false);
  addToolBar(Qt::TopToolBarArea, windowBar_);
  session_.SetWindowBar(windowBar_);

  log_->setObjectName("logText");
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(1000);
  auto* dock = new QDockWidget(this);
  dock->setObjectName("log");
  dock->setWidget(log_);
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  resizeDocks({dock}, {110}, Qt::Vertical);

  baseLabel_->setObjectName("baseLabel");
  userLabel_->setObjectName("userLabel");
  auto* separator = new QFrame(this);
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  statusBar()->addPermanentWidget(baseLabel_);
  statusBar()->addPermanentWidget(separator);
  statusBar()->addPermanentWidget(userLabel_);

  gWindow = this;
  TirHostSetLogSink(LogSink, this);
  SetHostRequestHandlers(HostRequestHandlers{
      [this](const std::string& current, std::string& chosen) {
        GroupPickerDialog dialog(session_.Connection(), current, session_.Language(), this);
        if (dialog.exec() != QDialog::Accepted) return false;
        chosen = dialog.Chosen();
        return true;
      },
      [this](std::int32_t moduleId, std::int32_t /*searchMode*/) {
        const std::int32_t lang = session_.Language();
        ShowStatus(
            Text(moduleId == 20 ? HostText::kCatalogChanged : HostText::kSettlementsChanged, lang));
      }});
  InstallQtTranslations(session_.Language());
  RebuildMenus();
  resize(1024, 700);
}

MainWindow::~MainWindow() {
  if (gWindow == this) {
    gWindow = nullptr;
    TirHostSetLogSink(nullptr, nullptr);
    SetHostRequestHandlers(HostRequestHandlers{});
  }
}

QMenu* MainWindow::TopMenu(std::int32_t id) const {
  const auto it = topMenus_.find(id);
  return it == topMenus_.end() ? nullptr : it->second;
}

bool MainWindow::OpenBase(const QString& location) {
  // The module's windows work on the open base: they close before it changes.
  if (!CloseModuleWindows()) return false;
  std::string error;
  if (!session_.OpenBase(location.toStdString(), error)) {
    ShowError(QString::fromStdString(error));
    return false;
  }
  RebuildMenus();
  return true;
}

bool MainWindow::SignIn(const UserEntry& user, bool askPassword) {
  const std::int32_t lang = session_.Language();
  if (askPassword && !user.password.empty()) {
    bool given = false;
    const QString password = QInputDialog::getText(
        this, Text(HostText::kPasswordTitle, lang),
        Text(HostText::kPasswordPrompt, lang).arg(QString::fromStdString(user.name)),
        QLineEdit::Password, QString(), &given);
    if (!given) return false;
    if (password.toStdString() != user.password) {
      ShowError(Text(HostText::kWrongPassword, lang));
      return false;
    }
  }
  std::string error;
  if (!session_.SignIn(user, error)) {
    ShowError(QString::fromStdString(error));
    return false;
  }
  RebuildMenus();
  return true;
}

void MainWindow::SetLanguage(std::int32_t language) {
  InstallQtTranslations(language);
  session_.SetLanguage(language);
  RebuildMenus();
}

void MainWindow::ChooseBase() {
  BaseDialog dialog(QString::fromStdString(session_.BaseLocation()), session_.Language(), this);
  if (dialog.exec() != QDialog::Accepted || dialog.Location().isEmpty()) return;
  if (OpenBase(dialog.Location())) ChooseUser();
}

void MainWindow::ChooseUser() {
  if (!session_.HasBase()) {
    ChooseBase();
    return;
  }
  std::vector<UserEntry> users;
  if (!ReadUsers(users)) return;
  if (users.empty()) {
    CreateFirstUser();
    return;
  }
  SignInDialog dialog(users, session_.User().id, session_.Language(), this);
  if (dialog.exec() != QDialog::Accepted || dialog.Chosen() == nullptr) return;
  SignIn(*dialog.Chosen());
}

bool MainWindow::ReadUsers(std::vector<UserEntry>& pUsers) {
  try {
    pUsers = session_.Users();
    return true;
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
    return false;
  }
}

void MainWindow::CreateFirstUser() {
  FirstUserDialog dialog(session_.Language(), this);
  if (dialog.exec() != QDialog::Accepted) {
    ShowStatus(Text(HostText::kNoUsers, session_.Language()));
    return;
  }
  std::string error;
  if (!session_.AddFirstUser(dialog.User(), error)) {
    ShowError(QString::fromStdString(error));
    return;
  }
  std::vector<UserEntry> users;
  if (!ReadUsers(users)) return;
  // The user has just typed the password: it is not asked again.
  if (!users.empty()) SignIn(users.front(), false);
}

void MainWindow::ShowStatus(const QString& text) { statusBar()->showMessage(text, 10000); }

void MainWindow::AppendLog(const QString& text) {
  log_->appendPlainText(text);
  ShowStatus(text);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!CloseModuleWindows()) {
    event->ignore();
    return;
  }
  session_.Stop();
  event->accept();
}

bool MainWindow::CloseModuleWindows() {
  mdi_->closeAllSubWindows();
  const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
  return std::none_of(windows.begin(), windows.end(),
                      [](const QMdiSubWindow* window) { return !window->isHidden(); });
}

void MainWindow::RebuildMenus() {
  const std::int32_t lang = session_.Language();
  menuBar()->clear();
  topMenus_.clear();
  std::vector<HostMenu> menus(std::begin(kHostMenus), std::end(kHostMenus));
  std::sort(menus.begin(), menus.end(),
            [](const HostMenu& a, const HostMenu& b) { return a.order < b.order; });
  for (const HostMenu& menu : menus) {
    topMenus_[menu.id] = menuBar()->addMenu(MenuCaption(menu.id, lang));
  }

  QMenu* service = topMenus_.at(kServiceMenu);
  service->addAction(Text(HostText::kOpenBase, lang), this, &MainWindow::ChooseBase);
  QAction* signIn =
      service->addAction(Text(HostText::kSignIn, lang), this, &MainWindow::ChooseUser);
  signIn->setEnabled(session_.HasBase());
  QMenu* language = service->addMenu(Text(HostText::kLanguage, lang));
  auto* group = new QActionGroup(language);
  for (const std::int32_t value : {1, 2}) {
    QAction* action =
        language->addAction(Text(value == 1 ? HostText::kRussian : HostText::kUkrainian, lang),
                            this, [this, value] { SetLanguage(value); });
    action->setCheckable(true);
    action->setChecked(value == lang);
    action->setData(value);
    group->addAction(action);
  }
  service->addSeparator();
  AddModuleItems();
  service->addSeparator();
  service->addAction(Text(HostText::kExit, lang), this, &QWidget::close);

  windowBar_->setWindowTitle(Text(HostText::kWindows, lang));
  if (auto* dock = findChild<QDockWidget*>("log")) dock->setWindowTitle(Text(HostText::kLog, lang));
  UpdateStatus();
}

// The module's records: a record of type 1 names one of the host's top menus (its caption is
// the module's text for it); records of type 0 hang under their parent in order, and a record
// that is some other record's parent is a submenu, the rest are commands for u8.
void MainWindow::AddModuleItems() {
  std::vector<MenuEntry> items = session_.MenuItems();
  std::stable_sort(items.begin(), items.end(),
                   [](const MenuEntry& a, const MenuEntry& b) { return a.order < b.order; });
  std::set<std::int32_t> parents;
  for (const MenuEntry& item : items) {
    if (item.type == 0) parents.insert(item.parent);
    if (item.type == 1 && topMenus_.count(item.id) != 0) {
      topMenus_.at(item.id)->setTitle(QString::fromStdString(item.name));
    }
  }
  std::set<std::int32_t> placed;  // a record that names itself as an ancestor is shown once
  std::function<void(QMenu*, std::int32_t)> fill = [&](QMenu* menu, std::int32_t parent) {
    for (const MenuEntry& item : items) {
      if (item.type != 0 || item.parent != parent || !placed.insert(item.id).second) continue;
      const QString caption = QString::fromStdString(item.name);
      if (parents.count(item.id) != 0) {
        fill(menu->addMenu(caption), item.id);
        continue;
      }
      const std::int32_t code = item.id;
      QAction* action = menu->addAction(caption, this, [this, code] { session_.RunCommand(code); });
      action->setData(code);
    }
  };
  for (const auto& [id, menu] : topMenus_) fill(menu, id);
}

void MainWindow::UpdateStatus() {
  const std::int32_t lang = session_.Language();
  const QString location = QString::fromStdString(session_.BaseLocation());
  baseLabel_->setText(session_.HasBase()
                          ? Text(HostText::kBase, lang) + QFileInfo(location).fileName()
                          : Text(HostText::kNoBase, lang));
  baseLabel_->setToolTip(location);
  setWindowTitle(session_.HasBase()
                     ? QString("tirhost - ") + QString::fromStdString(session_.BaseLocation())
                     : QString("tirhost"));
  userLabel_->setText(session_.Started() ? Text(HostText::kStatusUser, lang) +
                                               QString::fromStdString(session_.User().name)
                                         : Text(HostText::kNoUser, lang));
}

void MainWindow::ShowError(const QString& text) {
  AppendLog(text);
  QMessageBox::critical(this, Text(HostText::kError, session_.Language()), text);
}

}  // namespace tir::desktop
