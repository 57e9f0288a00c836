#include "ui/f_tir_dex_load_file.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <utility>

#include "frame/app_globals.h"
#include "frame/dm_lang.h"
#include "frame/ui_services.h"
#include "import/json_loader.h"
#include "import/json_loader_atomic.h"
#include "ui/load_report_texts.h"
#include "ui/ui_texts.h"

namespace tir::ui {

namespace {

// A failed load's message in the window's language. The loader words its frame ("Error: ",
// "ErrorSQL: " before the cause, "; nothing ... written/loaded" after it) for the command line;
// damage of the file is worded here, any other cause (a database's own text) is passed on.
QString FailureText(const import::TLoadOutcome& aOutcome) {
  QString cause = QString::fromStdString(aOutcome.message);
  QString prefix = Tr("Ошибка: ");
  if (cause.startsWith("ErrorSQL: ")) {
    prefix = Tr("Ошибка базы данных: ");
    cause.remove(0, 10);
  } else if (cause.startsWith("Error: ")) {
    cause.remove(0, 7);
  }
  for (const char* tail : {"; nothing of this load was written", "; nothing was loaded"}) {
    if (cause.endsWith(tail)) cause.chop(static_cast<int>(std::strlen(tail)));
  }
  if (aOutcome.damage.kind != import::TLoadNoteKind::kCount) {
    cause = LoadNoteText(aOutcome.damage, frame::CurrentLang());
  }
  return prefix + cause + Tr("; из этого файла ничего не записано");
}

}  // namespace

TFTirDExLoadFile::TFTirDExLoadFile()
    : TTirForm("FTirDExLoadFile", "Универсальный обмен данными", QStyle::SP_DialogOpenButton) {
  LabelFileIn = new QLabel(this);
  EditFileIn = NewControl<QLineEdit>(this, "EditFileIn");
  EditFileIn->setMinimumWidth(EditFileIn->fontMetrics().averageCharWidth() * 60);
  EditFileInButton = NewControl<QToolButton>(this, "EditFileInButton");
  EditFileInButton->setText("...");
  GroupObjects = NewControl<QGroupBox>(this, "GroupObjects");
  CBoxLoadGoods = NewControl<QCheckBox>(GroupObjects, "CBoxLoadGoods", QString::fromUtf8("Товари"));
  CBoxLoadPartners =
      NewControl<QCheckBox>(GroupObjects, "CBoxLoadPartners", QString::fromUtf8("Партнери"));
  CBoxLoadAllSPR = NewControl<QCheckBox>(GroupObjects, "CBoxLoadAllSPR",
                                         QString::fromUtf8("Всі довідники інші"));
  CBoxLoadDocs =
      NewControl<QCheckBox>(GroupObjects, "CBoxLoadDocs", QString::fromUtf8("Документи"));
  GroupObjects->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  auto* boxes = new QVBoxLayout(GroupObjects);
  for (QCheckBox* box : {CBoxLoadGoods, CBoxLoadPartners, CBoxLoadAllSPR, CBoxLoadDocs}) {
    boxes->addWidget(box);
  }
  AdvGlowButton2 = NewControl<QPushButton>(this, "AdvGlowButton2");
  AdvGlowButton1 = NewControl<QPushButton>(this, "AdvGlowButton1");
  ButtonOK = NewControl<QPushButton>(this, "ButtonOK");
  ButtonCancel = NewControl<QPushButton>(this, "ButtonCancel");
  MemoReport = NewControl<QPlainTextEdit>(this, "MemoReport");
  MemoReport->setReadOnly(true);
  MemoReport->setMinimumHeight(MemoReport->fontMetrics().lineSpacing() * 10);
  MemoReport->hide();

  auto* file = new QHBoxLayout;
  file->addWidget(LabelFileIn);
  file->addWidget(EditFileIn, 1);
  file->addWidget(EditFileInButton);
  auto* actions = new QHBoxLayout;
  actions->addWidget(AdvGlowButton2);
  actions->addWidget(AdvGlowButton1);
  actions->addStretch(1);
  auto* controls = new QVBoxLayout;
  controls->addLayout(file);
  controls->addWidget(GroupObjects);
  controls->addLayout(actions);
  controls->addWidget(MemoReport, 1);
  controls->addStretch(0);
  PlaceControls(controls, {}, {ButtonOK, ButtonCancel});

  QObject::connect(EditFileInButton, &QToolButton::clicked, this, [this] { OnChooseFile(); });
  QObject::connect(AdvGlowButton2, &QPushButton::clicked, this, [this] { RunLoad(false); });
  QObject::connect(AdvGlowButton1, &QPushButton::clicked, this, [this] { RunLoad(true); });
  // The window keeps nothing to save: OK closes it like "Закрыть".
  QObject::connect(ButtonOK, &QPushButton::clicked, this, [this] { CloseForm(); });
  QObject::connect(ButtonCancel, &QPushButton::clicked, this, [this] { CloseForm(); });

  try {
    mJsonLoader = std::make_unique<import::TDMJsonLoader>();
    mJsonLoader->SetConnection(&frame::HostConnection());
    mJsonLoader->SetPtr_ExitNow(&mExitNow);
    // The window stays responsive (and its stop button usable) inside a long goods step.
    mJsonLoader->mGoodsProgress = [](std::size_t) { frame::ProcessMessages(); };
    // The pause between goods lets other workstations reach the base; this load keeps its
    // transaction open throughout, so pausing would only hold the base longer.
    mJsonLoader->mGoodsPauseMs = 0;
  } catch (const std::exception& e) {
    mJsonLoader.reset();
    frame::MessageDlg(e.what(), frame::TMsgDlgType::mtError, frame::mbOK);
  }
  Retranslate();
}

TFTirDExLoadFile::~TFTirDExLoadFile() = default;

void TFTirDExLoadFile::Retranslate() {
  TTirForm::Retranslate();
  LabelFileIn->setText(Tr("Файл выгрузки"));
  GroupObjects->setTitle(Tr("Объекты для загрузки с файла"));
  AdvGlowButton2->setText(Tr("Загрузить с файла выбранные объекты"));
  AdvGlowButton1->setText(Tr("Анализировать файл"));
  ButtonOK->setText(Tr("ОК"));
  ButtonCancel->setText(Tr("Закрыть"));
}

void TFTirDExLoadFile::OnChooseFile() {
  const QString chosen = ChooseJsonFile(this, false, QString());
  if (!chosen.isEmpty()) EditFileIn->setText(chosen);
}

void TFTirDExLoadFile::RunLoad(bool aDryRun) {
  if (Busy() || !mJsonLoader || RefuseWhileBaseIsLoading()) return;
  MemoReport->clear();
  MemoReport->hide();
  StartBusy(Tr("Старт: ") + EditFileIn->text().trimmed() + " ...", true);
  std::vector<import::TLoadStep> steps =
      import::FileLoadSteps(CBoxLoadAllSPR->isChecked(), CBoxLoadPartners->isChecked(),
                            CBoxLoadGoods->isChecked(), CBoxLoadDocs->isChecked());
  // A step left early because the user stopped the load raises, so that nothing is kept.
  for (import::TLoadStep& step : steps) {
    step.second = [this, run = step.second](import::TDMJsonLoader& loader) {
      run(loader);
      if (StopRequested()) throw std::runtime_error(Tr("Остановлено пользователем").toStdString());
    };
  }
  import::TLoadOutcome outcome;
  try {
    outcome = import::RunAtomicLoad(
        *mJsonLoader, frame::HostConnection(), EditFileIn->text().trimmed().toStdString(), steps,
        aDryRun, [](const std::string&) { frame::ProcessMessages(); }, true);
  } catch (const std::exception& e) {
    outcome.result = import::TLoadResult::kFailed;
    outcome.message = e.what();
  }
  switch (outcome.result) {
    case import::TLoadResult::kNotOpened:
      StopBusy(false, QString::fromUtf8("Помилка відкриття файла"));
      return;
    case import::TLoadResult::kDone:
      StopBusy(true, QString::fromUtf8("Готово"));
      break;
    case import::TLoadResult::kRolledBack:
      StopBusy(true, Tr("Анализ файла: ничего не записано"));
      break;
    case import::TLoadResult::kRefused:
      StopBusy(false, QString::fromStdString(outcome.message));
      break;
    case import::TLoadResult::kNothing:
      StopBusy(false, Tr("В файле нет данных для выбранной загрузки: ничего не записано"));
      return;
    default:
      StopBusy(false, FailureText(outcome));
      break;
  }
  if (aDryRun || !outcome.report.kinds.empty() || !outcome.report.missing.empty() ||
      !outcome.report.notes.empty()) {
    MemoReport->setPlainText(LoadReportText(outcome.report, frame::CurrentLang()));
    MemoReport->show();
    FitInHost();
  }
}

}  // namespace tir::ui
