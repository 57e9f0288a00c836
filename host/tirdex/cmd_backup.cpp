// tirdex backup: a consistent copy of an SQLite base while other programs read and write it,
// through SQLite's online backup. A plain file copy of a base in use is not a backup: the last
// transactions may still sit in the PATH-wal file, and a copy taken mid-write may be torn.
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "db/odbc_base.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/output_guard.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

namespace fs = std::filesystem;

// How long a busy source (a writer holding its lock) is waited for before the backup gives up.
constexpr int kBusyTimeoutMs = 30000;

struct BackupOptions {
  std::string base;
  std::string file;
  bool force = false;
};

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

SqliteHandle OpenFile(const std::string& path, int flags, std::string& error) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  SqliteHandle handle(db);
  if (rc != SQLITE_OK) {
    error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  return handle;
}

// Copies the base into `work` in one step: in WAL mode (tirdex's bases) that is one read
// transaction, a snapshot that writers do not disturb and are not held up by.
std::string CopyBase(const std::string& base, const std::string& work) {
  std::string error;
  SqliteHandle source = OpenFile(base, SQLITE_OPEN_READONLY, error);
  if (!source) return "cannot open " + base + ": " + error;
  SqliteHandle target = OpenFile(work, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
  if (!target) return "cannot create " + work + ": " + error;
  sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
  if (backup == nullptr) return sqlite3_errmsg(target.get());
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  int rc = sqlite3_backup_step(backup, -1);
  while ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    rc = sqlite3_backup_step(backup, -1);
  }
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) {
    return std::string("the copy failed: ") + sqlite3_errstr(rc) + " (" +
           sqlite3_errmsg(target.get()) + ")";
  }
  // The copy keeps the base's page format; its own quick check proves it reads back.
  sqlite3_stmt* check = nullptr;
  std::string verdict = "no answer";
  if (sqlite3_prepare_v2(target.get(), "PRAGMA quick_check;", -1, &check, nullptr) == SQLITE_OK &&
      sqlite3_step(check) == SQLITE_ROW) {
    verdict = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
  }
  sqlite3_finalize(check);
  if (verdict != "ok") return "the copy does not pass its check: " + verdict;
  return {};
}

void RemoveWork(const std::string& work) {
  std::error_code ignored;
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) fs::remove(work + tail, ignored);
}

// The copy is made beside FILE and renamed over it once complete and synced, so FILE is either
// the old file or a whole copy, never a half-written one.
int RunBackup(const BackupOptions& o) {
  if (db::IsOdbcBase(o.base)) {
    return Fail("backup",
                "only SQLite bases are copied here; back a server base up with its server's tools",
                kExitUsage);
  }
  if (!BaseFileExists(o.base)) return Fail("backup", "no base file " + o.base, kExitFailure);
  if (RefuseOutput("backup", o.file, o.base, OutputRole::kNewBase)) return kExitFailure;
  std::error_code ec;
  // A symbolic link is written through: its target gets the copy, the link stays.
  const std::string file = fs::is_symlink(fs::symlink_status(o.file, ec))
                               ? fs::weakly_canonical(o.file, ec).string()
                               : o.file;
  const fs::file_status status = fs::symlink_status(file, ec);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status)) {
      return Fail("backup", o.file + " is not a regular file; nothing was written", kExitUsage);
    }
    if (!o.force) return Fail("backup", o.file + " exists; use --force to replace it", kExitUsage);
    // A base another program has open would go on writing into the replaced file.
    if (BaseInUse(file)) {
      return Fail("backup", o.file + ": base in use by another program; not replaced",
                  kExitFailure);
    }
  }
  const std::string work = file + ".part";
  RemoveWork(work);
  if (const std::string error = CopyBase(o.base, work); !error.empty()) {
    RemoveWork(work);
    return Fail("backup", error + "; nothing was written", kExitFailure);
  }
  const int fd = ::open(work.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  fs::rename(work, file, ec);
  if (!synced || ec) {
    RemoveWork(work);
    return Fail("backup", "cannot write " + o.file + (ec ? ": " + ec.message() : std::string()),
                kExitFailure);
  }
  std::cout << "backup of " << o.base << " written to " << o.file << " ("
            << fs::file_size(o.file, ec) << " bytes)\n";
  return kExitOk;
}

void InstallBackupCommand(CLI::App& app) {
  auto o = std::make_shared<BackupOptions>();
  CLI::App* cmd = app.add_subcommand(
      "backup", "Copy a base consistently while other programs use it (SQLite online backup)");
  cmd->footer(R"(
The copy is one snapshot of the base: every transaction committed before it began and
none after, even while tirdex serve, sync or tirhost write to the base. A plain copy
(cp) of a base in use is not a backup: committed transactions may still sit in the
DB-wal file beside it, and a copy taken during a write may be torn. The copy is checked
(quick_check) and replaces FILE only when complete. Exit code 1 when the copy failed
(FILE is then untouched). A nightly backup from cron (% must be written \% there):
  30 2 * * *  tirdex backup /srv/shop.sqlite /srv/backup/shop-$(date +\%F).sqlite)");
  AddBaseOption(*cmd, o->base);
  cmd->add_option("FILE", o->file, "The copy to write (a new SQLite file)")->required();
  cmd->add_flag("--force", o->force, "Replace an existing FILE");
  OnRun(*cmd, o, RunBackup);
}

const bool registered = RegisterCommands("backup", InstallBackupCommand);

}  // namespace
}  // namespace tir::tirdex
