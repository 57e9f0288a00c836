// tirdex export-doc / export-period / shop-profile / shop-send / shop-daemon: the universal JSON
// export and the internet-shop upload.
#include <stdlib.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/query.h"
#include "db/sql_text.h"
#include "db/sqlite_connection.h"
#include "export/data_ex_out_export.h"
#include "frame/wide_string.h"
#include "host/kit/host_scope.h"
#include "host/kit/host_stop.h"
#include "host/kit/tir_host_loader.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/output_guard.h"
#include "host/tirdex/tirdex_files.h"
#include "settings/base64.h"
#include "settings/data_ex_out.h"
#include "settings/json_one_send.h"
#include "settings/profile_rows.h"
#include "settings/scramble.h"
#include "settings/settings_folders.h"
#include "settings/settings_stream.h"
#include "transport/data_mod.h"
#include "transport/inet_shop_send.h"
#include "transport/send_json.h"
#include "transport/timer_services.h"

namespace tir::tirdex {
namespace {

struct ExportOptions {
  std::string base;
  std::string file;
  std::string from;
  std::string to;
  std::int64_t docId = 0;
  std::string ents;
  std::string stores;
  std::string userEnts;
  std::string userStores;
  std::string module;
  std::string serviceLibrary;
  std::optional<std::string> url;
  std::optional<int> automatic;
  std::optional<int> period;
  std::optional<int> lastDays;
  std::optional<std::string> groups;
  std::optional<std::string> profileEnts;
  std::optional<std::string> profileStores;
  int tickMs = transport::TDataMod::kTimerIntervalMs;
  int ticks = 0;
};

// Host messages of the module: results (type 1) to stdout, progress and errors to stderr.
std::int32_t TIR_STDCALL PrintHostMessage(frame::WideString pMessage, std::uint8_t pType,
                                          frame::TDllInfo, std::uint8_t) {
  (pType == 1 ? std::cout : std::cerr) << frame::WideToUtf8(pMessage) << std::endl;
  return 0;
}

// The base opened for the libraries linked into tirdex, acting as the host's connection, with
// the user's entity and store lists as application parameters.
class DirectHost {
 public:
  explicit DirectHost(const ExportOptions& o)
      : connection_(OpenExistingBase(o.base)),
        scope_(*connection_,
               hostkit::THostUser{
                   .id = 0, .type = 0, .name = "", .entities = o.userEnts, .stores = o.userStores},
               &PrintHostMessage) {
    exporting::InstallExportHooks();
    transport::SetServiceLibraryPath(FindBesideTirdex(o.serviceLibrary, "TIR_SERVICE_LIBRARY",
                                                      "libtirvalosm.so", {"", "../service"}));
  }
  db::Connection& Connection() { return *connection_; }

 private:
  std::unique_ptr<db::Connection> connection_;
  hostkit::THostScope scope_;
};

bool CheckLists(std::initializer_list<std::pair<const char*, std::string>> lists) {
  for (const auto& [name, list] : lists) {
    if (!db::IsValidIdList(list)) {
      std::cerr << "tirdex: " << name << " must be comma-separated numeric ids, not \"" << list
                << "\"\n";
      return false;
    }
  }
  return true;
}

// A date or date-time; a bare date as the end of a range means the end of that day.
std::optional<double> ParseDate(const std::string& text, bool endOfDay) {
  const auto day = db::DateTimeFromSqlText(text);
  if (!day) return std::nullopt;
  return (endOfDay && text.size() == 10) ? *day + 1.0 - 1.0 / 86400000.0 : *day;
}

bool DocumentExists(const std::string& base, std::int64_t docId) {
  const auto connection = OpenExistingBase(base);
  db::Query query(*connection);
  query.SetSql("SELECT 1 FROM tirDocuments WHERE fId = :pId;");
  query.ParamByName("pId").SetInt64(docId);
  query.Open();
  return !query.Eof();
}

// One-document export through the plug-in's message 888034, as the host sends it.
int RunExportDoc(const ExportOptions& o) {
  if (!CheckLists({{"--user-ents", o.userEnts}, {"--user-stores", o.userStores}})) {
    return kExitUsage;
  }
  if (!BaseFileExists(o.base)) {
    std::cerr << "tirdex export-doc: no base file \"" << o.base << "\"\n";
    return kExitFailure;
  }
  if (RefuseOutput("export-doc", o.file, o.base)) return kExitFailure;
  if (!DocumentExists(o.base, o.docId)) {
    std::cerr << "tirdex export-doc: no document " << o.docId << " in " << o.base
              << "; nothing was written\n";
    return kExitFailure;
  }
  void* connection = TirHostOpenConnection(o.base.c_str());
  if (connection == nullptr) return kExitFailure;
  char error[512] = {0};
  const std::string modulePath = FindBesideTirdex(
      o.module, "TIRDEX_MODULE", "libTirDataExchange.so", {"", "../../src/module"});
  TirHostModule* module = TirHostLoadModule(modulePath.c_str(), error, sizeof(error));
  if (module == nullptr) {
    std::cerr << "tirdex export-doc: " << error << "\n";
    TirHostCloseConnection(connection);
    return kExitFailure;
  }
  TirU6MenuParams app{};
  app.fPriceDigit = 2;
  app.fCountDigit = 3;
  app.fDecSeparator = u'.';
  app.fUserEntId = TirHostWideFromUtf8(o.userEnts.c_str());
  app.fUserStoreId = TirHostWideFromUtf8(o.userStores.c_str());
  TirU7MenuParams services{};
  TirHostDefaultServices(connection, &services);
  int rc = kExitFailure;
  if (TirHostStartModule(module, &app, &services, 1, error, sizeof(error)) != 0) {
    std::cerr << "tirdex export-doc: " << error << "\n";
  } else {
    TirModSearchIn in{};
    TirHostClearSearchIn(&in);
    in.fModuleId = 410;
    in.fSearchMode = 888034;
    in.fDocId = o.docId;
    in.fSearchStr = TirHostWideFromUtf8(o.file.c_str());
    TirModSearchOut out{};
    module->u9(in, &out);
    if (out.fId == 1) {
      std::cerr << "Document " << o.docId << " exported to " << o.file << "\n";
      rc = kExitOk;
    } else {
      std::cerr << "tirdex export-doc: the module did not export document " << o.docId << "\n";
    }
    TirHostClearSearchIn(&in);
    TirHostClearSearchOut(&out);
  }
  TirHostUnloadModule(module);
  TirHostCloseConnection(connection);
  TirSysFreeString(app.fUserEntId);
  TirSysFreeString(app.fUserStoreId);
  return rc;
}

int RunExportPeriod(const ExportOptions& o) {
  const auto from = ParseDate(o.from, false);
  const auto to = ParseDate(o.to, true);
  if (!from || !to) {
    std::cerr << "tirdex export-period: FROM and TO are dates \"YYYY-MM-DD[ HH:MM[:SS]]\"\n";
    return kExitUsage;
  }
  if (!CheckLists({{"--ents", o.ents},
                   {"--stores", o.stores},
                   {"--user-ents", o.userEnts},
                   {"--user-stores", o.userStores}})) {
    return kExitUsage;
  }
  if (RefuseOutput("export-period", o.file, o.base)) return kExitFailure;
  DirectHost host(o);
  TDataExOut profile;
  profile.mEntIds = o.ents;
  profile.mStoreIds = o.stores;
  profile.mFilePath = o.file;
  const auto started = std::chrono::steady_clock::now();
  const bool saved = exporting::DataExOutSaveFile(
      host.Connection(), profile, *from, *to, [&](const std::string& section) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        std::cerr << "export-period: " << section << " (" << ms << " ms)" << std::endl;
      });
  if (!saved) {
    std::cerr << "tirdex export-period: cannot write " << o.file << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

std::string GuidCodeOrComplain() {
  std::string code = gGetBaseGUIDCode();
  if (code.empty()) {
    std::cerr << "tirdex: no GUID code for this base in the settings file; set one with\n"
                 "  tirdex settings set MAIN GUIDCODE <code>\n";
  }
  return code;
}

void PrintProfile(const TJSONOneSend& p) {
  std::cout << "name\t" << p.mName << "\nurl\t" << p.mURL << "\nauto\t" << int(p.mIfAvtomat)
            << "\nperiod\t" << p.mPeriodMin << "\nlast-days\t"
            << (p.mIfLastDayGoods != 0 ? std::to_string(p.mPeriodDay) : "0") << "\ngroups\t"
            << p.mGoodsGroupsIds << "\nents\t" << p.mEntIds << "\nstores\t" << p.mStoreIds << "\n";
}

bool IsWebAddress(const std::string& url) {
  std::string scheme = url.substr(0, url.find("://"));
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return url.find("://") != std::string::npos && (scheme == "http" || scheme == "https");
}

// A stored profile whose text does not decode would read as the built-in defaults.
bool ProfileDecodes(const std::string& stored) {
  std::vector<std::uint8_t> bytes;
  DecodeBase64(gDecodeStr(stored), bytes);
  TSettingsStreamReader stream(bytes);
  TJSONOneSend probe;
  probe.ReadFromMemory(stream);
  return !bytes.empty() && !stream.Failed();
}

int RunShopProfile(const ExportOptions& o) {
  if (!CheckLists({{"--groups", o.groups.value_or("")},
                   {"--ents", o.profileEnts.value_or("")},
                   {"--stores", o.profileStores.value_or("")}})) {
    return kExitUsage;
  }
  if (o.url && !IsWebAddress(*o.url)) {
    std::cerr << "tirdex shop-profile: --url must start with http:// or https://\n";
    return kExitUsage;
  }
  DirectHost host(o);
  const std::string code = GuidCodeOrComplain();
  if (code.empty()) return kExitFailure;
  TJSONOneSend profile;
  LoadProfile(host.Connection(), code, kProfileTypeInetShop, profile);
  bool changed = false;
  const auto apply = [&changed](auto& field, const auto& value) {
    if (value) {
      field = *value;
      changed = true;
    }
  };
  apply(profile.mURL, o.url);
  if (o.automatic) {
    profile.mIfAvtomat = static_cast<std::int8_t>(*o.automatic);
    changed = true;
  }
  apply(profile.mPeriodMin, o.period);
  if (o.lastDays) {
    profile.mIfLastDayGoods = *o.lastDays > 0 ? 1 : 0;
    if (*o.lastDays > 0) profile.mPeriodDay = *o.lastDays;
    changed = true;
  }
  apply(profile.mGoodsGroupsIds, o.groups);
  apply(profile.mEntIds, o.profileEnts);
  apply(profile.mStoreIds, o.profileStores);
  if (changed) SaveProfile(host.Connection(), code, kProfileTypeInetShop, profile);
  PrintProfile(profile);
  return kExitOk;
}

int RunShopSend(const ExportOptions& o) {
  if (!CheckLists({{"--user-ents", o.userEnts}, {"--user-stores", o.userStores}})) {
    return kExitUsage;
  }
  DirectHost host(o);
  const std::string code = GuidCodeOrComplain();
  if (code.empty()) return kExitFailure;
  TJSONOneSend profile;
  const TProfileRow row = LoadProfile(host.Connection(), code, kProfileTypeInetShop, profile);
  if (row.fId == 0) {
    std::cerr << "tirdex shop-send: this base has no internet-shop profile; make one with\n"
                 "  tirdex shop-profile DB --url URL\n";
    return kExitFailure;
  }
  if (!ProfileDecodes(row.fPStr)) {
    std::cerr << "tirdex shop-send: profile unreadable (row " << row.fId
              << " of tirSettings); nothing was sent. Store it again with tirdex shop-profile\n";
    return kExitFailure;
  }
  // The outcome reaches stdout through the host's message line.
  return transport::SendJsonToInetShop(profile, false) == 0 ? kExitOk : kExitFailure;
}

// A real clock and a timer that the daemon's loop fires on this thread.
class DaemonTimers final : public transport::TimerServices {
 public:
  explicit DaemonTimers(int tickMs) : tickMs_(tickMs) {}
  double Now() override { return db::NowDateTime(); }
  void StartTimer(std::int32_t, std::function<void()> onTimer) override {
    onTimer_ = std::move(onTimer);
  }
  void StopTimer() override { onTimer_ = nullptr; }
  bool Enabled() const { return static_cast<bool>(onTimer_); }
  void Fire() {
    const auto handler = onTimer_;
    if (handler) handler();
  }
  int TickMs() const { return tickMs_; }

 private:
  int tickMs_;
  std::function<void()> onTimer_;
};

std::string Stamp() {
  const db::CivilTime t = db::DecodeDateTime(db::NowDateTime());
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

// The daemon's own temporary folder: the upload files the module leaves there are removed after
// each send, and the folder itself when the daemon stops.
class DaemonTempFolder {
 public:
  DaemonTempFolder() {
    std::string pattern = GetSpecialTempFolder() + "tirdex-daemon-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
    path_ = pattern;
    ::setenv("TMPDIR", path_.c_str(), 1);
  }
  ~DaemonTempFolder() { Remove(); }
  void Remove() const {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  DaemonTempFolder(const DaemonTempFolder&) = delete;
  DaemonTempFolder& operator=(const DaemonTempFolder&) = delete;
  void Empty() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
      std::filesystem::remove_all(entry.path(), ec);
    }
  }

 private:
  std::string path_;
};

// Fires the timer on a worker thread and waits for it, watching for Ctrl-C. Returns false when
// a stop was asked for while the send still ran.
bool FireUnlessStopped(DaemonTimers& timers) {
  std::atomic<bool> finished{false};
  std::thread worker([&timers, &finished] {
    try {
      timers.Fire();
    } catch (const std::exception& e) {
      std::cout << Stamp() << " send failed: " << e.what() << std::endl;
    }
    finished = true;
  });
  while (!finished && !hostkit::StopRequested())
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (!finished) {
    worker.detach();  // a hanging upload is abandoned; the process ends at once
    return false;
  }
  worker.join();
  return true;
}

int RunShopDaemon(const ExportOptions& o) {
  if (!CheckLists({{"--user-ents", o.userEnts}, {"--user-stores", o.userStores}})) {
    return kExitUsage;
  }
  DirectHost host(o);
  if (GuidCodeOrComplain().empty()) return kExitFailure;
  DaemonTimers timers(o.tickMs);
  transport::TDataMod mod(host.Connection(), timers);
  mod.SetSendFunc([](TJSONOneSend& profile) {
    std::string response;
    const std::int32_t rc = transport::SendJsonToInetShop(profile, true, response);
    std::cout << Stamp() << " sent \"" << profile.mName << "\" to " << profile.mURL << ": "
              << (rc == 0 ? "ok" : "failed (" + std::to_string(rc) + ") " + response) << std::endl;
  });
  mod.ReloadSettings();
  if (!timers.Enabled()) {
    std::cerr << "tirdex shop-daemon: no automatic internet-shop profile for this base\n";
    return kExitFailure;
  }
  const DaemonTempFolder temp;
  std::cout << Stamp() << " watching " << mod.mList()->size() << " automatic profile(s), tick "
            << timers.TickMs() << " ms" << std::endl;
  hostkit::InstallStopSignals();
  int fired = 0;
  while (!hostkit::StopRequested() && (o.ticks == 0 || fired < o.ticks)) {
    for (int waited = 0; waited < timers.TickMs() && !hostkit::StopRequested(); waited += 100) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(100, timers.TickMs())));
    }
    if (hostkit::StopRequested()) break;
    if (!FireUnlessStopped(timers)) {
      std::cout << Stamp() << " stopped; the send still running was abandoned" << std::endl;
      temp.Remove();
      std::_Exit(kExitOk);
    }
    temp.Empty();
    ++fired;
  }
  std::cout << Stamp() << " stopped" << std::endl;
  return kExitOk;
}

// Runs a command; database and other errors become a message and exit code 1.
void Run(int (*command)(const ExportOptions&), const ExportOptions& o, const char* name) {
  try {
    SetExitCode(command(o));
  } catch (const db::DbError& e) {
    std::cerr << "tirdex " << name << ": ErrorSQL: " << e.what() << "\n";
    SetExitCode(kExitFailure);
  } catch (const std::exception& e) {
    std::cerr << "tirdex " << name << ": Error: " << e.what() << "\n";
    SetExitCode(kExitFailure);
  }
}

void AddUserLists(CLI::App& cmd, ExportOptions& o) {
  cmd.add_option("--user-ents", o.userEnts,
                 "The signed-in user's entity ids (host parameter fUserEntId); empty = all");
  cmd.add_option("--user-stores", o.userStores,
                 "The signed-in user's store ids (host parameter fUserStoreId); empty = all");
}

void AddServiceLibrary(CLI::App& cmd, ExportOptions& o) {
  cmd.add_option("--service-library", o.serviceLibrary,
                 "Path of libtirvalosm.so (default: $TIR_SERVICE_LIBRARY, beside tirdex or the "
                 "build tree)");
}

void InstallExportCommands(CLI::App& app) {
  auto o = std::make_shared<ExportOptions>();

  CLI::App* doc = app.add_subcommand(
      "export-doc",
      "Export one document as a universal JSON file (the document, the goods it uses, all goods\n"
      "groups and recipes) by loading the module and sending it message 888034 as the host does.");
  doc->add_option("DB", o->base, "SQLite base")->required();
  doc->add_option("DOC_ID", o->docId, "Document id (tirDocuments.fId)")->required();
  doc->add_option("FILE", o->file, "JSON file to write")->required();
  doc->add_option("--module", o->module,
                  "Path of libTirDataExchange.so (default: $TIRDEX_MODULE, beside tirdex or the "
                  "build tree)");
  AddUserLists(*doc, *o);
  doc->callback([o] { Run(RunExportDoc, *o, "export-doc"); });

  CLI::App* period = app.add_subcommand(
      "export-period",
      "Export every catalog and the documents of [FROM, TO] as one indented universal JSON file\n"
      "(what a universal export profile saves). Rows without a GUID get one first. Progress goes\n"
      "to stderr.");
  period->add_option("DB", o->base, "SQLite base")->required();
  period->add_option("FROM", o->from, "First date, YYYY-MM-DD[ HH:MM[:SS]]")->required();
  period->add_option("TO", o->to, "Last date (a bare date includes that whole day)")->required();
  period->add_option("FILE", o->file, "JSON file to write")->required();
  period->add_option("--ents", o->ents, "Entity ids, e.g. 1,5 (default: the user's)");
  period->add_option("--stores", o->stores, "Store ids (default: the user's)");
  AddUserLists(*period, *o);
  period->callback([o] { Run(RunExportPeriod, *o, "export-period"); });

  CLI::App* profile = app.add_subcommand(
      "shop-profile",
      "Show this base's internet-shop profile (tirSettings, fMId 410, fPType -2, selected by the\n"
      "GUID code MAIN/GUIDCODE of the settings file); any option changes and stores it.");
  profile->add_option("DB", o->base, "SQLite base")->required();
  profile->add_option("--url", o->url, "Upload URL (http:// or https://)");
  profile->add_option("--auto", o->automatic, "1: send automatically every period")
      ->check(CLI::IsMember({0, 1}));
  profile
      ->add_option("--period", o->period,
                   "Period of automatic sends in the window's minutes, which the timer counts as "
                   "58 s each: 60 sends every 58 minutes, 0 at every timer tick (30 s)")
      ->check(CLI::Range(0, 527040));
  profile
      ->add_option("--last-days", o->lastDays,
                   "Send only goods moved in the last N days (at most 3660); 0 sends all")
      ->check(CLI::Range(0, 3660));
  profile->add_option("--groups", o->groups, "Goods group ids; empty = all groups");
  profile->add_option("--ents", o->profileEnts, "Entity ids for stock; empty = the user's");
  profile->add_option("--stores", o->profileStores, "Store ids for stock; empty = the user's");
  profile->callback([o] { Run(RunShopProfile, *o, "shop-profile"); });

  CLI::App* send = app.add_subcommand(
      "shop-send",
      "Send this base's internet-shop catalog now, as the user's send button does: prints\n"
      "\"Успешно отправлен.\" or \"Ошибка: \" with the server's answer.");
  send->add_option("DB", o->base, "SQLite base")->required();
  AddUserLists(*send, *o);
  AddServiceLibrary(*send, *o);
  send->callback([o] { Run(RunShopSend, *o, "shop-send"); });

  CLI::App* daemon = app.add_subcommand(
      "shop-daemon",
      "Run the background timer until interrupted (Ctrl+C): every 30 s each automatic profile\n"
      "whose period has passed is sent again; each send is logged on stdout.");
  daemon->add_option("DB", o->base, "SQLite base")->required();
  AddUserLists(*daemon, *o);
  AddServiceLibrary(*daemon, *o);
  daemon->add_option("--tick-ms", o->tickMs, "Timer interval in ms (for trying it out)")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  daemon->add_option("--ticks", o->ticks, "Stop after N ticks (0: until interrupted)")
      ->check(CLI::NonNegativeNumber);
  daemon->callback([o] { Run(RunShopDaemon, *o, "shop-daemon"); });
}

const bool registered = RegisterCommands("export", InstallExportCommands);

}  // namespace
}  // namespace tir::tirdex
