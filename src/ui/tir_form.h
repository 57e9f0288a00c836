#pragma once

// What the three exchange windows share: a place among the host's MDI windows with a button in
// its window bar, translation on a language switch, and the progress line of long work (busy
// image, success and error images, a stop button that sets the window's exit flag).

#include <QString>
#include <QStyle>
#include <QWidget>
#include <initializer_list>
#include <utility>

#include "frame/global_exit.h"

class QLabel;
class QLayout;
class QProgressBar;
class QPushButton;
class QAction;
class QMdiSubWindow;

namespace tir::ui {

// A control of a window, named as the window's code names it (tests and translations find it so).
template <typename T, typename... Args>
T* NewControl(QWidget* aParent, const char* aName, Args&&... aArgs) {
  T* control = new T(std::forward<Args>(aArgs)..., aParent);
  control->setObjectName(QString::fromUtf8(aName));
  return control;
}

// The file dialog of the file edits: default extension "json", filter "Все|*.*|JSON|*.json"; a
// save dialog asks before overwriting and offers aDefaultName. Empty when cancelled.
QString ChooseJsonFile(QWidget* aParent, bool aSave, const QString& aDefaultName);

class TTirForm : public QWidget {
 public:
  TTirForm(const char* aObjectName, const char* aCaption, QStyle::StandardPixmap aIcon);
  ~TTirForm() override;
  TTirForm(const TTirForm&) = delete;
  TTirForm& operator=(const TTirForm&) = delete;

  // Makes the window an MDI child of the host (a top-level window when the host has no MDI area)
  // and shows it.
  void ShowInHost();
  // Gives the window the size its controls ask for, as far as the host's MDI area has room.
  void FitInHost();
  // Closes the window (it is freed when closed).
  void CloseForm();
  // The window's button in the host's window bar (null without a bar).
  QAction* TaskMDIButton() const { return mTaskMDIButton; }
  bool Busy() const { return mBusy; }

 protected:
  // Sets every text of the window in the active language; the base part sets the caption.
  virtual void Retranslate();
  // The progress line: a row with the busy image, the success and error images, the text and the
  // stop button. Windows place it in their layout.
  QWidget* ProgressLine();
  // The window's layout: the controls, the progress line, then a row of buttons (aLeft, a gap,
  // aRight).
  void PlaceControls(QLayout* aControls, std::initializer_list<QWidget*> aLeft,
                     std::initializer_list<QWidget*> aRight);
  // Hides the images and the text.
  void ClearProgress();
  // Long work starts: shows aText and the busy image, clears the exit flag, shows the stop button
  // when the work consults the flag, and turns the message loop once.
  void StartBusy(const QString& aText, bool aCanStop);
  // Long work ended: hides the busy image, shows the success or the error image and aText. A
  // close asked for during the work happens now.
  void StopBusy(bool aSuccess, const QString& aText);
  bool StopRequested() const { return mExitNow.ifExitNOW(); }
  // True (after telling the user) while a file load holds the host's base in its transaction:
  // whatever this window wrote now would be undone with the load, or make it fail.
  bool RefuseWhileBaseIsLoading();

  void closeEvent(QCloseEvent* event) override;

  transport::TMDGlobalExitNow mExitNow;
  QLabel* LabelInfo = nullptr;

 private:
  void SetBarButtonDown(bool aDown);

  const char* mCaption;
  QAction* mTaskMDIButton = nullptr;
  QMdiSubWindow* mSubWindow = nullptr;
  QWidget* mProgress = nullptr;
  QProgressBar* mBusyImage = nullptr;
  QLabel* mImageOK = nullptr;
  QLabel* mImageError = nullptr;
  QPushButton* mButtonStop = nullptr;
  int mLangListener = 0;
  void* mLangOwner = nullptr;
  bool mBusy = false;
  bool mCloseAfterWork = false;
};

}  // namespace tir::ui
