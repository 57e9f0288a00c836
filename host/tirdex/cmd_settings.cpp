// tirdex settings get / set / path: the module's INI settings files, read and written the way the
// module does (per-user file, or the all-users file with --all-users).
#include <CLI/CLI.hpp>
#include <cctype>
#include <iostream>
#include <memory>
#include <string>

#include "host/tirdex/command_registry.h"
#include "settings/ini_settings.h"
#include "settings/settings_folders.h"

namespace tir::tirdex {
namespace {

struct SettingsOptions {
  std::string section;
  std::string key;
  std::string value;
  std::string mode = "N";
  bool allUsers = false;
};

std::string SettingsPath(bool allUsers) {
  return allUsers ? GetSpecialSettingsPathAllUsers() : GetSpecialSettingsPath();
}

// A name or value that the INI reader would read back differently (or as another line) is
// refused: a section holds no ']' , a key no '=' and does not start like a comment or section,
// names have no spaces at their ends, and nothing holds a line break.
const char* UnreadableSetting(const SettingsOptions& o) {
  const auto hasBreak = [](const std::string& t) {
    return t.find_first_of("\r\n") != std::string::npos;
  };
  const auto padded = [](const std::string& t) {
    return t.empty() || std::isspace(static_cast<unsigned char>(t.front())) != 0 ||
           std::isspace(static_cast<unsigned char>(t.back())) != 0;
  };
  if (padded(o.section) || hasBreak(o.section) || o.section.find(']') != std::string::npos) {
    return "SECTION";
  }
  if (padded(o.key) || hasBreak(o.key) || o.key.find('=') != std::string::npos ||
      o.key.front() == ';' || o.key.front() == '#' || o.key.front() == '[') {
    return "KEY";
  }
  if (hasBreak(o.value)) return "VALUE";
  return nullptr;
}

void AddCommonOptions(CLI::App& cmd, SettingsOptions& options) {
  cmd.add_option("--mode", options.mode,
                 "Stored form of the value: N plain text, B Base64 of its UTF-16LE bytes, "
                 "U scrambled")
      ->check(CLI::IsMember({"N", "B", "U"}))
      ->default_str("N");
  cmd.add_flag("--all-users", options.allUsers,
               "Use the all-users file instead of the per-user one");
}

void InstallSettingsCommands(CLI::App& app) {
  CLI::App* group = app.add_subcommand(
      "settings", R"(Read or write the module's INI settings files. The per-user file lies in
$XDG_CONFIG_HOME (else ~/.config)/TirvaloSoftware/TirvaloMainBack/TirvaloMain.config, the
all-users file in the first folder of $XDG_CONFIG_DIRS (else /etc/xdg) with the name
TirvaloMainAll.config. Example: tirdex settings set MAIN GUIDCODE "{...}" sets the
database's GUID code that selects its exchange profiles.)");
  group->require_subcommand(1);
  auto options = std::make_shared<SettingsOptions>();

  CLI::App* get = group->add_subcommand(
      "get", "Print the value of SECTION/KEY (an empty line when the file or key is missing)");
  get->add_option("SECTION", options->section, "Section name")->required();
  get->add_option("KEY", options->key, "Key name")->required();
  AddCommonOptions(*get, *options);
  get->callback([options] {
    std::cout << ReadIniFileValue(SettingsPath(options->allUsers), options->section, options->key,
                                  options->mode[0])
              << "\n";
    SetExitCode(kExitOk);
  });

  CLI::App* set = group->add_subcommand("set", "Write VALUE to SECTION/KEY, creating the file");
  set->add_option("SECTION", options->section, "Section name")->required();
  set->add_option("KEY", options->key, "Key name")->required();
  set->add_option("VALUE", options->value, "Value to store")->required();
  AddCommonOptions(*set, *options);
  set->callback([options] {
    if (const char* what = UnreadableSetting(*options)) {
      std::cerr << "tirdex: this " << what
                << " could not be read back (no spaces at its ends, no '=' or ']' in names, no "
                   "line breaks, keys not starting with ';', '#' or '[')\n";
      SetExitCode(kExitUsage);
      return;
    }
    const std::string path = SettingsPath(options->allUsers);
    if (!WriteIniFileValue(path, options->section, options->key, options->value,
                           options->mode[0])) {
      std::cerr << "tirdex: cannot write " << path << "\n";
      SetExitCode(kExitFailure);
      return;
    }
    SetExitCode(kExitOk);
  });

  CLI::App* path = group->add_subcommand("path", "Print the path of the settings file");
  path->add_flag("--all-users", options->allUsers,
                 "The all-users file instead of the per-user one");
  path->callback([options] {
    std::cout << SettingsPath(options->allUsers) << "\n";
    SetExitCode(kExitOk);
  });
}

const bool registered = RegisterCommands("settings", InstallSettingsCommands);

}  // namespace
}  // namespace tir::tirdex
