// tirdex loyalty: one page of a feed of the loyalty platform (categories, products, sale-point
// prices) as a JSON array.
#include <rapidjson/document.h>

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "export/uployal_builder.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/output_guard.h"
#include "host/tirdex/terminal_output.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

constexpr std::int64_t kMaxRows = 1000000000;

struct LoyaltyOptions {
  std::string feed;
  std::string base;
  std::string file;
  std::int64_t pos = 0;
  std::int64_t count = 100;
  std::int64_t salePoint = 1;
  std::string off;
};

int RunLoyalty(const LoyaltyOptions& o, const CLI::App& cmd) {
  // Options a feed does not read are refused rather than silently ignored.
  if (o.feed != "categories" && cmd.count("--off") > 0) {
    return Fail("loyalty", "--off only applies to the categories feed", kExitUsage);
  }
  if (o.feed != "prices" && cmd.count("--sale-point") > 0) {
    return Fail("loyalty", "--sale-point only applies to the prices feed", kExitUsage);
  }
  if (o.feed == "categories" && (cmd.count("--pos") > 0 || cmd.count("--count") > 0)) {
    return Fail("loyalty", "the categories feed is not paged: --pos and --count do not apply",
                kExitUsage);
  }
  if (!exporting::TDNJSUployalBuilder::IsRowValueIdList(o.off)) {
    return Fail("loyalty", "--off takes group ids in the form \"(12),(15)\", not \"" + o.off + "\"",
                kExitUsage);
  }
  if (!o.file.empty() && RefuseOutput("loyalty", o.file, o.base)) return kExitFailure;
  auto connection = OpenExistingBase(o.base);
  exporting::TDNJSUployalBuilder builder(*connection);
  if (o.feed == "categories") {
    builder.RunBuildUployalCategories(o.off);
  } else if (o.feed == "products") {
    builder.RunBuildUployalGoods(o.pos, o.count);
  } else {
    builder.RunBuildUployalGoodsExternal_id(o.pos, o.count, o.salePoint);
  }
  if (!builder.ErrorText().empty()) {
    std::cerr << builder.ErrorText() << "\n";
    return Fail("loyalty", "nothing written", kExitFailure);
  }
  if (o.file.empty()) {
    PrintJsonAnswer(std::cout, builder.Text());
    return kExitOk;
  }
  if (!builder.SaveToFile(o.file))
    return Fail("loyalty", "cannot write \"" + o.file + "\"", kExitFailure);
  rapidjson::Document doc;
  const std::string text = builder.Text();
  doc.Parse<rapidjson::kParseIterativeFlag>(text.data(), text.size());
  std::cout << o.feed << ": " << (doc.IsArray() ? doc.Size() : 0) << "\n";
  return kExitOk;
}

constexpr const char* kLoyaltyFooter = R"FOOTER(
Feeds:
  categories  every goods group as an object with its GUID ("category_id"), its name and
              its parent group's GUID ("parent_category_id", empty for a top group).
              "percent" is 0 for groups whose loyalty is off and null for the others:
              --off "(12),(15)" names the groups (by id) whose loyalty is off; their
              subgroups are off as well. All groups come in one array.
  products    goods in id order: GUID ("product_id"), group GUID ("category_id"), full
              name and "price", the highest of the good's prices ("0.00" when it has none).
              A good outside every group has the all-zero GUID as "category_id".
  prices      the prices of the second price list of one sale point: good GUID
              ("external_id" and "product_uid"), sale point GUID ("spot_id") and "price".
              A price whose good is gone, or the one row of a sale point without prices,
              has the all-zero GUID for the good, so no page comes back short early.
              Only sale points marked for loyalty (bit 1 of their parameters) count;
              --sale-point N takes the N-th of them in id order (default 1). A number past
              the last one gives an empty array.

Paging (products and prices): a page holds --count rows (default 100) starting at row
--pos (default 0, the first row). Fetch pages with --pos 0, 100, 200, ... until a page
comes back shorter than --count; a --pos past the last row gives an empty array "[]".

Without FILE the page is printed (on a terminal indented, with readable characters); with
FILE it is written there and the number of objects is printed. Before a page is built
every row without a GUID gets one, so the base is written to. Exits 0 on success, 1 when
the page could not be built (the error is printed and nothing is written), 2 for bad
usage.)FOOTER";

void InstallLoyaltyCommands(CLI::App& app) {
  auto o = std::make_shared<LoyaltyOptions>();
  CLI::App* cmd = app.add_subcommand(
      "loyalty", "Write one page of a loyalty platform feed (categories, products or prices)");
  cmd->footer(kLoyaltyFooter);
  cmd->add_option("FEED", o->feed, "categories, products or prices")
      ->required()
      ->check(CLI::IsMember({"categories", "products", "prices"}));
  AddBaseOption(*cmd, o->base);
  cmd->add_option("FILE", o->file, "JSON file to write (default: print the page)");
  cmd->add_option("--pos", o->pos, "First row of the page, counting from 0")
      ->check(CLI::Range(std::int64_t{0}, kMaxRows));
  cmd->add_option("--count", o->count, "Rows in the page")
      ->check(CLI::Range(std::int64_t{1}, kMaxRows));
  cmd->add_option("--sale-point", o->salePoint, "Which loyalty sale point, counting from 1")
      ->check(CLI::Range(std::int64_t{1}, kMaxRows));
  cmd->add_option("--off", o->off, "Groups whose loyalty is off, as \"(12),(15)\"");
  cmd->callback([o, cmd] { RunCommand("loyalty", [o, cmd] { return RunLoyalty(*o, *cmd); }); });
}

const bool registered = RegisterCommands("loyalty", InstallLoyaltyCommands);

}  // namespace
}  // namespace tir::tirdex
