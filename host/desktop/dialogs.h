// The desktop host's dialogs: sign-in, the first user, base chooser and goods-group picker.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "host/desktop/desktop_session.h"

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace tir::desktop {

// Lists the users (code, name, type); the current one is selected.
class SignInDialog : public QDialog {
  Q_OBJECT
 public:
  SignInDialog(const std::vector<UserEntry>& users, std::int32_t currentId, std::int32_t language,
               QWidget* parent = nullptr);
  // The chosen user, or nullptr when none is selected.
  const UserEntry* Chosen() const;
  QTreeWidget* List() const { return list_; }

 private:
  std::vector<UserEntry> users_;
  QTreeWidget* list_;
};

// The first user of a base without users: code, name and the password twice. OK is taken only
// with a code and two equal passwords.
class FirstUserDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FirstUserDialog(std::int32_t language, QWidget* parent = nullptr);
  UserEntry User() const;
  void accept() override;

 private:
  std::int32_t language_;
  QLineEdit* code_;
  QLineEdit* name_;
  QLineEdit* password_;
  QLineEdit* again_;
  QLabel* problem_;
};

// An SQLite file (with a file dialog) or, later, a connection string of a server base.
class BaseDialog : public QDialog {
  Q_OBJECT
 public:
  BaseDialog(const QString& current, std::int32_t language, QWidget* parent = nullptr);
  QString Location() const;

 private:
  QLineEdit* file_;
  QLineEdit* connectionString_;
};

// The goods-group tree of a base with a check box per group; the groups of `current` checked.
class GroupPickerDialog : public QDialog {
  Q_OBJECT
 public:
  GroupPickerDialog(void* connection, const std::string& current, std::int32_t language,
                    QWidget* parent = nullptr);
  // The checked groups as an id list ("3,5"), in tree order.
  std::string Chosen() const;
  QTreeWidget* Tree() const { return tree_; }

 private:
  QTreeWidget* tree_;
};

}  // namespace tir::desktop
