#include "ui/qt_services.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>
#include <QTranslator>
#include <cstdlib>
#include <exception>
#include <memory>

#include "db/date_time.h"
#include "frame/app_globals.h"
#include "frame/dm_lang.h"
#include "frame/host_services.h"
#include "frame/message_hooks.h"
#include "ui/ui_texts.h"
#include "ui/windows.h"

namespace tir::ui {

namespace {

using frame::TModalResult;

struct TButtonKind {
  std::uint32_t bit;
  QMessageBox::StandardButton standard;
  const char* name;  // the language module's dialog caption key
  TModalResult result;
};

constexpr TButtonKind kButtons[] = {
    {frame::mbYes, QMessageBox::Yes, "Yes", frame::mrYes},
    {frame::mbNo, QMessageBox::No, "No", frame::mrNo},
    {frame::mbOK, QMessageBox::Ok, "OK", frame::mrOk},
    {frame::mbCancel, QMessageBox::Cancel, "Cancel", frame::mrCancel},
    {frame::mbAbort, QMessageBox::Abort, "Abort", frame::mrAbort},
    {frame::mbRetry, QMessageBox::Retry, "Retry", frame::mrRetry},
    {frame::mbIgnore, QMessageBox::Ignore, "Ignore", frame::mrIgnore},
    {frame::mbAll, QMessageBox::YesToAll, "All", frame::mrAll},
    {frame::mbNoToAll, QMessageBox::NoToAll, "No To All", frame::mrNoToAll},
    {frame::mbYesToAll, QMessageBox::SaveAll, "Yes To All", frame::mrYesToAll},
    {frame::mbHelp, QMessageBox::Help, "Help", frame::mrNone},
};

QString DialogCaption(const char* name) {
  if (frame::DMLang == nullptr) return QString::fromUtf8(name);
  return QString::fromStdString(frame::DMLang->DialogCaption(name));
}

QtUiServices gQtUi;
std::unique_ptr<QtTimerServices> gQtTimers;
std::unique_ptr<QTranslator> gQtTranslator;
void* gLangOwner = nullptr;
int gLangListener = 0;

// Qt's own texts (standard buttons, file dialogs) in the module's language.
void ApplyQtTranslations(std::int32_t language) {
  if (gQtTranslator) QCoreApplication::removeTranslator(gQtTranslator.get());
  gQtTranslator = std::make_unique<QTranslator>();
  const QString name = language == frame::kLangUa ? "qtbase_uk" : "qtbase_ru";
  if (gQtTranslator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(gQtTranslator.get());
  }
}

void StartUserInterface(std::int32_t language) {
  if (QCoreApplication::instance() == nullptr) return;
  if (!gQtTimers) gQtTimers = std::make_unique<QtTimerServices>();
  transport::SetTimerServices(gQtTimers.get());
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
  // Without a window bar from the host the windows open on their own.
  frame::SetUiServices(&gQtUi);
  ApplyQtTranslations(language);
  if (frame::DMLang != nullptr && gLangOwner == nullptr) {
    gLangOwner = frame::DMLang;
    gLangListener = frame::DMLang->AddLanguageListener(&ApplyQtTranslations);
  }
}

void StopUserInterface() {
  if (gLangOwner != nullptr && gLangOwner == frame::DMLang) {
    frame::DMLang->RemoveLanguageListener(gLangListener);
  }
  gLangOwner = nullptr;
  if (gQtTranslator) QCoreApplication::removeTranslator(gQtTranslator.get());
  gQtTranslator.reset();
  if (!gQtTimers) return;
  transport::SetTimerServices(nullptr);
  gQtTimers.reset();
  if (&frame::Ui() == &gQtUi) frame::SetUiServices(nullptr);
}

const bool registered = frame::RegisterLifecycleHooks(frame::LifecycleSlot::kUserInterface,
                                                      &StartUserInterface, &StopUserInterface);

}  // namespace

QToolBar* HostBar() { return static_cast<QToolBar*>(frame::gAppPackParams.fBarMDI); }

QMdiArea* HostMdiArea() {
  QToolBar* bar = HostBar();
  if (bar == nullptr || bar->window() == nullptr) return nullptr;
  return bar->window()->findChild<QMdiArea*>();
}

TModalResult QtUiServices::MessageDlg(const std::string& text, frame::TMsgDlgType type,
                                      std::uint32_t buttons) {
  QMessageBox box(QApplication::activeWindow());
  switch (type) {
    case frame::TMsgDlgType::mtWarning:
      box.setIcon(QMessageBox::Warning);
      box.setWindowTitle(DialogCaption("Warning"));
      break;
    case frame::TMsgDlgType::mtError:
      box.setIcon(QMessageBox::Critical);
      box.setWindowTitle(DialogCaption("Error"));
      break;
    case frame::TMsgDlgType::mtConfirmation:
      box.setIcon(QMessageBox::Question);
      box.setWindowTitle(DialogCaption("Confirm"));
      break;
    default:
      box.setIcon(QMessageBox::Information);
      box.setWindowTitle(DialogCaption("Information"));
      break;
  }
  box.setText(QString::fromStdString(text));
  for (const TButtonKind& kind : kButtons) {
    if ((buttons & kind.bit) == 0) continue;
    box.addButton(kind.standard)->setText(DialogCaption(kind.name));
  }
  if (buttons == 0) box.addButton(QMessageBox::Ok)->setText(DialogCaption("OK"));
  const int chosen = box.exec();
  for (const TButtonKind& kind : kButtons) {
    if (chosen == kind.standard) return kind.result;
  }
  return frame::mrCancel;
}

void* QtUiServices::CreateMDIFormButton(void* form, const std::string& caption) {
  QToolBar* bar = HostBar();
  auto* window = static_cast<QWidget*>(form);
  if (bar == nullptr || window == nullptr) return nullptr;
  QAction* button = bar->addAction(window->windowIcon(), QString::fromStdString(caption));
  button->setToolTip(button->text());
  button->setCheckable(true);
  button->setChecked(true);
  QObject::connect(window, &QObject::destroyed, button, &QObject::deleteLater);
  QObject::connect(button, &QAction::triggered, window, [window, button] {
    button->setChecked(true);
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    if (sub != nullptr && sub->mdiArea() != nullptr) {
      if (sub->isMinimized()) sub->showNormal();
      sub->mdiArea()->setActiveSubWindow(sub);
    } else {
      window->activateWindow();
      window->raise();
    }
  });
  return button;
}

void QtUiServices::ProcessMessages() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

bool QtUiServices::OpenCommandWindow(std::int32_t command) { return OpenTirWindow(command); }

std::int32_t TimerIntervalMs(std::int32_t aDefaultMs, const char* aSetting) {
  if (aSetting == nullptr) return aDefaultMs;
  char* end = nullptr;
  const long value = std::strtol(aSetting, &end, 10);
  if (end == aSetting || *end != '\0' || value < kMinTimerIntervalMs || value > 86400000) {
    return aDefaultMs;
  }
  return static_cast<std::int32_t>(value);
}

double QtTimerServices::Now() { return db::NowDateTime(); }

void QtTimerServices::StartTimer(std::int32_t intervalMs, std::function<void()> onTimer) {
  onTimer_ = std::move(onTimer);
  intervalMs = TimerIntervalMs(intervalMs, std::getenv("TIR_TIMER_INTERVAL_MS"));
  QObject::disconnect(&timer_, nullptr, nullptr, nullptr);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (!onTimer_) return;
    try {
      onTimer_();
    } catch (const std::exception& e) {
      // The failing profile keeps its last send time and is tried again at the next tick.
      frame::SendToMainMGS((Tr("Ошибка автоматической отправки: ") + e.what()).toStdString(), 1, 1);
    } catch (...) {
      frame::SendToMainMGS(Tr("Ошибка автоматической отправки").toStdString(), 1, 1);
    }
  });
  timer_.start(intervalMs);
}

void QtTimerServices::StopTimer() {
  timer_.stop();
  onTimer_ = nullptr;
}

}  // namespace tir::ui
