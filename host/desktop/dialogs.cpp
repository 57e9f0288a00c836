// SignInDialog, FirstUserDialog, BaseDialog and GroupPickerDialog.
#include "host/desktop/dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <set>
#include <sstream>
#include <utility>

#include "db/connection.h"
#include "db/query.h"
#include "host/desktop/host_texts.h"

namespace tir::desktop {
namespace {

QDialogButtonBox* AddButtons(QDialog* dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
  return buttons;
}

std::set<std::int64_t> IdSet(const std::string& list) {
  std::set<std::int64_t> ids;
  std::stringstream stream(list);
  std::string item;
  while (std::getline(stream, item, ',')) {
    if (!item.empty()) ids.insert(std::stoll(item));
  }
  return ids;
}

}  // namespace

SignInDialog::SignInDialog(const std::vector<UserEntry>& users, std::int32_t currentId,
                           std::int32_t language, QWidget* parent)
    : QDialog(parent), users_(users), list_(new QTreeWidget(this)) {
  setWindowTitle(Text(HostText::kSignInTitle, language));
  auto* layout = new QVBoxLayout(this);
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({Text(HostText::kCode, language), Text(HostText::kUser, language),
                          Text(HostText::kType, language)});
  for (std::size_t i = 0; i < users_.size(); ++i) {
    const UserEntry& user = users_[i];
    auto* item =
        new QTreeWidgetItem(list_, {QString::fromStdString(user.code),
                                    QString::fromStdString(user.name), QString::number(user.type)});
    item->setData(0, Qt::UserRole, static_cast<int>(i));
    if (user.id == currentId || (currentId == 0 && user.code == "admin")) {
      list_->setCurrentItem(item);
    }
  }
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(list_);
  AddButtons(this, layout);
  resize(420, 320);
}

const UserEntry* SignInDialog::Chosen() const {
  const QTreeWidgetItem* item = list_->currentItem();
  if (item == nullptr) return nullptr;
  return &users_[static_cast<std::size_t>(item->data(0, Qt::UserRole).toInt())];
}

FirstUserDialog::FirstUserDialog(std::int32_t language, QWidget* parent)
    : QDialog(parent),
      language_(language),
      code_(new QLineEdit("admin", this)),
      name_(new QLineEdit(this)),
      password_(new QLineEdit(this)),
      again_(new QLineEdit(this)),
      problem_(new QLabel(this)) {
  setObjectName("firstUser");
  setWindowTitle(Text(HostText::kFirstUserTitle, language));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(Text(HostText::kFirstUserIntro, language), this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* form = new QFormLayout;
  code_->setObjectName("code");
  name_->setObjectName("name");
  name_->setText(QString::fromUtf8(language == 2 ? "Адміністратор" : "Администратор"));
  password_->setObjectName("password");
  again_->setObjectName("again");
  for (QLineEdit* edit : {password_, again_}) edit->setEchoMode(QLineEdit::Password);
  form->addRow(Text(HostText::kCode, language), code_);
  form->addRow(Text(HostText::kName, language), name_);
  form->addRow(Text(HostText::kPassword, language), password_);
  form->addRow(Text(HostText::kPasswordAgain, language), again_);
  layout->addLayout(form);
  problem_->setObjectName("problem");
  problem_->setStyleSheet("color: #b00020");
  problem_->hide();
  layout->addWidget(problem_);
  AddButtons(this, layout);
  resize(440, 220);
}

UserEntry FirstUserDialog::User() const {
  UserEntry user;
  user.type = 1;
  user.code = code_->text().trimmed().toStdString();
  user.name = name_->text().trimmed().toStdString();
  user.password = password_->text().toStdString();
  return user;
}

void FirstUserDialog::accept() {
  QString problem;
  if (code_->text().trimmed().isEmpty()) {
    problem = Text(HostText::kNeedCode, language_);
  } else if (password_->text() != again_->text()) {
    problem = Text(HostText::kPasswordsDiffer, language_);
  }
  if (problem.isEmpty()) return QDialog::accept();
  problem_->setText(problem);
  problem_->show();
}

BaseDialog::BaseDialog(const QString& current, std::int32_t language, QWidget* parent)
    : QDialog(parent), file_(new QLineEdit(current, this)), connectionString_(new QLineEdit(this)) {
  setWindowTitle(Text(HostText::kBaseTitle, language));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* fileRow = new QHBoxLayout;
  auto* browse = new QPushButton(Text(HostText::kBrowse, language), this);
  connect(browse, &QPushButton::clicked, this, [this, language] {
    const QString path =
        QFileDialog::getOpenFileName(this, Text(HostText::kBaseTitle, language), file_->text(),
                                     "SQLite (*.sqlite *.db *.sqlite3);;* (*)");
    if (!path.isEmpty()) file_->setText(path);
  });
  fileRow->addWidget(file_);
  fileRow->addWidget(browse);
  form->addRow(Text(HostText::kSqliteFile, language), fileRow);
  // A server base is named by its ODBC connection string; when given, it wins over the file.
  connectionString_->setPlaceholderText(Text(HostText::kConnectionStringHint, language));
  form->addRow(Text(HostText::kConnectionString, language), connectionString_);
  layout->addLayout(form);
  AddButtons(this, layout);
  resize(560, 120);
}

QString BaseDialog::Location() const {
  const QString server = connectionString_->text().trimmed();
  return server.isEmpty() ? file_->text().trimmed() : server;
}

GroupPickerDialog::GroupPickerDialog(void* connection, const std::string& current,
                                     std::int32_t language, QWidget* parent)
    : QDialog(parent), tree_(new QTreeWidget(this)) {
  setWindowTitle(Text(HostText::kGroupsTitle, language));
  auto* layout = new QVBoxLayout(this);
  tree_->setHeaderHidden(true);
  const std::set<std::int64_t> checked = IdSet(current);
  db::Query query(*static_cast<db::Connection*>(connection));
  query.SetSql("SELECT fId, fName, fcl, fcr FROM tirGoodsGroups WHERE fclev>0 ORDER BY fcl;");
  query.Open();
  // Nested sets in left order: the open ancestors of a row are those whose right bound is
  // beyond the row's left bound.
  std::vector<std::pair<std::int64_t, QTreeWidgetItem*>> open;
  for (; !query.Eof(); query.Next()) {
    const std::int64_t left = query.FieldByName("fcl").AsInt64();
    while (!open.empty() && open.back().first < left) open.pop_back();
    const std::int64_t id = query.FieldByName("fId").AsInt64();
    const QStringList text{QString::fromStdString(query.FieldByName("fName").AsText())};
    auto* item = open.empty() ? new QTreeWidgetItem(tree_, text)
                              : new QTreeWidgetItem(open.back().second, text);
    item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(id));
    item->setCheckState(0, checked.count(id) != 0 ? Qt::Checked : Qt::Unchecked);
    open.emplace_back(query.FieldByName("fcr").AsInt64(), item);
  }
  tree_->expandAll();
  layout->addWidget(tree_);
  AddButtons(this, layout);
  resize(380, 420);
}

std::string GroupPickerDialog::Chosen() const {
  std::string list;
  for (QTreeWidgetItemIterator it(tree_, QTreeWidgetItemIterator::Checked); *it != nullptr; ++it) {
    if (!list.empty()) list += ",";
    list += std::to_string((*it)->data(0, Qt::UserRole).toLongLong());
  }
  return list;
}

}  // namespace tir::desktop
