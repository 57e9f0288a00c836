#include "ui/tir_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "db/connection.h"
#include "frame/app_globals.h"
#include "frame/dm_lang.h"
#include "frame/ui_services.h"
#include "ui/qt_services.h"
#include "ui/ui_texts.h"

namespace tir::ui {

namespace {

// A scroll area that asks for all the room its controls want (QScrollArea caps its wish at a
// few dozen lines), so that a window opens without scroll bars where the host has the room.
class TControlsScroll final : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override {
    if (widget() == nullptr) return QScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    return widget()->sizeHint() + QSize(frame, frame);
  }
};

}  // namespace

QString ChooseJsonFile(QWidget* aParent, bool aSave, const QString& aDefaultName) {
  QFileDialog dialog(aParent);
  dialog.setAcceptMode(aSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(aSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("json");
  dialog.setNameFilters({QString::fromUtf8("Все (*)"), "JSON (*.json)"});
  if (!aDefaultName.isEmpty()) dialog.selectFile(aDefaultName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

TTirForm::TTirForm(const char* aObjectName, const char* aCaption, QStyle::StandardPixmap aIcon)
    : mCaption(aCaption) {
  setObjectName(QString::fromUtf8(aObjectName));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(Tr(mCaption));
  setWindowIcon(style()->standardIcon(aIcon));
  if (frame::DMLang != nullptr) {
    mLangOwner = frame::DMLang;
    mLangListener = frame::DMLang->AddLanguageListener([this](std::int32_t) { Retranslate(); });
  }
}

TTirForm::~TTirForm() {
  // The language module may have been freed (-170) or replaced since the window subscribed.
  if (mLangOwner != nullptr && mLangOwner == frame::DMLang) {
    frame::DMLang->RemoveLanguageListener(mLangListener);
  }
}

void TTirForm::ShowInHost() {
  mTaskMDIButton =
      static_cast<QAction*>(frame::Ui().CreateMDIFormButton(this, windowTitle().toStdString()));
  if (QMdiArea* area = HostMdiArea(); area != nullptr) {
    mSubWindow = area->addSubWindow(this);
    mSubWindow->setAttribute(Qt::WA_DeleteOnClose);
    FitInHost();
    QObject::connect(area, &QMdiArea::subWindowActivated, this,
                     [this](QMdiSubWindow* active) { SetBarButtonDown(active == mSubWindow); });
    mSubWindow->show();
    area->setActiveSubWindow(mSubWindow);
    // The window bar may have grown by this window's button: fit again once it is laid out.
    QTimer::singleShot(0, this, [this] { FitInHost(); });
  } else {
    show();
  }
}

void TTirForm::FitInHost() {
  // Controls shown or hidden since the last layout pass count at once.
  if (QWidget* controls = findChild<QWidget*>("controls"); controls != nullptr) {
    controls->layout()->activate();
    if (QWidget* scroll = findChild<QWidget*>("controlsScroll")) scroll->updateGeometry();
  }
  layout()->activate();
  QWidget* frame = mSubWindow != nullptr ? static_cast<QWidget*>(mSubWindow) : this;
  QSize wanted = frame->size().expandedTo(frame->sizeHint());
  if (mSubWindow == nullptr || mSubWindow->mdiArea() == nullptr) {
    frame->resize(wanted);
    return;
  }
  // Within the area: as large as wanted and there is room, moved up and left as far as needed.
  const QSize room = mSubWindow->mdiArea()->viewport()->size();
  wanted = wanted.boundedTo(room);
  const QPoint at(std::clamp(frame->x(), 0, room.width() - wanted.width()),
                  std::clamp(frame->y(), 0, room.height() - wanted.height()));
  frame->setGeometry(QRect(at, wanted));
}

void TTirForm::CloseForm() {
  if (mSubWindow != nullptr) {
    mSubWindow->close();
  } else {
    close();
  }
}

void TTirForm::SetBarButtonDown(bool aDown) {
  if (mTaskMDIButton != nullptr) mTaskMDIButton->setChecked(aDown);
}

void TTirForm::Retranslate() {
  setWindowTitle(Tr(mCaption));
  if (mTaskMDIButton != nullptr) {
    mTaskMDIButton->setText(windowTitle());
    mTaskMDIButton->setToolTip(windowTitle());
  }
  if (mButtonStop != nullptr) mButtonStop->setText(Tr("Остановить"));
}

QWidget* TTirForm::ProgressLine() {
  if (mProgress != nullptr) return mProgress;
  mProgress = new QWidget(this);
  auto* row = new QHBoxLayout(mProgress);
  row->setContentsMargins(0, 0, 0, 0);
  mBusyImage = new QProgressBar(mProgress);
  mBusyImage->setObjectName("Image1");
  mBusyImage->setRange(0, 0);  // an endless animation
  mBusyImage->setTextVisible(false);
  mBusyImage->setMaximumWidth(80);
  const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize);
  mImageOK = new QLabel(mProgress);
  mImageOK->setObjectName("AdvOfficeImageOK");
  mImageOK->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(icon, icon));
  mImageError = new QLabel(mProgress);
  mImageError->setObjectName("AdvOfficeImageError");
  mImageError->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(icon, icon));
  LabelInfo = new QLabel(mProgress);
  LabelInfo->setObjectName("LabelInfo");
  LabelInfo->setWordWrap(true);
  LabelInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
  mButtonStop = new QPushButton(Tr("Остановить"), mProgress);
  mButtonStop->setObjectName("ButtonStop");
  QObject::connect(mButtonStop, &QPushButton::clicked, this, [this] { mExitNow.SetExitNOW(true); });
  row->addWidget(mBusyImage);
  row->addWidget(mImageOK);
  row->addWidget(mImageError);
  row->addWidget(LabelInfo, 1);
  row->addWidget(mButtonStop);
  ClearProgress();
  return mProgress;
}

void TTirForm::PlaceControls(QLayout* aControls, std::initializer_list<QWidget*> aLeft,
                             std::initializer_list<QWidget*> aRight) {
  auto* buttons = new QHBoxLayout;
  for (QWidget* button : aLeft) buttons->addWidget(button);
  buttons->addStretch(1);
  for (QWidget* button : aRight) buttons->addWidget(button);
  // The controls scroll when the window is made smaller than they need; the progress line and
  // the buttons stay in sight at any size.
  auto* controls = new QWidget;
  controls->setObjectName("controls");
  controls->setLayout(aControls);
  auto* scroll = new TControlsScroll(this);
  scroll->setObjectName("controlsScroll");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(controls);
  auto* main = new QVBoxLayout(this);
  main->addWidget(scroll, 1);
  main->addWidget(ProgressLine());
  main->addLayout(buttons);
}

void TTirForm::ClearProgress() {
  ProgressLine();
  mBusyImage->hide();
  mImageOK->hide();
  mImageError->hide();
  mButtonStop->hide();
  LabelInfo->clear();
  LabelInfo->hide();
}

void TTirForm::StartBusy(const QString& aText, bool aCanStop) {
  ClearProgress();
  mBusy = true;
  mExitNow.SetExitNOW(false);
  LabelInfo->setText(aText);
  LabelInfo->show();
  mBusyImage->show();
  mButtonStop->setVisible(aCanStop);
  setCursor(Qt::BusyCursor);
  frame::ProcessMessages();
}

void TTirForm::StopBusy(bool aSuccess, const QString& aText) {
  mBusy = false;
  unsetCursor();
  mBusyImage->hide();
  mButtonStop->hide();
  (aSuccess ? mImageOK : mImageError)->show();
  LabelInfo->setText(aText);
  LabelInfo->show();
  if (mCloseAfterWork) {
    CloseForm();
    return;
  }
  FitInHost();  // the result line takes room from the controls
}

bool TTirForm::RefuseWhileBaseIsLoading() {
  if (!frame::HasHostConnection() || !frame::HostConnection().InTransaction()) return false;
  frame::MessageDlg(
      Tr("Идет загрузка файла в базу: дождитесь ее окончания и повторите действие").toStdString(),
      frame::TMsgDlgType::mtWarning, frame::mbOK);
  return true;
}

void TTirForm::closeEvent(QCloseEvent* event) {
  if (mBusy) {
    // The work runs in this window's handler: ask it to stop, and close once it has.
    mExitNow.SetExitNOW(true);
    mCloseAfterWork = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace tir::ui
