// tirdex plugin: loads the module through the host kit as the host does and shows what it answers.

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "db/connection.h"
#include "db/query.h"
#include "host/kit/tir_host_loader.h"
#include "host/kit/tir_host_params.h"
#include "host/kit/wide_text.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

constexpr const char* kModuleFile = "libTirDataExchange.so";

struct PluginOptions {
  std::string base;
  std::string module;
  int user = 0;
  int userType = 1;
  int lang = 1;
};

// A base opened by the host kit and a module started on it; both are released at the end.
class HostSession {
 public:
  ~HostSession() {
    TirHostUnloadModule(module_);
    TirHostCloseConnection(connection_);
  }

  bool Start(const PluginOptions& options) {
    // The kit would give a missing or empty file a new schema; the plugin commands need a base.
    if (!BaseFileExists(options.base)) {
      std::cerr << "tirdex plugin: no base file \"" << options.base << "\"\n";
      return false;
    }
    connection_ = TirHostOpenConnection(options.base.c_str());
    if (connection_ == nullptr) return false;  // the kit wrote why
    char error[512] = {0};
    const std::string path = FindBesideTirdex(options.module, "TIRDEX_MODULE", kModuleFile,
                                              {"", "../lib", "../../src/module"});
    module_ = TirHostLoadModule(path.c_str(), error, sizeof(error));
    if (module_ == nullptr) {
      std::cerr << "tirdex plugin: " << error << "\n";
      return false;
    }
    TirU6MenuParams app{};
    TirHostFillAppParams(&app, connection_, options.user, options.userType, "tirdex");
    TirU7MenuParams services{};
    TirHostDefaultServices(connection_, &services);
    const bool started =
        TirHostStartModule(module_, &app, &services, options.lang, error, sizeof(error)) == 0;
    TirHostFreeAppParams(&app);  // the module keeps its own copies
    if (!started) std::cerr << "tirdex plugin: " << error << "\n";
    return started;
  }

  TirHostModule& Module() { return *module_; }
  db::Connection& Connection() { return *static_cast<db::Connection*>(connection_); }

 private:
  void* connection_ = nullptr;
  TirHostModule* module_ = nullptr;
};

int RunMenus(const PluginOptions& options) {
  HostSession session;
  if (!session.Start(options)) return kExitFailure;
  TirHostModule& module = session.Module();
  // What the host shows: the items the module offers; the other indexes only as a count.
  std::cout << "index\tid\ttype\torder\tparent\tname\n";
  int offered = 0;
  for (std::int32_t index = 0; index <= 32; ++index) {
    std::int32_t io = index;
    TirU3MenuParams item{};
    item.fToolbarImageIndex = -1;
    const std::int32_t result = module.u3(&io, &item);
    if (result != 0) continue;
    if (index == 0) continue;  // the count the module declares, not an item
    ++offered;
    std::cout << index << "\t" << item.fIdItemMenu << "\t" << item.fTypeMenu << "\t"
              << item.fMenuOrder << "\t" << item.fIdParentMenu1 << "\t"
              << hostkit::Utf8OfPWide(item.fMenuName) << "\n";
  }
  std::cout << offered << " menu items offered; " << 32 - offered
            << " of the indexes 1..32 not offered\n";
  return kExitOk;
}

// What the host's own rights editor sees for the user: the stored rows, or "none".
void PrintStoredRights(db::Connection& connection, int user) {
  db::Query query(connection);
  query.SetSql(
      "SELECT u.fState, g.fBase, (SELECT fPB FROM tirSettings WHERE fUserId=u.fId AND fMId=410 AND "
      "fPType=-26) AS fOwn, (SELECT fPB FROM tirSettings WHERE fUserId=u.fState AND fMId=410 AND "
      "fPType=-42) AS fGroup FROM tirUsers u LEFT JOIN tirUsersRG g ON g.fId=u.fState WHERE "
      "u.fId=:pUserId;");
  query.ParamByName("pUserId").SetInt32(user);
  query.Open();
  if (query.Eof()) {
    std::cout << "stored: no such user\n";
    return;
  }
  auto text = [&](const char* field) {
    const db::Field f = query.FieldByName(field);
    return f.IsNull() ? std::string("none") : std::to_string(f.AsInt64());
  };
  std::cout << "stored: group " << text("fState") << " (base " << text("fBase") << "), own row "
            << text("fOwn") << ", group row " << text("fGroup") << "\n";
}

int RunRights(const PluginOptions& options) {
  HostSession session;
  if (!session.Start(options)) return kExitFailure;
  TirHostModule& module = session.Module();
  std::cout << "index\tresult\tbit\tname\tfull mask\n";
  for (std::int64_t index = 0;; ++index) {
    TirModSearchOut out{};
    const std::int32_t result = TirHostSendMessage(&module, -120, index, &out);
    if (out.fCanceled != 0 || result != 0) {
      TirHostClearSearchOut(&out);
      break;
    }
    std::cout << index << "\t" << result << "\t" << out.fDataBigInt1 << "\t"
              << hostkit::Utf8OfWide(out.fName) << "\t" << hostkit::Utf8OfWide(out.fStr1) << "\n";
    TirHostClearSearchOut(&out);
  }
  // The mask as the module applies it: the rights its menu offers.
  int mask = 0;
  const int bits[] = {1, 2, 4};
  for (std::int32_t index = 3; index <= 5; ++index) {
    std::int32_t io = index;
    TirU3MenuParams item{};
    if (module.u3(&io, &item) == 0) mask |= bits[index - 3];
  }
  std::cout << "user " << options.user << " type " << options.userType << " mask " << mask << "\n";
  PrintStoredRights(session.Connection(), options.user);
  return kExitOk;
}

void AddCommon(CLI::App& cmd, PluginOptions& options) {
  AddBaseOption(cmd, options.base);
  cmd.add_option("--user", options.user, "Signed-in user id (tirUsers.fId)")->required();
  cmd.add_option("--user-type", options.userType,
                 "User type: 1 administrator (all rights when no mask is stored), 2 and 3 users")
      ->capture_default_str();
  cmd.add_option("--module", options.module,
                 "Path of libTirDataExchange.so (default: $TIRDEX_MODULE, beside tirdex, or the "
                 "build tree)");
}

void InstallPluginCommands(CLI::App& app) {
  auto options = std::make_shared<PluginOptions>();
  CLI::App* plugin = app.add_subcommand(
      "plugin", "Load the module as the host does (handshake, parameters, start) and query it");
  plugin->require_subcommand(1);

  CLI::App* menus = plugin->add_subcommand(
      "menus",
      R"(Print the menu items the module offers (its u3 answer for indexes 1..32): index, id, type, order, parent and name, then how many of the 32 indexes it offers.)");
  AddCommon(*menus, *options);
  menus->add_option("--lang", options->lang, "Language: 1 Russian, 2 Ukrainian")
      ->check(CLI::IsMember({1, 2}))
      ->capture_default_str();
  OnRun(*menus, options, RunMenus);

  CLI::App* rights = plugin->add_subcommand(
      "rights",
      R"(Print the module's rights list (message -120), the mask the module applies to the user and the rows stored for the user)");
  AddCommon(*rights, *options);
  OnRun(*rights, options, RunRights);
}

const bool registered = RegisterCommands("plugin", InstallPluginCommands);

}  // namespace
}  // namespace tir::tirdex
