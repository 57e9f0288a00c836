// Every tirdex command that writes a file, pointed at the base it reads or at the files SQLite
// keeps beside it, by any name: refused with nothing changed. A command that starts writing a file
// must be listed here, so that it is tried the same way.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/sqlite_connection.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

namespace fs = std::filesystem;

using Args = std::vector<std::string>;

TirdexRun Tirdex(const Args& args) { return RunTirdex(TIRDEX_FILE, args); }

// Every command and subcommand "tirdex --help-all" lists, as "name" or "parent name".
std::set<std::string> ListedCommands() {
  const TirdexRun help = Tirdex({"--help-all"});
  std::set<std::string> commands;
  std::istringstream lines(help.out + help.err);
  const std::regex top("([a-z][a-z-]*)");
  const std::regex nested("    ([a-z][a-z-]*)(\\s.*)?");
  std::string line, parent;
  bool inNested = false;
  while (std::getline(lines, line)) {
    std::smatch m;
    if (std::regex_match(line, m, top)) {
      parent = m[1];
      inNested = false;
      commands.insert(parent);
    } else if (line == "  Subcommands:") {
      inNested = !parent.empty();
    } else if (inNested && std::regex_match(line, m, nested)) {
      commands.insert(parent + " " + m[1].str());
    }
  }
  return commands;
}

// Commands writing FILE beside the base they read: the command line for a base and a file.
const std::map<std::string, std::function<Args(const std::string&, const std::string&)>>
    kWritesBesideBase = {
        {"export",
         [](auto& db, auto& f) {
           return Args{"export", db, f, "--goods", "full"};
         }},
        {"export-doc",
         [](auto& db, auto& f) {
           return Args{"export-doc", db, "1", f};
         }},
        {"export-period",
         [](auto& db, auto& f) {
           return Args{"export-period", db, "2000-01-01", "2100-01-01", f};
         }},
        {"good-card",
         [](auto& db, auto& f) {
           return Args{"good-card", db, "2200001000001", f};
         }},
        {"loyalty",
         [](auto& db, auto& f) {
           return Args{"loyalty", "products", db, f};
         }},
        {"backup",
         [](auto& db, auto& f) {
           return Args{"backup", db, f, "--force"};
         }},
};

// Commands writing FILE without reading a base (a new base, or the script that makes one).
const std::map<std::string, std::function<Args(const std::string&)>> kWritesNewFile = {
    {"schema",
     [](auto& f) {
       return Args{"schema", f, "--force"};
     }},
    {"schema --mssql",
     [](auto& f) {
       return Args{"schema", "--mssql", f, "--force"};
     }},
    {"demo-base",
     [](auto& f) {
       return Args{"demo-base", f, "--goods", "5", "--force"};
     }},
};

// Commands that write no file named on their command line: they change the base, print, serve,
// or (settings set) write the module's own settings file in its fixed place.
const std::set<std::string> kWriteNoNamedFile = {"shop-profile",
                                                 "shop-send",
                                                 "shop-daemon",
                                                 "import",
                                                 "import-mobile",
                                                 "cook-status",
                                                 "load-universal",
                                                 "plugin",
                                                 "plugin menus",
                                                 "plugin rights",
                                                 "post",
                                                 "rebuild-balances",
                                                 "clear-registers",
                                                 "balance",
                                                 "repost",
                                                 "serve",
                                                 "settings",
                                                 "settings get",
                                                 "settings set",
                                                 "settings path",
                                                 "sync",
                                                 "tokens",
                                                 "tokens list",
                                                 "tokens add",
                                                 "tokens disable",
                                                 "tokens enable",
                                                 "tree",
                                                 "tree check",
                                                 "tree repair",
                                                 "completion",
                                                 "peers"};

// The whole content of a base: every row of every table.
std::string Content(db::Connection& c) {
  std::string all;
  const std::string tables =
      ScalarText(c, "SELECT group_concat(name, ' ') FROM sqlite_master WHERE type = 'table'");
  std::istringstream names(tables);
  for (std::string table; names >> table;) {
    const std::string columns = ScalarText(
        c, "SELECT group_concat('quote(' || name || ')', '||'',''||') FROM pragma_table_info('" +
               table + "')");
    all += table + ":" + ScalarText(c, "SELECT group_concat(" + columns + ", '|') FROM " + table) +
           "\n";
  }
  return all;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TirdexOutputGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ + "/sub");
    ASSERT_EQ(Tirdex({"demo-base", base_, "--goods", "30", "--docs", "20"}).rc, 0);
    auto c = db::SqliteConnection::Open(base_);
    content_ = Content(*c);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // Runs a command that must be refused, and checks that nothing changed.
  void ExpectRefused(const Args& args, const std::string& target) {
    SCOPED_TRACE(target);
    const bool existed = fs::exists(target);
    const std::string before = existed ? FileText(target) : "";
    const TirdexRun run = Tirdex(args);
    EXPECT_EQ(run.rc, 1) << args[0] << " " << target << ": " << run.err;
    EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
    EXPECT_EQ(fs::exists(target), existed);
    if (existed) {
      EXPECT_TRUE(FileText(target) == before) << target << " was changed";
    }
    auto c = db::SqliteConnection::Open(base_);
    EXPECT_EQ(ScalarText(*c, "PRAGMA integrity_check"), "ok");
    EXPECT_TRUE(Content(*c) == content_) << args[0] << " changed the base";
  }

  // The base and its companion files by every kind of name. With `open` a connection holds the
  // base open, so that its -wal and -shm exist and are compared as files, not as names.
  void TryEveryName(bool open) {
    std::unique_ptr<db::SqliteConnection> holder;
    if (open) {
      holder = db::SqliteConnection::Open(base_);
      ScalarInt(*holder, "SELECT COUNT(*) FROM tirGoods");
      ASSERT_TRUE(fs::exists(base_ + "-wal") && fs::exists(base_ + "-shm"));
    }
    const std::string tag = open ? "open" : "closed";
    fs::create_hard_link(base_, Path("hard-" + tag));
    fs::create_symlink(base_, Path("link-" + tag));
    fs::create_symlink("b.sqlite-wal", Path("wal-link-" + tag));
    const std::vector<std::string> companions = {base_ + "-wal", base_ + "-shm", base_ + "-journal",
                                                 Path("wal-link-" + tag),
                                                 Path("sub/../b.sqlite-shm")};
    const std::vector<std::string> bases = {base_, Path("hard-" + tag), Path("link-" + tag),
                                            Path("sub/../b.sqlite")};
    // Another name of the base's -wal (known only to a command that reads the base).
    std::vector<std::string> besideBase = companions;
    if (open) {
      fs::create_hard_link(base_ + "-wal", Path("wal-hard"));
      besideBase.push_back(Path("wal-hard"));
    }
    for (const auto& [name, command] : kWritesBesideBase) {
      SCOPED_TRACE(name + " " + tag);
      for (const auto& target : bases) ExpectRefused(command(base_, target), target);
      for (const auto& target : besideBase) ExpectRefused(command(base_, target), target);
    }
    for (const auto& [name, command] : kWritesNewFile) {
      SCOPED_TRACE(name + " " + tag);
      for (const auto& target : companions) ExpectRefused(command(target), target);
    }
    // A script is no base: it does not replace one even with --force.
    for (const auto& target : bases) {
      ExpectRefused(kWritesNewFile.at("schema --mssql")(target), target);
    }
  }

  std::string dir_ = TempPath("-guard");
  std::string base_ = Path("b.sqlite");
  std::string content_;
};

TEST_F(TirdexOutputGuard, EveryWritingCommandIsKnownAndWritesAFreeFile) {
  const std::set<std::string> listed = ListedCommands();
  ASSERT_GT(listed.size(), 20u);
  for (const std::string& command : listed) {
    EXPECT_TRUE(kWritesBesideBase.count(command) + kWritesNewFile.count(command) +
                    kWriteNoNamedFile.count(command) ==
                1)
        << "tirdex " << command
        << " is not known here: list it with the commands that write a named file (and refuse "
           "the base as output) or with those that do not";
  }
  // Each command line is right: into a free file, every writer succeeds.
  for (const auto& [name, command] : kWritesBesideBase) {
    const TirdexRun run = Tirdex(command(base_, Path(name + ".json")));
    EXPECT_EQ(run.rc, 0) << name << ": " << run.err;
    EXPECT_GT(fs::file_size(Path(name + ".json")), 2u) << name;
  }
  int made = 0;
  for (const auto& [name, command] : kWritesNewFile) {
    EXPECT_EQ(Tirdex(command(Path("new" + std::to_string(++made)))).rc, 0) << name;
  }
}

TEST_F(TirdexOutputGuard, NoNameOfTheBaseOrItsFilesIsWritten) {
  TryEveryName(false);
  TryEveryName(true);
}

// A link to an output is written through: the link stays, the file it leads to is replaced.
TEST_F(TirdexOutputGuard, LinksAreWrittenThrough) {
  std::ofstream(Path("real.json")) << "old";
  fs::create_symlink("real.json", Path("link.json"));
  for (const auto& [name, command] : kWritesBesideBase) {
    SCOPED_TRACE(name);
    fs::resize_file(Path("real.json"), 0);
    EXPECT_EQ(Tirdex(command(base_, Path("link.json"))).rc, 0);
    EXPECT_TRUE(fs::is_symlink(Path("link.json")));
    EXPECT_GT(fs::file_size(Path("real.json")), 2u);
  }
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.rfind("b.sqlite", 0) == 0 || name == "real.json" || name == "link.json" ||
                name == "sub")
        << name << " left beside the output";
  }
}

}  // namespace
}  // namespace tir::test
