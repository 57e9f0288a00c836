#include "host/demo/demo_base.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "db/query.h"
#include "host/demo/demo_context.h"

namespace tir::demo {
namespace {

constexpr std::int64_t kMaxGoods = 10'000'000;
constexpr std::int64_t kMaxDocs = 50'000'000;
// Documents average a little under ten lines; used only to spread progress reports evenly.
constexpr std::int64_t kLinesPerDocEstimate = 9;

// The generator writes explicit ids and expects catalogs and documents without rows.
void RequireEmptyBase(tir::db::Connection& connection) {
  tir::db::Query query(connection);
  query.SetSql(
      "SELECT (SELECT COUNT(*) FROM tirGoods) + (SELECT COUNT(*) FROM tirDocuments) +"
      " (SELECT COUNT(*) FROM tirPartners) + (SELECT COUNT(*) FROM tirStores) +"
      " (SELECT COUNT(*) FROM tirUsers) + (SELECT COUNT(*) FROM tirGoodsGroups WHERE fclev>0) AS "
      "n;");
  query.Open();
  if (query.FieldByName("n").AsInt64() != 0) {
    throw std::runtime_error(
        "the base already holds catalog or document rows; a sample base needs "
        "an empty base");
  }
}

constexpr std::int64_t kGenerationCacheKiB = std::int64_t{256} * 1024;

// Sets the SQLite page cache for the lifetime of the object; other bases are left alone.
class CacheSize {
 public:
  CacheSize(tir::db::Connection& connection, std::int64_t kibibytes) : connection_(connection) {
    if (connection.Kind() != tir::db::DbKind::kSQLite) return;
    tir::db::Query query(connection);
    query.SetSql("PRAGMA cache_size;");
    query.Open();
    previous_ = query.FieldByIndex(0).AsInt64();
    Set(-kibibytes);
    active_ = true;
  }
  ~CacheSize() {
    if (!active_) return;
    try {
      Set(previous_);
    } catch (const std::exception&) {
      // The setting only affects speed; a failure to restore it is not worth an error.
    }
  }
  CacheSize(const CacheSize&) = delete;
  CacheSize& operator=(const CacheSize&) = delete;

 private:
  void Set(std::int64_t value) {
    tir::db::Query query(connection_);
    query.SetSql("PRAGMA cache_size=" + std::to_string(value) + ";");
    query.ExecSql();
  }

  tir::db::Connection& connection_;
  std::int64_t previous_ = 0;
  bool active_ = false;
};

// Calls the progress callback each time another 5% of the estimated work is done.
class ProgressMeter {
 public:
  ProgressMeter(const DemoOptions& options, std::int64_t docs)
      : callback_(options.progress), total_(options.goods + docs * kLinesPerDocEstimate) {}

  void Advance(std::int64_t units, const char* phase) {
    done_ += units;
    if (!callback_ || total_ <= 0) return;
    const std::int64_t percent = std::min<std::int64_t>(99, done_ * 100 / total_);
    if (percent >= lastReported_ + 5) {
      lastReported_ = percent - percent % 5;
      callback_(std::to_string(lastReported_) + "% (" + phase + ")");
    }
  }

  void Finish() {
    if (callback_) callback_("100% (done)");
  }

 private:
  std::function<void(const std::string&)> callback_;
  std::int64_t total_;
  std::int64_t done_ = 0;
  std::int64_t lastReported_ = 0;
};

}  // namespace

void GenerateDemoBase(tir::db::Connection& connection, const DemoOptions& options) {
  if (options.goods < 1 || options.goods > kMaxGoods) {
    throw std::invalid_argument("the number of goods must lie between 1 and " +
                                std::to_string(kMaxGoods));
  }
  const std::int64_t docs = options.docs < 0 ? options.goods : options.docs;
  if (docs > kMaxDocs) {
    throw std::invalid_argument("the number of documents must not exceed " +
                                std::to_string(kMaxDocs));
  }
  RequireEmptyBase(connection);

  // A large page cache keeps the indexes of a big base in memory while it is filled instead of
  // spilling pages to the journal again and again; the base's own setting comes back afterwards.
  const CacheSize cache(connection, kGenerationCacheKiB);
  const bool ownTransaction = !connection.InTransaction();
  if (ownTransaction) connection.StartTransaction();
  try {
    DemoContext context(connection, options.seed);
    ProgressMeter meter(options, docs);
    const char* phase = "catalogs";
    context.advance = [&meter, &phase](std::int64_t units) { meter.Advance(units, phase); };
    GenerateCatalogs(context, options.goods);
    phase = "documents";
    GenerateDocuments(context, docs);
    if (ownTransaction) connection.Commit();
    meter.Finish();
  } catch (...) {
    if (ownTransaction && connection.InTransaction()) connection.Rollback();
    throw;
  }
}

}  // namespace tir::demo
