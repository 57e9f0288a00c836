// The desktop host's side of one base and the module on it: opening the base, the users to sign
// in, starting and stopping the module, the signed-in user, the language, the menu and commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/kit/tir_host_loader.h"

namespace tir::desktop {

// A user the sign-in offers (a row of tirUsers).
struct UserEntry {
  std::int32_t id = 0;
  std::int32_t type = 0;  // 1 administrator, 2 and 3 users
  std::string code;
  std::string name;
  std::string password;  // empty: signs in without one
};

// One menu record the module answers from u3 (index as asked).
struct MenuEntry {
  std::int32_t index = 0;
  std::int32_t id = 0;
  std::int32_t type = 0;  // 1 a top-level menu of the host, 0 an item
  std::string name;
  std::int32_t order = 0;
  std::int32_t parent = 0;
};

class DesktopSession {
 public:
  explicit DesktopSession(std::string modulePath);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // Opens the base at `location` instead of the open one (the module is stopped first). False
  // with a message in `error` when it cannot be opened; the open base stays then.
  bool OpenBase(const std::string& location, std::string& error);
  bool HasBase() const { return connection_ != nullptr; }
  const std::string& BaseLocation() const { return location_; }
  // The open connection (a tir::db::Connection of the host kit), or nullptr.
  void* Connection() const { return connection_; }

  // The users of the open base by name. Throws tir::db::DbError when the base cannot be read.
  std::vector<UserEntry> Users() const;
  // Creates the first user of a base without users: an administrator with every right. False
  // with a message in `error` when it cannot be made.
  bool AddFirstUser(const UserEntry& user, std::string& error);

  // The window bar handed to the module as fBarMDI at its start.
  void SetWindowBar(void* windowBar) { windowBar_ = windowBar; }

  // Signs `user` in: the first sign-in on a base loads and starts the module with the user
  // (handshake, u60, u7, -160); a later one passes the new user with u60 and reloads the
  // rights with -140.
  bool SignIn(const UserEntry& user, std::string& error);
  bool Started() const { return module_ != nullptr && module_->started != 0; }
  const UserEntry& User() const { return user_; }

  // 1 Russian, 2 Ukrainian; a started module receives -200.
  void SetLanguage(std::int32_t language);
  std::int32_t Language() const { return language_; }

  // Every record the module offers from u3 (indexes 1 .. the count it declares at index 0).
  std::vector<MenuEntry> MenuItems() const;

  // Passes a menu command to u8; 1 when the module is not started or refuses the command.
  std::int32_t RunCommand(std::int32_t code) const;

  // Sends -170 to a started module (it stays loaded for the next base).
  void Stop();

 private:
  bool LoadModule(std::string& error);

  std::string modulePath_;
  std::string location_;
  void* connection_ = nullptr;
  void* windowBar_ = nullptr;
  TirHostModule* module_ = nullptr;
  UserEntry user_;
  std::int32_t language_ = 1;
};

}  // namespace tir::desktop
