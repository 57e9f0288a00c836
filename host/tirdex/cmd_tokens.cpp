// tirdex tokens: the token profiles with which clients of tirdex serve identify themselves.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "host/exchange/exchange_tokens.h"
#include "host/schema/schema.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

struct TokenOptions {
  std::string base;
  std::string name;
  std::string value;
  std::string desc;
  int type = 1;
  std::int64_t user = 0, entity = 0, store = 0;
  std::string stores, entities, docTypes;
  bool docSync = false;
  bool users = false, readOnly = false, admin = false;
  bool showValues = false;
};

// An id list as the windows write it: digits and commas, each id with an optional leading minus.
bool IsIdList(const std::string& text) {
  bool digit = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == ',' && digit) {
      digit = false;
    } else if (!(c == '-' && (i == 0 || text[i - 1] == ','))) {
      return false;
    }
  }
  return text.empty() || digit;
}

// A token value is a secret that travels in headers and bodies: long enough not to be guessed,
// and without blanks that a shell or a config file would split.
std::string TokenValueProblem(const std::string& value) {
  if (value.size() < 16) return "a token value has at least 16 characters";
  for (const char c : value) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
      return "a token value has no blanks or control characters";
  }
  return "";
}

std::string Masked(const std::string& value, bool show) {
  if (show || value.size() <= 4) return value;
  return value.substr(0, 4) + std::string(value.size() - 4, '*');
}

int List(const TokenOptions& o) {
  auto connection = OpenExistingBase(o.base);
  tir::schema::EnsureChainSchema(*connection);
  const auto tokens = exchange::LoadTokens(*connection);
  if (tokens.empty()) std::cout << "no token profiles\n";
  for (const exchange::TStoredToken& row : tokens) {
    const TTirTokenOne& t = row.token;
    std::cout << t.mName << "\t" << (t.mActiv == 1 ? "active" : "disabled") << "\ttype "
              << int(t.mType) << "\ttoken " << Masked(t.mToken, o.showValues) << "\tuser "
              << t.m2_mUserIDMapped << "\tentity " << t.m2_mEntIDMapped << "\tstore "
              << t.m2_mStoreIDMapped << "\tdocs " << (t.m1_mDocTypeSynk == 1 ? "yes" : "no");
    std::cout << "\t" << exchange::ScopeInWords(t, exchange::LoadPeerRights(*connection, t.mName));
    if (!t.mDesc.empty()) std::cout << "\t" << t.mDesc;
    std::cout << "\n";
  }
  return kExitOk;
}

int Add(const TokenOptions& o) {
  if (o.name.empty() || o.name.size() > exchange::kTokenNameMax)
    return Fail("tokens", "a token name has 1 to 50 characters", kExitUsage);
  for (const std::string* list : {&o.stores, &o.entities, &o.docTypes}) {
    if (!IsIdList(*list)) return Fail("tokens", "not an id list: \"" + *list + "\"", kExitUsage);
  }
  if (o.admin && (o.docSync || o.users || o.readOnly || !o.stores.empty() || !o.entities.empty() ||
                  !o.docTypes.empty()))
    return Fail("tokens",
                "an administration token (--admin) exchanges no data: give it no scope options",
                kExitUsage);
  if (!o.value.empty()) {
    const std::string problem = TokenValueProblem(o.value);
    if (!problem.empty()) return Fail("tokens", problem, kExitUsage);
  }
  auto connection = OpenExistingBase(o.base);
  tir::schema::EnsureChainSchema(*connection);
  const std::string value = o.value.empty() ? exchange::NewTokenValue() : o.value;
  for (const exchange::TStoredToken& row : exchange::LoadTokens(*connection)) {
    if (row.token.mName == o.name)
      return Fail("tokens", "a token \"" + o.name + "\" exists", kExitFailure);
    if (row.token.mToken == value)
      return Fail("tokens", "that token value belongs to \"" + row.token.mName + "\"",
                  kExitFailure);
  }
  TTirTokenOne token;
  token.mName = o.name;
  token.mToken = value;
  token.mDesc = o.desc;
  token.mType = static_cast<std::int8_t>(o.type);
  token.mActiv = 1;
  token.m2_mUserIDMapped = o.user;
  token.m2_mEntIDMapped = o.entity;
  token.m2_mStoreIDMapped = o.store;
  token.m1_mStoreIds = o.stores;
  token.m1_mEntIds = o.entities;
  token.m1_mDocTypeIds = o.docTypes;
  token.m1_mDocTypeSynk = o.docSync ? 1 : 0;
  connection->StartTransaction();
  try {
    exchange::SaveToken(*connection, token);
    exchange::SavePeerRights(*connection, token.mName, {o.users, o.readOnly, o.admin});
    connection->Commit();
  } catch (...) {
    connection->Rollback();
    throw;
  }
  std::cout << value << "\n";
  return kExitOk;
}

int SetActive(const TokenOptions& o, bool active) {
  auto connection = OpenExistingBase(o.base);
  for (exchange::TStoredToken& row : exchange::LoadTokens(*connection)) {
    if (row.token.mName != o.name) continue;
    row.token.mActiv = active ? 1 : 0;
    exchange::SaveToken(*connection, row.token);
    std::cout << "token \"" << o.name << "\" " << (active ? "enabled" : "disabled") << "\n";
    return kExitOk;
  }
  return Fail("tokens", "no token \"" + o.name + "\"", kExitFailure);
}

void InstallTokenCommands(CLI::App& app) {
  auto o = std::make_shared<TokenOptions>();
  CLI::App* tokens = app.add_subcommand(
      "tokens", R"(Manage the token profiles of a base: the clients that tirdex serve answers. Each
profile has a name, a secret token value the client sends, a type and the user, entity
and store it maps to. Profiles are kept in the base (tirSettings).
  tirdex tokens DB list | add NAME [options] | disable NAME | enable NAME)");
  tokens->require_subcommand(1);
  AddBaseOption(*tokens, o->base);

  CLI::App* list = tokens->add_subcommand("list", "List the token profiles");
  list->add_flag("--show-values", o->showValues, "Show the token values in full");
  OnRun(*list, o, List);

  CLI::App* add = tokens->add_subcommand(
      "add", "Add an active token profile and print its token value (give it to the client)");
  add->add_option("NAME", o->name, "The profile's name (1 to 50 characters)")->required();
  add->add_option("--token", o->value,
                  "The token value, at least 16 characters without blanks (default: 32 new "
                  "random hex digits)");
  add->add_option("--type", o->type, "Client type (default 1; 2 = goods quantities of a store)");
  add->add_option("--user", o->user, "User id the client acts for");
  add->add_option("--entity", o->entity, "Entity id the client maps to");
  add->add_option("--store", o->store, "Store id the client maps to");
  add->add_flag("--doc-sync", o->docSync, "Documents may be sent to this client (filters below)");
  add->add_option("--stores", o->stores,
                  "Store ids whose documents and stock the client reads and writes (1,2,3)");
  add->add_option("--entities", o->entities,
                  "Entity ids whose documents, stock and contracts the client reads and writes");
  add->add_option("--doc-types", o->docTypes, "Document types the client reads and writes");
  add->add_flag("--users", o->users, "Users, user groups and rights travel to this client");
  add->add_flag("--read-only", o->readOnly, "The client may write nothing");
  add->add_flag("--admin", o->admin,
                "An administration token: it may read the service's status pages (GET /status)\n"
                "and exchanges no data");
  add->add_option("--desc", o->desc, "A description");
  OnRun(*add, o, Add);

  CLI::App* disable =
      tokens->add_subcommand("disable", "Disable a token: its requests are refused from now on");
  disable->add_option("NAME", o->name, "The profile's name")->required();
  disable->callback([o] { RunCommand("tokens", [o] { return SetActive(*o, false); }); });

  CLI::App* enable = tokens->add_subcommand("enable", "Enable a disabled token again");
  enable->add_option("NAME", o->name, "The profile's name")->required();
  enable->callback([o] { RunCommand("tokens", [o] { return SetActive(*o, true); }); });
}

const bool registered = RegisterCommands("tokens", InstallTokenCommands);

}  // namespace
}  // namespace tir::tirdex
