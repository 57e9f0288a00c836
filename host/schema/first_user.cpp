#include "host/schema/first_user.h"

#include <stdexcept>

#include "db/connection.h"
#include "db/query.h"

namespace tir::schema {

void AddFirstUser(db::Connection& connection, const std::string& code, const std::string& name,
                  const std::string& password, const std::string& groupName) {
  if (code.empty()) throw std::invalid_argument("the first user needs a code");
  db::Query count(connection);
  count.SetSql("SELECT COUNT(*) AS n FROM tirUsers;");
  count.Open();
  if (count.FieldByName("n").AsInt64() != 0) {
    throw std::invalid_argument("the base already has users");
  }
  // A user's rights come from the user group of its fState, which must be a group of the base's
  // own staff (fBase 1); the administrators' group is made when there is none.
  db::Query group(connection);
  group.SetSql("SELECT MIN(fId) AS id FROM tirUsersRG WHERE fBase = 1;");
  group.Open();
  if (group.FieldByName("id").IsNull()) {
    db::Query addGroup(connection);
    addGroup.SetSql("INSERT INTO tirUsersRG (fName, fState, fBase) VALUES (:name, 1, 1);");
    addGroup.ParamByName("name").SetText(groupName);
    addGroup.ExecSql();
    group.Close();
    group.Open();
  }
  const std::int64_t groupId = group.FieldByName("id").AsInt64();
  db::Query insert(connection);
  insert.SetSql(
      "INSERT INTO tirUsers (fCode, fName, fNamePrint, fState, fType, fPassword) "
      "VALUES (:code, :name, :name, :group, 1, :password);");
  insert.ParamByName("group").SetInt64(groupId);
  insert.ParamByName("code").SetText(code);
  insert.ParamByName("name").SetText(name.empty() ? code : name);
  insert.ParamByName("password").SetText(password);
  insert.ExecSql();
}

}  // namespace tir::schema
