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
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/output_guard.h"
#include "host/tirdex/tirdex_files.h"
#include "settings/base64.h"
#include "settings/data_ex_out.h"
#include "settings/json_one_send.h"
#include "settings/profile_rows.h"
#include "settings/scramble.h"
#include "settings/settings_folders.h"
#include "settings/settings_stream.h"
#include "settings/tir_codes.h"
#include "transport/data_mod.h"
#include "transport/inet_shop_send.h"
#include "transport/send_json.h"
#include "transport/timer_services.h"

namespace tir::tirdex {
namespace {

// What each command of this file needs to stand in for the host: the base and the signed-in
// user's lists.
struct HostOptions {
  std::string base;
  std::string userEnts;
  std::string userStores;
  std::string serviceLibrary;
};

struct ExportDocOptions {
  HostOptions host;
  std::int64_t docId = 0;
  std::string file;
  std::string module;
};

struct ExportPeriodOptions {
  HostOptions host;
  std::string from;
  std::string to;
  std::string file;
  std::string ents;
  std::string stores;
};

// Each field set on the command line changes the stored profile.
struct ShopProfileOptions {
  HostOptions host;
  std::optional<std::string> url;
  std::optional<int> automatic;
  std::optional<int> period;
  std::optional<int> lastDays;
  std::optional<std::string> groups;
  std::optional<std::string> ents;
  std::optional<std::string> stores;
};

struct ShopDaemonOptions {
  HostOptions host;
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
  explicit DirectHost(const HostOptions& o)
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

bool CheckUserLists(const HostOptions& o) {
  return CheckLists({{"--user-ents", o.userEnts}, {"--user-stores", o.userStores}});
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
int RunExportDoc(const ExportDocOptions& o) {
  const std::string& base = o.host.base;
  if (!CheckUserLists(o.host)) return kExitUsage;
  if (!BaseFileExists(base))
    return Fail("export-doc", "no base file \"" + base + "\"", kExitFailure);
  if (RefuseOutput("export-doc", o.file, base)) return kExitFailure;
  if (!DocumentExists(base, o.docId)) {
    return Fail("export-doc",
                "no document " + std::to_string(o.docId) + " in " + base + "; nothing was written",
                kExitFailure);
  }
  void* connection = TirHostOpenConnection(base.c_str());
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
  app.fUserEntId = TirHostWideFromUtf8(o.host.userEnts.c_str());
  app.fUserStoreId = TirHostWideFromUtf8(o.host.userStores.c_str());
  TirU7MenuParams services{};
  TirHostDefaultServices(connection, &services);
  int rc = kExitFailure;
  if (TirHostStartModule(module, &app, &services, 1, error, sizeof(error)) != 0) {
    std::cerr << "tirdex export-doc: " << error << "\n";
  } else {
    TirModSearchIn in{};
    TirHostClearSearchIn(&in);
    in.fModuleId = kDllId;
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

int RunExportPeriod(const ExportPeriodOptions& o) {
  const auto period = ReadPeriod(o.from, o.to);
  if (!period || !period->from || !period->to) {
    return Fail("export-period", "FROM and TO are dates \"YYYY-MM-DD[ HH:MM[:SS]]\"", kExitUsage);
  }
  if (!CheckLists({{"--ents", o.ents}, {"--stores", o.stores}}) || !CheckUserLists(o.host)) {
    return kExitUsage;
  }
  if (RefuseOutput("export-period", o.file, o.host.base)) return kExitFailure;
  DirectHost host(o.host);
  TDataExOut profile;
  profile.mEntIds = o.ents;
  profile.mStoreIds = o.stores;
  profile.mFilePath = o.file;
  const auto started = std::chrono::steady_clock::now();
  const bool saved = exporting::DataExOutSaveFile(
      host.Connection(), profile, *period->from, *period->LastMoment(),
      [&](const std::string& section) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        std::cerr << "export-period: " << section << " (" << ms << " ms)" << std::endl;
      });
  return saved ? kExitOk : Fail("export-period", "cannot write " + o.file, kExitFailure);
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

int RunShopProfile(const ShopProfileOptions& o) {
  if (!CheckLists({{"--groups", o.groups.value_or("")},
                   {"--ents", o.ents.value_or("")},
                   {"--stores", o.stores.value_or("")}})) {
    return kExitUsage;
  }
  if (o.url && !IsWebAddress(*o.url)) {
    return Fail("shop-profile", "--url must start with http:// or https://", kExitUsage);
  }
  DirectHost host(o.host);
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
  apply(profile.mEntIds, o.ents);
  apply(profile.mStoreIds, o.stores);
  if (changed) SaveProfile(host.Connection(), code, kProfileTypeInetShop, profile);
  PrintProfile(profile);
  return kExitOk;
}

int RunShopSend(const HostOptions& o) {
  if (!CheckUserLists(o)) return kExitUsage;
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

int RunShopDaemon(const ShopDaemonOptions& o) {
  if (!CheckUserLists(o.host)) return kExitUsage;
  DirectHost host(o.host);
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
    return Fail("shop-daemon", "no automatic internet-shop profile for this base", kExitFailure);
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

void AddUserLists(CLI::App& cmd, HostOptions& o) {
  cmd.add_option("--user-ents", o.userEnts,
                 "The signed-in user's entity ids (host parameter fUserEntId); empty = all");
  cmd.add_option("--user-stores", o.userStores,
                 "The signed-in user's store ids (host parameter fUserStoreId); empty = all");
}

void AddServiceLibrary(CLI::App& cmd, HostOptions& o) {
  cmd.add_option("--service-library", o.serviceLibrary,
                 "Path of libtirvalosm.so (default: $TIR_SERVICE_LIBRARY, beside tirdex or the "
                 "build tree)");
}

// The base and the user's lists every command of this file takes.
void AddHostOptions(CLI::App& cmd, HostOptions& o) {
  AddBaseOption(cmd, o.base);
  AddUserLists(cmd, o);
}

void InstallExportCommands(CLI::App& app) {
  auto doc = std::make_shared<ExportDocOptions>();
  CLI::App* docCmd = app.add_subcommand(
      "export-doc",
      R"(Export one document as a universal JSON file (the document, the goods it uses, all goods
groups and recipes) by loading the module and sending it message 888034 as the host does.)");
  AddBaseOption(*docCmd, doc->host.base);
  docCmd->add_option("DOC_ID", doc->docId, "Document id (tirDocuments.fId)")->required();
  docCmd->add_option("FILE", doc->file, "JSON file to write")->required();
  docCmd->add_option("--module", doc->module,
                     "Path of libTirDataExchange.so (default: $TIRDEX_MODULE, beside tirdex or the "
                     "build tree)");
  AddUserLists(*docCmd, doc->host);
  OnRun(*docCmd, doc, RunExportDoc);

  auto period = std::make_shared<ExportPeriodOptions>();
  CLI::App* periodCmd = app.add_subcommand(
      "export-period",
      R"(Export every catalog and the documents of [FROM, TO] as one indented universal JSON file
(what a universal export profile saves). Rows without a GUID get one first. Progress goes
to stderr.)");
  AddBaseOption(*periodCmd, period->host.base);
  AddPeriodOptions(*periodCmd, "FROM", period->from, "TO", period->to, "", true);
  periodCmd->add_option("FILE", period->file, "JSON file to write")->required();
  periodCmd->add_option("--ents", period->ents, "Entity ids, e.g. 1,5 (default: the user's)");
  periodCmd->add_option("--stores", period->stores, "Store ids (default: the user's)");
  AddUserLists(*periodCmd, period->host);
  OnRun(*periodCmd, period, RunExportPeriod);

  auto shop = std::make_shared<ShopProfileOptions>();
  CLI::App* profileCmd = app.add_subcommand(
      "shop-profile",
      R"(Show this base's internet-shop profile (tirSettings, fMId 410, fPType -2, selected by the
GUID code MAIN/GUIDCODE of the settings file); any option changes and stores it.)");
  AddBaseOption(*profileCmd, shop->host.base);
  profileCmd->add_option("--url", shop->url, "Upload URL (http:// or https://)");
  profileCmd->add_option("--auto", shop->automatic, "1: send automatically every period")
      ->check(CLI::IsMember({0, 1}));
  profileCmd
      ->add_option("--period", shop->period,
                   "Period of automatic sends in the window's minutes, which the timer counts as "
                   "58 s each: 60 sends every 58 minutes, 0 at every timer tick (30 s)")
      ->check(CLI::Range(0, 527040));
  profileCmd
      ->add_option("--last-days", shop->lastDays,
                   "Send only goods moved in the last N days (at most 3660); 0 sends all")
      ->check(CLI::Range(0, 3660));
  profileCmd->add_option("--groups", shop->groups, "Goods group ids; empty = all groups");
  profileCmd->add_option("--ents", shop->ents, "Entity ids for stock; empty = the user's");
  profileCmd->add_option("--stores", shop->stores, "Store ids for stock; empty = the user's");
  OnRun(*profileCmd, shop, RunShopProfile);

  auto send = std::make_shared<HostOptions>();
  CLI::App* sendCmd = app.add_subcommand(
      "shop-send",
      R"(Send this base's internet-shop catalog now, as the user's send button does: prints
"Успешно отправлен." or "Ошибка: " with the server's answer.)");
  AddHostOptions(*sendCmd, *send);
  AddServiceLibrary(*sendCmd, *send);
  OnRun(*sendCmd, send, RunShopSend);

  auto daemon = std::make_shared<ShopDaemonOptions>();
  CLI::App* daemonCmd = app.add_subcommand(
      "shop-daemon",
      R"(Run the background timer until interrupted (Ctrl+C): every 30 s each automatic profile
whose period has passed is sent again; each send is logged on stdout.)");
  AddHostOptions(*daemonCmd, daemon->host);
  AddServiceLibrary(*daemonCmd, daemon->host);
  daemonCmd->add_option("--tick-ms", daemon->tickMs, "Timer interval in ms (for trying it out)")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  daemonCmd->add_option("--ticks", daemon->ticks, "Stop after N ticks (0: until interrupted)")
      ->check(CLI::NonNegativeNumber);
  OnRun(*daemonCmd, daemon, RunShopDaemon);
}

const bool registered = RegisterCommands("export", InstallExportCommands);

}  // namespace
}  // namespace tir::tirdex
