#pragma once
// The row rules every catalog loader shares: read one JSON object into an incoming record,
// resolve its references, find the stored row, compare, and write only the values that were
// sent. Each catalog is described by a TCatalog table; the template code lives here because the
// catalog, user and goods loaders instantiate it for their own records.

#include <functional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "db/query.h"
#include "db/unicode_case.h"
#include "import/json_loader.h"
#include "import/json_loader_walk.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"
#include "settings/scramble.h"

namespace tir::import {

enum class TRead : std::uint8_t { kText, kInt, kInt64, kExt, kDate, kScrambled, kScrambledInt };

template <class R>
using TFieldPtr = std::variant<TJSString R::*, TJSInteger R::*, TJSInt64 R::*, TJSExtended R::*>;

// One value of a record: the JSON key it is read from (nullptr: resolved, not read) and the
// column it is written to and read back from (nullptr: neither).
template <class R>
struct TColumn {
  const char* key;
  const char* column;
  TFieldPtr<R> field;
  TRead read;
};

// A reference by GUID: the JSON key, the table it resolves in, the record's GUID and id fields,
// and the alias prefix under which the match select returns the referenced row's GUID.
template <class R>
struct TRef {
  const char* key;
  const char* table;
  TJSGIUD R::*guid;
  TJSInt64 R::*id;
  const char* joinColumn;
  const char* alias;
};

enum class TMatch : std::uint8_t { kGuid, kGuidOrId, kGuidOrCode };
enum class TStamp : std::uint8_t { kNone, kMainSPR, kPartners, kGoods };

template <class R>
struct TCatalog {
  const char* kind;
  const char* arrayKey;
  const char* groupKey;  // nullptr: no group tree
  const char* table;
  TMatch match;
  bool keepId;
  TStamp stamp;
  std::vector<TColumn<R>> columns;  // in the record's field order
  std::vector<TRef<R>> refs;        // the group first when the catalog has one

  // The index of the column read from a JSON key; -1 when the key is not one of the catalog's.
  int ColumnOfKey(std::string_view key) const {
    if (byKey.empty()) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key) byKey.emplace(columns[i].key, static_cast<int>(i));
      }
      byKey.emplace(std::string_view(), -1);  // built
    }
    const auto it = byKey.find(key);
    return it == byKey.end() || key.empty() ? -1 : it->second;
  }
  mutable std::unordered_map<std::string_view, int> byKey{};
};

// Extra steps of a catalog whose rows carry more than columns (users).
template <class R>
struct THooks {
  std::function<void()> beginRow;
  std::function<bool(const JValue::Member&, const TWhere&)> member;  // true: consumed
  std::function<void(std::int64_t, R&)> storedExtra;  // completes the stored record of an id
  std::function<bool(std::int64_t)> identExtra;       // stored id → still identical?
  std::function<void(std::int64_t)> afterWrite;       // with the row's id
};

// What one catalog run did.
struct TRunCounts {
  std::int64_t written = 0, inserted = 0, identical = 0;
};

class TCatalogWriter {
 public:
  explicit TCatalogWriter(TDMJsonLoader& loader) : L(loader) {}

  db::Query& Cached(const std::string& sql) { return L.Cached(sql); }
  db::Query& OneOff(const std::string& sql) { return L.OneOff(sql); }

  // The text of the match select for one WHERE clause.
  template <class R>
  static std::string MatchSelect(const TCatalog<R>& c, const std::string& where) {
    std::string s = "SELECT t1.*";
    std::string joins;
    int alias = 2;
    for (const TRef<R>& r : c.refs) {
      const std::string t = "t" + std::to_string(alias);
      if (std::string(r.alias) == "fGG") {
        for (const char* part : {", ", ".[fGUID1] AS fGGGUID1,", ".[fGUID2] AS fGGGUID2 , ",
                                 ".[fGUID1] AS f2GGGUID1,"}) {
          s.append(part).append(t);
        }
        s.append(".[fGUID2] AS f2GGGUID2 ");
      } else {
        s.append(", ").append(t).append(".[fGUID1] AS ").append(r.alias).append("GUID1,");
        s.append(t).append(".[fGUID2] AS ").append(r.alias).append("GUID2");
      }
      joins.append(" LEFT JOIN ").append(r.table).append(" ").append(t).append(" ON ");
      joins.append(t).append(".fId = t1.").append(r.joinColumn).append(" ");
      ++alias;
    }
    return s + " FROM " + c.table + " t1 " + joins + "  WHERE " + where;
  }

  // Where each column of the catalog (then each reference's GUID pair, then fGUID1, fGUID2 and
  // fId) sits in the rows of q; -1 when q does not return it. Worked out once per query.
  template <class R>
  const std::vector<int>& FieldIndexes(const TCatalog<R>& c, db::Query& q) {
    std::vector<int>& idx = L.mFieldIndexes[&q];
    if (!idx.empty()) return idx;
    const auto find = [&q](const std::string& name) {
      for (std::size_t i = 0; i < q.FieldCount(); ++i) {
        if (db::UnicodeUpper(q.FieldName(i)) == db::UnicodeUpper(name)) return static_cast<int>(i);
      }
      return -1;
    };
    for (const TColumn<R>& col : c.columns) idx.push_back(col.column ? find(col.column) : -1);
    for (const TRef<R>& r : c.refs) {
      idx.push_back(find(std::string(r.alias) + "GUID1"));
      idx.push_back(find(std::string(r.alias) + "GUID2"));
    }
    for (const char* name : {"fGUID1", "fGUID2", "fId"}) idx.push_back(find(name));
    return idx;
  }

  // Fills the stored record from the current row of q; returns its id.
  template <class R>
  std::int64_t FillStored(const TCatalog<R>& c, db::Query& q, R& stored) {
    stored.Clear();
    const std::vector<int>& idx = FieldIndexes(c, q);
    std::size_t n = 0;
    for (const TColumn<R>& col : c.columns) {
      const int at = idx[n++];
      if (at < 0) continue;
      const db::Field f = q.FieldByIndex(static_cast<std::size_t>(at));
      if (f.IsNull()) continue;
      std::visit(
          [&](auto ptr) {
            auto& w = stored.*ptr;
            using W = std::decay_t<decltype(w)>;
            if constexpr (std::is_same_v<W, TJSString>)
              w.uSetValue(f.AsWideText());
            else if constexpr (std::is_same_v<W, TJSInteger>)
              w.uSetValue(f.AsInt32());
            else if constexpr (std::is_same_v<W, TJSInt64>)
              w.uSetValue(f.AsInt64());
            else if (col.read == TRead::kDate)
              w.uSetValue(f.AsDateTime());
            else
              w.uSetValue(f.AsExtended());
          },
          col.field);
    }
    for (const TRef<R>& r : c.refs) {
      const int g1 = idx[n++], g2 = idx[n++];
      if (g1 >= 0 && g2 >= 0 && !q.FieldByIndex(static_cast<std::size_t>(g1)).IsNull()) {
        (stored.*r.guid).fGUID1 = q.FieldByIndex(static_cast<std::size_t>(g1)).AsInt64();
        (stored.*r.guid).fGUID2 = q.FieldByIndex(static_cast<std::size_t>(g2)).AsInt64();
      }
    }
    stored.fGUID.fGUID1 = q.FieldByIndex(static_cast<std::size_t>(idx[n])).AsInt64();
    stored.fGUID.fGUID2 = q.FieldByIndex(static_cast<std::size_t>(idx[n + 1])).AsInt64();
    const std::int64_t id = q.FieldByIndex(static_cast<std::size_t>(idx[n + 2])).AsInt64();
    stored.fId.uSetValue(id);
    return id;
  }

  // Finds the stored row of an incoming record by the catalog's match rule; 0 when none.
  template <class R>
  std::int64_t Match(const TCatalog<R>& c, const R& in, R& stored) {
    stored.Clear();
    db::Query& q = Cached(MatchSelect(c, "(t1.fGUID1=:pG1)AND(t1.fGUID2=:pG2);"));
    q.ParamByName("pG1").SetInt64(in.fGUID.fGUID1);
    q.ParamByName("pG2").SetInt64(in.fGUID.fGUID2);
    q.Open();
    if (!q.Eof()) return FillStored(c, q, stored);
    if (c.match == TMatch::kGuid) return 0;
    db::Query* second = nullptr;
    if (c.match == TMatch::kGuidOrId) {
      if (!in.fId.isSet || in.fId.rawValue <= 0) return 0;
      second = &OneOff(MatchSelect(c, "(t1.fId=" + std::to_string(in.fId.rawValue) + ");"));
    } else {
      if constexpr (requires { in.fCode; }) {
        if (!in.fCode.isSet) return 0;
        second = &Cached(MatchSelect(c, "(t1.fZEDCode=:pZedCode);"));
        second->ParamByName("pZedCode").SetWideText(in.fCode.rawValue);
      }
    }
    if (!second) return 0;
    second->Open();
    if (second->Eof()) return 0;
    const std::int64_t id = FillStored(c, *second, stored);
    db::Query& adopt =
        Cached(std::string("UPDATE ") + c.table +
               " SET fGUID2=:pG2, fGUID1=:pG1 WHERE (fId=" + std::to_string(id) + ");");
    adopt.ParamByName("pG1").SetInt64(in.fGUID.fGUID1);
    adopt.ParamByName("pG2").SetInt64(in.fGUID.fGUID2);
    adopt.ExecSql();
    stored.fGUID = in.fGUID;
    return id;
  }

  // Reads one member into the incoming record; false when the key is not one of the catalog's.
  template <class R>
  static bool ReadMember(const TCatalog<R>& c, const JValue::Member& m, const TWhere& w, R& in,
                         TLoadReport& report) {
    const std::string_view key = KeyOf(m);
    if (key == "guid") {
      ReadGuid(m.value, w, in.fGUID, report);
      return true;
    }
    for (const TRef<R>& r : c.refs) {
      if (r.key && key == r.key) {
        ReadGuid(m.value, w, in.*r.guid, report);
        return true;
      }
    }
    const int at = c.ColumnOfKey(key);
    if (at < 0) return false;
    const TColumn<R>& col = c.columns[static_cast<std::size_t>(at)];
    std::visit([&](auto ptr) { SetFromJson(in.*ptr, col.read, m.value, w, report); }, col.field);
    return true;
  }

  template <class W>
  static void SetFromJson(W& w, TRead read, const JValue& v, const TWhere& where,
                          TLoadReport& report) {
    if constexpr (std::is_same_v<W, TJSString>) {
      if (read == TRead::kScrambled)
        w.uSetValue(Unscramble(ReadText(v, where)));
      else
        w.uSetValue(ReadWide(v, where));
    } else if constexpr (std::is_same_v<W, TJSInteger>) {
      if (read == TRead::kScrambledInt) {
        const std::string text = db::Utf16ToUtf8(Unscramble(ReadText(v, where)));
        if (gIsInteger(text)) w.uSetValue(static_cast<std::int32_t>(gStrToInteger(text)));
      } else {
        w.uSetValue(ReadInt(v, where));
      }
    } else if constexpr (std::is_same_v<W, TJSInt64>) {
      w.uSetValue(ReadInt64(v, where));
    } else {
      double date = 0;
      if (read != TRead::kDate)
        w.uSetValue(ReadExt(v, where));
      else if (ReadDate(v, where, date, report))
        w.uSetValue(date);
    }
  }

  // A scrambled member: the unscrambled text without its first 11 characters.
  static std::u16string Unscramble(const std::string& text) {
    std::u16string plain = gDecodeStrW(text);
    return plain.size() <= 11 ? std::u16string() : plain.substr(11);
  }

  template <class R>
  void Resolve(const TCatalog<R>& c, R& in) {
    for (const TRef<R>& r : c.refs) {
      const std::int64_t id = L.FindIdByGUID(r.table, in.*r.guid);
      (in.*r.id).uSetValue(id);
      if (id == 0 && !(in.*r.guid).isEmpty()) {
        L.mReport.Missing(TLoadNoteKind::kRefNotFound,
                          {c.kind, gGetGUIDSTR(in.fGUID.fGUID1, in.fGUID.fGUID2), r.key,
                           gGetGUIDSTR((in.*r.guid).fGUID1, (in.*r.guid).fGUID2), r.table});
      }
    }
  }

  static void Bind(db::Query& q, const std::string& param, const TJSString& w, TRead) {
    q.ParamByName(param).SetWideText(w.rawValue);
  }
  static void Bind(db::Query& q, const std::string& param, const TJSInteger& w, TRead) {
    q.ParamByName(param).SetInt32(w.rawValue);
  }
  static void Bind(db::Query& q, const std::string& param, const TJSInt64& w, TRead) {
    q.ParamByName(param).SetInt64(w.rawValue);
  }
  static void Bind(db::Query& q, const std::string& param, const TJSExtended& w, TRead read) {
    if (read == TRead::kDate)
      q.ParamByName(param).SetDateTime(static_cast<double>(w.rawValue));
    else
      q.ParamByName(param).SetExtended(w.rawValue);
  }

  // Writes the set values of an incoming record: UPDATE of row `id`, or INSERT when id is 0.
  template <class R>
  void Write(const TCatalog<R>& c, const R& in, std::int64_t id) {
    std::string set, cols, vals;
    std::vector<std::pair<std::string, const TColumn<R>*>> bound;
    for (const TColumn<R>& col : c.columns) {
      if (!col.column) continue;
      const bool isSet = std::visit([&](auto ptr) { return (in.*ptr).isSet; }, col.field);
      if (!isSet) continue;
      const std::string column = col.column;
      const std::string param = "p" + column.substr(1);
      set.append(",[").append(column).append("]=:").append(param);
      cols += ",[" + column + "]";
      vals += ",:" + param;
      bound.emplace_back(param, &col);
    }
    const std::string table = c.table;
    const bool withId = id == 0 && c.keepId && in.fId.isSet && in.fId.rawValue > 0;
    std::string sql;
    if (id != 0) {
      if (set.empty()) return;
      sql = "UPDATE " + table + " SET " + set.substr(1) + " WHERE fId=" + std::to_string(id) + ";";
    } else if (withId) {
      sql = "INSERT INTO " + table + " ([fId],[fGUID1],[fGUID2]" + cols +
            ") VALUES (:pId,:pGUID1,:pGUID2" + vals + ");";
    } else {
      sql = "INSERT INTO " + table + " ([fGUID1],[fGUID2]" + cols + ") VALUES (:pGUID1,:pGUID2" +
            vals + ");";
    }
    if (withId) Cached("{IF MSSQL}SET IDENTITY_INSERT [" + table + "] ON{fi}").ExecSql();
    db::Query& q = id != 0 ? OneOff(sql) : Cached(sql);
    for (const auto& b : bound) {
      std::visit([&](auto ptr) { Bind(q, b.first, in.*ptr, b.second->read); }, b.second->field);
    }
    if (id == 0) {
      q.ParamByName("pGUID1").SetInt64(in.fGUID.fGUID1);
      q.ParamByName("pGUID2").SetInt64(in.fGUID.fGUID2);
      if (withId) q.ParamByName("pId").SetInt64(in.fId.rawValue);
    }
    q.ExecSql();
    if (withId) Cached("{IF MSSQL}SET IDENTITY_INSERT [" + table + "] OFF{fi}").ExecSql();
  }

  // The row loop of one catalog: group tree, then every object of the array.
  template <class R>
  TRunCounts Run(const TCatalog<R>& c, const THooks<R>& hooks = {}) {
    TRunCounts counts;
    if (L.ifExitNOW()) return counts;
    if (c.groupKey) L.CreateTreeGroups(c.groupKey, c.refs.front().table);
    for (const TTopValue* array : FindAllTop(L.JSONResp.get(), c.arrayKey)) {
      TLoadKindCounts& report = L.mReport.Kind(c.kind);
      R in, stored;
      ForEachObject(*L.JSONResp, *array, c.arrayKey, [&](const JValue& obj, std::size_t index) {
        in.Clear();
        stored.Clear();
        if (hooks.beginRow) hooks.beginRow();
        for (const auto& m : obj.GetObject()) {
          if (m.value.IsNull()) continue;
          const TWhere w{c.arrayKey, index, KeyOf(m)};
          if (!ReadMember(c, m, w, in, L.mReport) && hooks.member) hooks.member(m, w);
        }
        if (in.fGUID.isEmpty()) {
          SkipRow(L.mReport, report, TWhere{c.arrayKey, index, {}});
          return true;
        }
        Resolve(c, in);
        std::int64_t id = Match(c, in, stored);
        if (id != 0 && hooks.storedExtra) hooks.storedExtra(id, stored);
        if (id != 0 && stored.IsIdent_TestOnlySet(in) &&
            (!hooks.identExtra || hooks.identExtra(id))) {
          ++counts.identical;
          ++report.identical;
          return true;
        }
        Write(c, in, id);
        ++counts.written;
        if (id == 0) {
          ++counts.inserted;
          ++report.inserted;
          if (hooks.afterWrite) id = L.FindIdByGUID(c.table, in.fGUID);
        } else {
          ++report.updated;
        }
        if (hooks.afterWrite) hooks.afterWrite(id);
        return !L.ifExitNOW();
      });
    }
    if (counts.written + counts.identical > 0) Stamp(c.stamp);
    return counts;
  }

  void Stamp(TStamp s);

 private:
  TDMJsonLoader& L;
};

}  // namespace tir::import
