// tirdex export / good-card: the main export builder, as a peer base, a mobile agent, a cash
// register, a kitchen monitor or a price checker asks for it.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "export/dn_json_builder.h"
#include "host/exchange/exchange_commands.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/output_guard.h"
#include "host/tirdex/terminal_output.h"
#include "host/tirdex/tirdex_files.h"
#include "settings/tir_token_one.h"

namespace tir::tirdex {
namespace {

struct MainExportOptions {
  std::string base;
  std::string file;
  std::string goods;
  bool barcodes = false;
  std::vector<std::string> partners;  // the group id of --partners=GROUP
  bool partnersGiven = false;
  bool contracts = false;
  bool catalogs = false;
  bool cookOrders = false;
  std::vector<std::string> docsPeriod;
  bool docsRecent = false;
  std::optional<std::int64_t> docsAfter;
  bool markSent = false;
  int runMode = 0;
  std::string tokenFile;
};

struct GoodCardOptions {
  std::string base;
  std::string barcode;
  std::string file;
};

void PrintSectionCounts(const std::string& file) {
  for (const auto& [key, n] : exchange::CountFileSections(file))
    std::cout << key << ": " << n << "\n";
}

// A token file holds the token's stored settings string (as kept in tirSettings).
bool LoadToken(const std::string& path, TTirTokenOne& token) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  std::string stored = text.str();
  while (!stored.empty() &&
         (stored.back() == '\n' || stored.back() == '\r' || stored.back() == ' ')) {
    stored.pop_back();
  }
  token.ReadFromStr(stored);
  return true;
}

// True when the options name a section besides the info one every file has.
bool NamesASection(const MainExportOptions& o) {
  return !o.goods.empty() || o.partnersGiven || o.contracts || o.catalogs || o.cookOrders ||
         !o.docsPeriod.empty() || o.docsRecent || o.docsAfter.has_value();
}

int RunExport(const MainExportOptions& o) {
  // Kitchen orders and documents would both write a "docs" member into the one object, which no
  // loader reads back; refused before anything is written or claimed for delivery.
  if (o.cookOrders && (!o.docsPeriod.empty() || o.docsRecent || o.docsAfter)) {
    return Fail("export",
                "--cook-orders cannot be combined with --docs-period, --docs-recent or "
                "--docs-after: both write \"docs\"; export the kitchen orders to a file of "
                "their own",
                kExitUsage);
  }
  if (RefuseOutput("export", o.file, o.base)) return kExitFailure;
  auto connection = OpenExistingBase(o.base);  // a missing base is reported first
  if (!NamesASection(o)) {
    return Fail("export",
                "name at least one section: --goods, --partners, --contracts, --catalogs, "
                "--cook-orders, --docs-period, --docs-recent or --docs-after (tirdex export "
                "--help lists them)",
                kExitUsage);
  }
  exporting::TDNJSonBuilder builder(*connection);
  builder.SetRunMode(static_cast<std::uint8_t>(o.runMode));
  if (!o.tokenFile.empty()) {
    TTirTokenOne token;
    if (!LoadToken(o.tokenFile, token)) {
      return Fail("export", "cannot read the token file \"" + o.tokenFile + "\"", kExitUsage);
    }
    builder.SetTokenInfo(token);
  }
  builder.ClearAllCMD();
  exporting::TReqParams request;
  if (o.goods == "full") builder.SetAddGoodsFull();
  if (o.goods == "indocs") builder.SetAddGoodsAddOnlyInDocFullInfo();
  if (o.goods == "set1") builder.SetAddGoodsSet1();
  if (o.goods == "set2") builder.SetAddGoodsSet1AllPrice();
  if (o.goods == "qtty") builder.SetAddGoodsSetOnlyQtty();
  if (o.barcodes) builder.SetAddGoodsBarcodes01();
  const std::string group = o.partners.empty() ? std::string() : o.partners.front();
  if (o.contracts) {
    builder.SetAddPartnersAndContract(group);
  } else if (o.partnersGiven) {
    builder.SetAddPartners(group);
  }
  if (o.catalogs) builder.SetAddAllCatalogs();
  if (o.cookOrders) builder.SetGetOrdersCookMonitors();
  if (o.docsPeriod.size() == 2) {
    const auto period = ReadPeriod(o.docsPeriod[0], o.docsPeriod[1]);
    if (!period) {
      return Fail("export", "--docs-period takes two dates \"YYYY-MM-DD[ HH:MM[:SS]]\"",
                  kExitUsage);
    }
    builder.SetAddDocsPeriod(*period->from, *period->LastMoment());
  }
  if (o.docsRecent) builder.SetAddSomeLastDocs();
  if (o.docsAfter) {
    request.docsLastRowId = *o.docsAfter;
    builder.SetAddDocsFromLastRowID();
  }
  builder.SetReqParams(request);
  builder.RunBuildProcess();
  if (!builder.ErrorText().empty()) {
    std::cerr << builder.ErrorText() << "\n";
    return Fail("export", "nothing written", kExitFailure);
  }
  if (!builder.SaveToFile(o.file)) {
    return Fail("export", "cannot write \"" + o.file + "\"", kExitFailure);
  }
  PrintSectionCounts(o.file);
  if (builder.LastGoodsSnapshopID() != 0) {
    std::cout << "goods snapshot: " << builder.LastGoodsSnapshopID() << "\n";
  }
  if (o.markSent) {
    builder.MarkLastDocsAsSended();
    const std::string& ids = builder.LastIdDocsList();
    const auto n = ids.empty() ? 0 : std::count(ids.begin(), ids.end(), ',') + 1;
    std::cout << "marked as sent: " << n << " document(s)\n";
  }
  return kExitOk;
}

int RunGoodCard(const GoodCardOptions& o) {
  if (!o.file.empty() && RefuseOutput("good-card", o.file, o.base)) return kExitFailure;
  auto connection = OpenExistingBase(o.base);
  exporting::TDNJSonBuilder builder(*connection);
  builder.ClearAllCMD();
  builder.SetCmdGetGoodInfoAndPhoto1();
  exporting::TReqParams request;
  request.requestString = o.barcode;
  builder.SetReqParams(request);
  builder.RunBuildProcess();
  if (!builder.ErrorText().empty()) {
    std::cerr << builder.ErrorText() << "\n";
    return kExitFailure;
  }
  const std::string text = builder.Text();
  if (text.find("\"good_one\"") == std::string::npos) {
    return Fail("good-card", "no good has the barcode \"" + o.barcode + "\"", kExitFailure);
  }
  if (o.file.empty()) {
    PrintJsonAnswer(std::cout, text);
  } else if (!builder.SaveToFile(o.file)) {
    return Fail("good-card", "cannot write \"" + o.file + "\"", kExitFailure);
  }
  return kExitOk;
}

constexpr const char* kExportFooter = R"(
Sections, in the order they appear in the file:
  info            always: the base's GUID, the goods count and goods snapshot number
  --goods full    price lists, goods groups, recipes, every good with all its fields, its
                  stock quantity and its prices, then the product classification codes
  --goods indocs  the sections of set1, for a peer that takes the goods its documents use:
                  every good is written all the same (not only those in documents), the
                  goods count in "info" is 999999999 and no snapshot is reported
  --goods set1    price lists, goods groups, recipes, every good with its main fields only
                  (code, name, group, unit, purchase price, price 1, stock), then the
                  product classification codes
  --goods set2    set1 plus prices 2 to 10 and the price list rows of every good
  --goods qtty    only the stock quantity of every good
  --barcodes      adds the barcodes to set1/set2 goods
  --partners      partners with their group tree; =GROUP keeps one group and its subgroups
  --contracts     partners as above, followed by their contracts
  --cook-orders   open kitchen orders (what a kitchen monitor shows), as "docs": not with
                  the document options below (exit code 2)
  --catalogs      users with rights, sale points, tax rates, entities, stores, currencies,
                  money accounts, cost items, discount rules, tables and modifiers
  documents       one of: --docs-period FROM TO (by document date), --docs-recent (up to
                  300 documents not yet delivered; the 100 oldest are claimed for this
                  delivery), --docs-after ROWVERSION (changed since that row version:
                  MS SQL Server keeps row versions itself, an SQLite base only through the
                  triggers `tirdex schema` creates; in a base without them every row version
                  is 0 and --docs-after finds no document)

Run modes: 0 exports for a person (no client token is needed; the default), 1 answers a
client: the token file's stores, entities and document types limit the documents, its
mapped entity and store give the stock and partner prices; 2 adds a "request" object.
--mark-sent marks the documents written as delivered, once the file is safely written.
The file is not written when the export fails; the error is printed and the exit code is 1.)";

void InstallMainExportCommands(CLI::App& app) {
  auto o = std::make_shared<MainExportOptions>();
  CLI::App* cmd = app.add_subcommand(
      "export", "Write the main export JSON (catalogs, goods, documents) of a base to a file");
  cmd->footer(kExportFooter);
  AddBaseOption(*cmd, o->base);
  cmd->add_option("FILE", o->file, "JSON file to write")->required();
  cmd->add_option("--goods", o->goods, "Goods section: full, indocs, set1, set2 or qtty")
      ->check(CLI::IsMember({"full", "indocs", "set1", "set2", "qtty"}));
  cmd->add_flag("--barcodes", o->barcodes, "Add barcodes to the goods");
  // A value that is not a group id is refused: taken as none it would mean every partner.
  cmd->add_option("--partners", o->partners, "Partners (optionally of one group id)")
      ->expected(0, 1)
      ->check(CLI::Validator(
          [](std::string& value) {
            const bool digits = !value.empty() && value.size() <= 18 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            return digits ? std::string()
                          : "expects a partner group id (digits), not \"" + value + "\"";
          },
          "GROUP_ID"));
  cmd->add_flag("--contracts", o->contracts, "Partners and their contracts");
  cmd->add_flag("--catalogs", o->catalogs, "All other catalogs");
  cmd->add_flag("--cook-orders", o->cookOrders, "Open kitchen orders");
  auto* period =
      AddPeriodPairOption(*cmd, "--docs-period", o->docsPeriod,
                          "Documents dated FROM to TO (a bare date TO includes its day)");
  auto* recent = cmd->add_flag("--docs-recent", o->docsRecent, "Undelivered documents");
  auto* after =
      cmd->add_option("--docs-after", o->docsAfter, "Documents changed after this row version");
  period->excludes(recent)->excludes(after);
  recent->excludes(after);
  cmd->add_flag("--mark-sent", o->markSent, "Mark the written documents as delivered");
  cmd->add_option("--run-mode", o->runMode,
                  "0 for a person, 1 answering a client, 2 with a "
                  "request envelope")
      ->check(CLI::Range(0, 2));
  cmd->add_option("--token-file", o->tokenFile,
                  "File with the client's token as its stored settings string");
  cmd->callback([o, cmd] {
    o->partnersGiven = cmd->count("--partners") > 0;
    RunCommand("export", [o] { return RunExport(*o); });
  });

  auto g = std::make_shared<GoodCardOptions>();
  CLI::App* card = app.add_subcommand(
      "good-card",
      R"(Show the good with a barcode, its prices and its first photo (as a price checker asks for it))");
  card->footer(R"(
The barcode is looked up in the main, second and third barcode and in the good's barcode list.
Without FILE the JSON answer is printed (on a terminal indented, with readable characters).)");
  AddBaseOption(*card, g->base);
  card->add_option("BARCODE", g->barcode, "Barcode to look up")->required();
  card->add_option("FILE", g->file, "JSON file to write (default: print)");
  OnRun(*card, g, RunGoodCard);
}

const bool registered = RegisterCommands("export-main", InstallMainExportCommands);

}  // namespace
}  // namespace tir::tirdex
