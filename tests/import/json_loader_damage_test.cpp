// Damaged exchange files: every one is refused or writes nothing, and leaves the base exactly as
// it was; a load killed halfway leaves the base as it was and a rerun ends like a clean run.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "db/sqlite_connection.h"
#include "import/json_loader_atomic.h"
#include "tests/import/json_loader_fixture.h"

namespace tir::import::test {
namespace {

std::string Catalogs() {
  return R"("entitiesgroups":[{"guid":")" + G(100) + R"(","name":"Own","children":[{"guid":")" +
         G(101) + R"(","name":"Sub"}]}],
    "entities":[{"guid":")" +
         G(1) + R"(","name":"E","group":")" + G(101) + R"("}],
    "stores":[{"guid":")" +
         G(2) + R"(","name":"S1","visible":1},{"guid":")" + G(3) + R"(","name":"S2"}],
    "partners":[{"guid":")" +
         G(4) + R"(","code":"P","name":"Partner","date1":"20240101000000"}],
    "contracts":[{"guid":")" +
         G(5) + R"(","name":"C","partner":")" + G(4) + R"(","entity":")" + G(1) + R"("}],
    "users":[{"guid":")" +
         G(6) + R"(","lid":2,"rights":[{"mid":3,"pb":1}]}])";
}

std::string Goods(int from, int count) {
  std::string s = R"("goodsgroups":[{"guid":")" + G(200) + R"(","name":"Food"}],"goods":[)";
  for (int i = from; i < from + count; ++i) {
    if (i > from) s += ",";
    s += R"({"guid":")" + G(1000 + i) + R"(","code":"C)" + std::to_string(i) +
         R"(","name":"Good )" + std::to_string(i) + R"(","p1":)" + std::to_string(i % 50 + 1) +
         R"(.5,"vat":1,"group":")" + G(200) + R"(","prices":[{"id":1,"p":)" +
         std::to_string(i % 7 + 1) + "}]}";
  }
  return s + "]";
}

std::string Docs() {
  return R"("docs":[{"guid":")" + G(300) + R"(","num":1,"type":1,"state":0,"date":"20240105100000",
    "entity":")" +
         G(1) + R"(","store":")" + G(2) + R"(","partner":")" + G(4) + R"(","sum":25,
    "docgoods":[{"guid":")" +
         G(1001) + R"(","qtty":2,"sum":25,"pin":12.5}]}])";
}

std::string Serialize(const rapidjson::Document& doc) {
  rapidjson::StringBuffer out;
  rapidjson::Writer<rapidjson::StringBuffer> w(out);
  doc.Accept(w);
  return out.GetString();
}

// Applies fn to the n-th member named key (depth first); false when there is none.
bool MutateMember(rapidjson::Value& v, const char* key, int& n,
                  const std::function<void(rapidjson::Value&)>& fn) {
  if (v.IsObject()) {
    // Members by position: clang sees rapidjson's iterator comparison as ambiguous in C++20.
    for (rapidjson::SizeType i = 0; i < v.MemberCount(); ++i) {
      auto& m = *(v.MemberBegin() + i);
      if (std::string(m.name.GetString()) == key && n-- == 0) {
        fn(m.value);
        return true;
      }
      if (MutateMember(m.value, key, n, fn)) return true;
    }
  } else if (v.IsArray()) {
    for (auto& e : v.GetArray()) {
      if (MutateMember(e, key, n, fn)) return true;
    }
  }
  return false;
}

void NullEverything(rapidjson::Value& v, bool containers) {
  if (v.IsObject()) {
    for (rapidjson::SizeType i = 0; i < v.MemberCount(); ++i) {
      auto& m = *(v.MemberBegin() + i);
      if (containers && (m.value.IsObject() || m.value.IsArray()) && m.name != "goods")
        m.value.SetNull();
      else
        NullEverything(m.value, containers);
    }
  } else if (v.IsArray()) {
    for (auto& e : v.GetArray()) NullEverything(e, containers);
  } else {
    v.SetNull();
  }
}

// Sets a header member of the first document; header members come before its lines.
void SetDocHeader(rapidjson::Document& d, const char* key, rapidjson::Value value) {
  rapidjson::Value& doc = d["docs"][0];
  rapidjson::Value lines;
  lines = doc["docgoods"];
  doc.RemoveMember("docgoods");
  doc.RemoveMember(key);
  doc.AddMember(rapidjson::StringRef(key), value, d.GetAllocator());
  doc.AddMember("docgoods", lines, d.GetAllocator());
}

struct Damaged {
  std::string name;
  std::string text;
  bool writesNothing = false;  // readable, but nothing in it can be written
};

std::vector<Damaged> Corpus(const std::vector<std::string>& goodFiles) {
  std::vector<Damaged> out;
  for (std::size_t f = 0; f < goodFiles.size(); ++f) {
    const std::string& text = goodFiles[f];
    for (int cut = 1; cut <= 10; ++cut) {
      out.push_back({"truncated " + std::to_string(f) + "/" + std::to_string(cut),
                     text.substr(0, text.size() * cut / 11)});
    }
  }
  const std::string& full = goodFiles.front();
  const auto mutate = [&](const std::string& name, const char* key, int n,
                          const std::function<void(rapidjson::Value&, rapidjson::Document&)>& fn) {
    rapidjson::Document doc;
    doc.Parse(full.c_str());
    int left = n;
    if (!MutateMember(doc, key, left, [&](rapidjson::Value& v) { fn(v, doc); })) {
      ADD_FAILURE() << "no member " << key << " #" << n << " for " << name;
    }
    out.push_back({name, Serialize(doc)});
  };
  const auto setInt = [](int v) {
    return [v](rapidjson::Value& x, rapidjson::Document&) { x.SetInt(v); };
  };
  const auto setText = [](const char* t) {
    return [t](rapidjson::Value& x, rapidjson::Document& d) { x.SetString(t, d.GetAllocator()); };
  };
  const auto setArray = [](rapidjson::Value& x, rapidjson::Document&) { x.SetArray(); };
  const auto setObject = [](rapidjson::Value& x, rapidjson::Document&) { x.SetObject(); };
  const auto setBool = [](rapidjson::Value& x, rapidjson::Document&) { x.SetBool(true); };
  mutate("name as number", "name", 3, setInt(12345));
  mutate("price as text", "p1", 5, setText("12,50"));
  mutate("qtty as array", "qtty", 0, setArray);
  mutate("guid as number", "guid", 8, setInt(5));
  mutate("prices as object", "prices", 2, setObject);
  mutate("docgoods as text", "docgoods", 0, setText("none"));
  mutate("goods as object", "goods", 0, setObject);
  mutate("code as boolean", "code", 1, setBool);
  mutate("vat as text", "vat", 0, setText("20"));
  mutate("date as number", "date", 0, setInt(20240105));
  mutate("type out of range", "type", 0,
         [](rapidjson::Value& x, rapidjson::Document&) { x.SetDouble(1e30); });
  mutate("fractional state", "state", 0,
         [](rapidjson::Value& x, rapidjson::Document&) { x.SetDouble(0.5); });
  mutate("guid not hex", "guid", 2, setText("ZZZZZZZZ-ZZZZ-ZZZZ-ZZZZ-ZZZZZZZZZZZZ"));
  mutate("group not text", "group", 0, setObject);
  mutate("rights element not object", "rights", 0,
         [](rapidjson::Value& x, rapidjson::Document& d) { x.PushBack(7, d.GetAllocator()); });
  mutate("children not array", "children", 0, setText("x"));
  for (const char* ref : {"store", "entity", "partner", "user", "contract", "storeto"}) {
    mutate(std::string("unknown ") + ref, "docgoods", 0,
           [ref](rapidjson::Value&, rapidjson::Document& d) {
             SetDocHeader(d, ref, rapidjson::Value("B0000000-0000-0000-0000-000000000009"));
           });
  }
  const std::string big(2u << 20, 'x');
  mutate("huge name", "name", 4, [&](rapidjson::Value& x, rapidjson::Document& d) {
    x.SetString(big.c_str(), static_cast<rapidjson::SizeType>(big.size()), d.GetAllocator());
  });
  mutate("huge desc of a document", "docgoods", 0, [&](rapidjson::Value&, rapidjson::Document& d) {
    rapidjson::Value v(big.c_str(), static_cast<rapidjson::SizeType>(big.size()), d.GetAllocator());
    SetDocHeader(d, "desc", std::move(v));
  });
  mutate("deep group tree", "goodsgroups", 0, [](rapidjson::Value& x, rapidjson::Document& d) {
    rapidjson::Value* level = &x;
    for (int i = 0; i < 300; ++i) {
      rapidjson::Value node(rapidjson::kObjectType);
      node.AddMember("guid", rapidjson::Value(G(5000 + i).c_str(), d.GetAllocator()),
                     d.GetAllocator());
      node.AddMember("name", "deep", d.GetAllocator());
      node.AddMember("children", rapidjson::Value(rapidjson::kArrayType), d.GetAllocator());
      level->PushBack(node, d.GetAllocator());
      level = &(*level)[level->Size() - 1]["children"];
    }
  });
  std::string deepValue = full;
  deepValue.insert(deepValue.find("\"Good 1\""),
                   std::string(100000, '[') + "1" + std::string(100000, ']') + ",\"x\":");
  out.push_back({"deeply nested value", deepValue});
  out.push_back({"deeply nested root", std::string(200000, '[') + std::string(200000, ']'), true});
  const auto inject = [&](const std::string& name, const std::string& bytes) {
    std::string t = full;
    t.insert(t.find("Good 2") + 4, bytes);
    out.push_back({name, t});
  };
  inject("invalid UTF-8 byte", "\xC3\x28");
  inject("stray 0xFF", "\xFF");
  inject("overlong encoding", "\xC0\x80");
  inject("surrogate in UTF-8", "\xED\xA0\x80");
  out.push_back({"truncated multibyte at end", full.substr(0, full.size() - 2) + "\xE2\x82"});
  out.push_back({"trailing garbage", full + " {}"});
  out.push_back({"empty file", ""});
  out.push_back({"binary", std::string("\x00\x01\x02\x03\x7F", 5)});
  out.push_back({"bare string", "\"goods\"", true});
  rapidjson::Document nulls;
  nulls.Parse(full.c_str());
  NullEverything(nulls, false);
  out.push_back({"nulls for every value", Serialize(nulls), true});
  nulls.Parse(full.c_str());
  NullEverything(nulls, true);
  out.push_back({"nulls for every member", Serialize(nulls), true});
  return out;
}

const std::vector<TLoadStep> kAll = FileLoadSteps(true, true, true, true);

TEST_F(LoaderTest, EveryDamagedFileLeavesTheBaseAsItWas) {
  const std::string full = "{" + Catalogs() + "," + Goods(0, 30) + "," + Docs() + "}";
  const std::string goodsOnly = "{" + Goods(0, 30) + "}";
  // The base already holds what the files send, in an older state.
  const tir::test::TempFile path = tir::test::TempText("{" + Catalogs() + "," + Goods(5, 10) + "}");
  ASSERT_EQ(RunAtomicLoad(loader, base.conn(), path, kAll, false, {}).result, TLoadResult::kDone);
  const std::string before = BaseDump(base.conn());

  const std::vector<Damaged> corpus = Corpus({full, goodsOnly});
  ASSERT_GE(corpus.size(), 50u);
  for (const Damaged& d : corpus) {
    const tir::test::TempFile file = tir::test::TempText(d.text);
    const TLoadOutcome out = RunAtomicLoad(loader, base.conn(), file, kAll, false, {});
    EXPECT_EQ(BaseDump(base.conn()), before) << d.name;
    if (d.writesNothing) continue;
    EXPECT_NE(out.result, TLoadResult::kDone) << d.name;
    EXPECT_GT(out.message.size(), 20u) << d.name << ": " << out.message;
  }
  // The intact file still loads.
  const tir::test::TempFile file = tir::test::TempText(full);
  EXPECT_EQ(RunAtomicLoad(loader, base.conn(), file, kAll, false, {}).result, TLoadResult::kDone);
  EXPECT_NE(BaseDump(base.conn()), before);
}

TEST_F(LoaderTest, DryRunReportsAndChangesNothing) {
  const tir::test::TempFile file =
      tir::test::TempText("{" + Catalogs() + "," + Goods(0, 20) + "," + Docs() + "}");
  const std::string before = BaseDump(base.conn());
  TLoadOutcome out = RunAtomicLoad(loader, base.conn(), file, kAll, true, {});
  EXPECT_EQ(out.result, TLoadResult::kRolledBack);
  EXPECT_EQ(BaseDump(base.conn()), before);
  EXPECT_EQ(out.report.kinds.size(),
            7u);  // entities, stores, users, partners, contracts, goods, docs
  ASSERT_EQ(RunAtomicLoad(loader, base.conn(), file, kAll, false, {}).result, TLoadResult::kDone);
  out = RunAtomicLoad(loader, base.conn(), file, kAll, true, {});
  for (const auto& [kind, c] : out.report.kinds) {
    EXPECT_EQ(c.inserted + c.updated + c.refused, 0) << kind;
    EXPECT_GT(c.identical, 0) << kind;
  }
}

TEST_F(LoaderTest, LoadKilledHalfwayLeavesTheBaseAndTheRerunMatchesACleanRun) {
  const tir::test::TempFile file =
      tir::test::TempText("{" + Catalogs() + "," + Goods(0, 400) + "}");
  const std::string before = BaseDump(base.conn());
  base.Close();
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The goods are written; the child reports it and waits for the kill before committing.
    auto conn = db::SqliteConnection::Open(base.path());
    TDMJsonLoader l;
    l.SetConnection(conn.get());
    l.mGoodsPauseMs = 0;
    std::vector<TLoadStep> steps = FileLoadSteps(true, true, true, false);
    steps.emplace_back("wait", [&](TDMJsonLoader&) {
      const char done = 1;
      if (write(fds[1], &done, 1) != 1) _exit(3);
      pause();
    });
    RunAtomicLoad(l, *conn, file, steps, false, {});
    _exit(2);
  }
  char done = 0;
  ASSERT_EQ(read(fds[0], &done, 1), 1);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(fds[0]);
  close(fds[1]);
  EXPECT_TRUE(WIFSIGNALED(status));
  base.Reopen();
  loader.SetConnection(&base.conn());
  EXPECT_EQ(BaseDump(base.conn()), before);

  const std::vector<TLoadStep> steps = FileLoadSteps(true, true, true, false);
  ASSERT_EQ(RunAtomicLoad(loader, base.conn(), file, steps, false, {}).result, TLoadResult::kDone);
  tir::test::TempBase clean;
  TDMJsonLoader cleanLoader;
  cleanLoader.SetConnection(&clean.conn());
  ASSERT_EQ(RunAtomicLoad(cleanLoader, clean.conn(), file, steps, false, {}).result,
            TLoadResult::kDone);
  EXPECT_EQ(BaseDump(base.conn()), BaseDump(clean.conn()));
}

}  // namespace
}  // namespace tir::import::test
