// DesktopSession: the base through the host kit, the module through the kit's loader.
#include "host/desktop/desktop_session.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "db/connection.h"
#include "db/query.h"
#include "host/desktop/host_requests.h"
#include "host/desktop/host_texts.h"
#include "host/kit/tir_host_kit.h"
#include "host/kit/tir_host_params.h"
#include "host/kit/wide_text.h"
#include "host/schema/first_user.h"

namespace tir::desktop {
namespace {

// A connection string (key=value pairs, or "odbc:" and the string) names a Microsoft SQL Server
// base reached through ODBC; anything else is the path of an SQLite file.
bool IsConnectionString(const std::string& location) {
  return location.rfind("odbc:", 0) == 0 ||
         (location.find('=') != std::string::npos && location.find(';') != std::string::npos);
}

std::string Said(HostText key, std::int32_t language, const std::string& location = {}) {
  QString text = Text(key, language);
  if (!location.empty()) text = text.arg(QString::fromStdString(location));
  return text.toStdString();
}

void* OpenConnection(const std::string& location, std::int32_t language, std::string& error) {
  if (IsConnectionString(location)) {
    const std::string odbc = location.rfind("odbc:", 0) == 0 ? location : "odbc:" + location;
    void* connection = TirHostOpenConnection(odbc.c_str());
    if (connection == nullptr) error = Said(HostText::kCannotConnect, language, location);
    return connection;
  }
  std::error_code ec;
  // The kit gives a missing file a new schema; the desktop host opens existing bases only.
  if (!std::filesystem::is_regular_file(location, ec)) {
    error = Said(HostText::kNoBaseFile, language, location);
    return nullptr;
  }
  void* connection = TirHostOpenConnection(location.c_str());
  if (connection == nullptr) error = Said(HostText::kCannotOpenBase, language, location);
  return connection;
}

}  // namespace

DesktopSession::DesktopSession(std::string modulePath) : modulePath_(std::move(modulePath)) {}

DesktopSession::~DesktopSession() {
  TirHostUnloadModule(module_);
  TirHostCloseConnection(connection_);
}

bool DesktopSession::OpenBase(const std::string& location, std::string& error) {
  void* connection = OpenConnection(location, language_, error);
  if (connection == nullptr) return false;
  Stop();
  TirHostCloseConnection(connection_);
  connection_ = connection;
  TirHostSetCallbackConnection(connection_);  // the host's requests read the open base
  location_ = location;
  user_ = UserEntry{};
  return true;
}

std::vector<UserEntry> DesktopSession::Users() const {
  std::vector<UserEntry> users;
  if (connection_ == nullptr) return users;
  db::Query query(*static_cast<db::Connection*>(connection_));
  query.SetSql("SELECT fId, fType, fCode, fName, fPassword FROM tirUsers ORDER BY fName, fId;");
  query.Open();
  for (; !query.Eof(); query.Next()) {
    UserEntry user;
    user.id = static_cast<std::int32_t>(query.FieldByName("fId").AsInt64());
    user.type = static_cast<std::int32_t>(query.FieldByName("fType").AsInt64());
    user.code = query.FieldByName("fCode").AsText();
    user.name = query.FieldByName("fName").AsText();
    user.password = query.FieldByName("fPassword").AsText();
    users.push_back(std::move(user));
  }
  return users;
}

bool DesktopSession::AddFirstUser(const UserEntry& user, std::string& error) {
  if (connection_ == nullptr) {
    error = Said(HostText::kNoBase, language_);
    return false;
  }
  try {
    schema::AddFirstUser(*static_cast<db::Connection*>(connection_), user.code, user.name,
                         user.password, language_ == 2 ? "Адміністратори" : "Администраторы");
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  return true;
}

bool DesktopSession::LoadModule(std::string& error) {
  if (module_ != nullptr) return true;
  char text[512] = {0};
  module_ = TirHostLoadModule(modulePath_.c_str(), text, sizeof(text));
  if (module_ == nullptr) error = text;
  return module_ != nullptr;
}

bool DesktopSession::SignIn(const UserEntry& user, std::string& error) {
  if (connection_ == nullptr) {
    error = Said(HostText::kNoBase, language_);
    return false;
  }
  if (!LoadModule(error)) return false;
  TirU6MenuParams app{};
  TirHostFillAppParams(&app, connection_, user.id, user.type, user.name.c_str());
  bool done = false;
  if (Started()) {
    done = module_->u60(app) == 0;
    if (!done) error = Said(HostText::kUserRefused, language_);
    TirModSearchOut out{};
    if (done) TirHostSendMessage(module_, -140, 0, &out);
    TirHostClearSearchOut(&out);
  } else {
    TirU7MenuParams services{};
    TirHostDefaultServices(connection_, &services);
    services.fBarMDI = windowBar_;
    services.fSearchFunc = DesktopSearchFunc;
    char text[512] = {0};
    done = TirHostStartModule(module_, &app, &services, language_, text, sizeof(text)) == 0;
    if (!done) error = text;
  }
  TirHostFreeAppParams(&app);  // the module keeps its own copies
  if (done) user_ = user;
  return done;
}

void DesktopSession::SetLanguage(std::int32_t language) {
  language_ = language;
  if (!Started()) return;
  TirModSearchOut out{};
  TirHostSendMessage(module_, -200, language, &out);
  TirHostClearSearchOut(&out);
}

std::vector<MenuEntry> DesktopSession::MenuItems() const {
  std::vector<MenuEntry> items;
  if (!Started()) return items;
  std::int32_t count = 0;
  TirU3MenuParams record{};
  if (module_->u3(&count, &record) != 0) return items;
  for (std::int32_t index = 1; index <= count; ++index) {
    std::int32_t io = index;
    record = TirU3MenuParams{};
    record.fToolbarImageIndex = -1;
    if (module_->u3(&io, &record) != 0) continue;  // 2: not offered to this user
    items.push_back(MenuEntry{index, record.fIdItemMenu, record.fTypeMenu,
                              hostkit::Utf8OfPWide(record.fMenuName), record.fMenuOrder,
                              record.fIdParentMenu1});
  }
  return items;
}

std::int32_t DesktopSession::RunCommand(std::int32_t code) const {
  if (!Started()) return 1;
  TirU8Params params{};
  params.fCode = code;
  return module_->u8(params);
}

void DesktopSession::Stop() { TirHostStopModule(module_); }

}  // namespace tir::desktop
