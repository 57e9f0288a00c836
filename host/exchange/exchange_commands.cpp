#include "host/exchange/exchange_commands.h"

#include <rapidjson/filereadstream.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <functional>
#include <string_view>

#include "db/date_time.h"
#include "export/dn_json_builder.h"
#include "settings/date_forms.h"

namespace tir::exchange {
namespace {

using exporting::TDNJSonBuilder;
using exporting::TReqParams;
using Setter = void (*)(TDNJSonBuilder&, const TReqParams&);

struct ExportWord {
  const char* word;
  Setter apply;
};

// A period bound of "getdocsperiod": the compact date text, 0 (no bound) when empty or damaged.
double PeriodBound(const std::string& text) { return text.empty() ? 0.0 : gDateFromJSON(text); }

const ExportWord kExportWords[] = {
    {"getgoodsfull", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddGoodsFull(); }},
    {"getgoodsindocs",
     [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddGoodsAddOnlyInDocFullInfo(); }},
    {"getgoodsset1", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddGoodsSet1(); }},
    {"getgoodsset2allprice",
     [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddGoodsSet1AllPrice(); }},
    {"getgoodsonlyqtty", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddGoodsSetOnlyQtty(); }},
    {"getgoodsbarcodes", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddGoodsBarcodes01(); }},
    {"getgoodinfoandphoto1",
     [](TDNJSonBuilder& b, const TReqParams&) { b.SetCmdGetGoodInfoAndPhoto1(); }},
    {"getpartners", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddPartners(""); }},
    {"getcontractsandpartners",
     [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddPartnersAndContract(""); }},
    {"getallcatalogs", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddAllCatalogs(); }},
    {"getcookorders", [](TDNJSonBuilder& b, const TReqParams&) { b.SetGetOrdersCookMonitors(); }},
    {"getdocstirformat001", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddSomeLastDocs(); }},
    {"getdocsfromrowid", [](TDNJSonBuilder& b, const TReqParams&) { b.SetAddDocsFromLastRowID(); }},
    {"getdocsperiod",
     [](TDNJSonBuilder& b, const TReqParams& r) {
       b.SetAddDocsPeriod(PeriodBound(r.docsListDateFrom), PeriodBound(r.docsListDateTo));
     }},
};

struct ImportWord {
  const char* word;
  TRequestKind kind;
};

const ImportWord kImportWords[] = {
    {"docstirformat001", TRequestKind::kImportDocs},
    {"mobileagentorders", TRequestKind::kImportMobileOrders},
    {"cookstatus", TRequestKind::kCookStatus},
    {"ack", TRequestKind::kAck},
};

const ExportWord* FindExportWord(std::string_view word) {
  for (const ExportWord& w : kExportWords) {
    if (word == w.word) return &w;
  }
  return nullptr;
}

const ImportWord* FindImportWord(std::string_view word) {
  for (const ImportWord& w : kImportWords) {
    if (word == w.word) return &w;
  }
  return nullptr;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// Counts the elements of every top-level array of a JSON text, in text order.
struct SectionCounter : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, SectionCounter> {
  TSectionCounts counts;
  std::string key;
  int depth = 0;
  bool inTopArray = false;

  bool Default() {
    if (depth == 2 && inTopArray) ++counts.back().second;
    return true;
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    if (depth == 1) key.assign(text, length);
    return true;
  }
  bool StartObject() {
    Default();
    ++depth;
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    --depth;
    return true;
  }
  bool StartArray() {
    Default();
    if (depth == 1) {
      counts.emplace_back(key, 0);
      inTopArray = true;
    }
    ++depth;
    return true;
  }
  bool EndArray(rapidjson::SizeType) {
    --depth;
    if (depth == 1) inTopArray = false;
    return true;
  }
};

// Finds a text member of the top-level "request" object and stops at that object's end.
struct RequestMemberFinder : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, RequestMemberFinder> {
  std::string_view name;
  std::string value;
  std::string key;
  int depth = 0;
  bool inRequest = false;

  bool Default() { return true; }
  bool String(const char* text, rapidjson::SizeType length, bool) {
    if (inRequest && depth == 2 && key == name) value.assign(text, length);
    return true;
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    key.assign(text, length);
    return true;
  }
  bool StartObject() {
    ++depth;
    if (depth == 2 && key == "request") inRequest = true;
    key.clear();
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    --depth;
    return !(inRequest && depth == 1);  // the rest of the body is not read
  }
  bool StartArray() {
    ++depth;
    key.clear();
    return true;
  }
  bool EndArray(rapidjson::SizeType) {
    --depth;
    return true;
  }
};

}  // namespace

std::string RequestMember(const std::string& pBody, std::string_view pName) {
  RequestMemberFinder finder;
  finder.name = pName;
  rapidjson::StringStream stream(pBody.c_str());
  rapidjson::Reader reader;
  reader.Parse<rapidjson::kParseIterativeFlag>(stream, finder);
  return finder.value;
}

TCommandPlan ParseCommandWords(const std::string& pCmd) {
  TCommandPlan plan;
  std::size_t start = 0;
  while (start <= pCmd.size()) {
    const std::size_t comma = std::min(pCmd.find(',', start), pCmd.size());
    std::string word = Trim(std::string_view(pCmd).substr(start, comma - start));
    start = comma + 1;
    if (word.empty()) continue;
    plan.words.push_back(word);
  }
  if (plan.words.empty()) {
    plan.error = "malformed request: \"request\" has no \"cmd\"";
    return plan;
  }
  for (const std::string& word : plan.words) {
    if (const ImportWord* w = FindImportWord(word)) {
      if (plan.words.size() != 1) {
        plan.error = "command \"" + word + "\" cannot be combined with other commands";
        return plan;
      }
      plan.kind = w->kind;
    } else if (FindExportWord(word) == nullptr) {
      plan.error = "unknown command \"" + word + "\"";
      return plan;
    }
  }
  return plan;
}

void ApplyExportWords(const TCommandPlan& pPlan, const exporting::TReqParams& pRequest,
                      exporting::TDNJSonBuilder& pBuilder) {
  for (const std::string& word : pPlan.words) {
    if (const ExportWord* w = FindExportWord(word)) w->apply(pBuilder, pRequest);
  }
}

std::string InfoAnswer(int pError, const std::string& pText, const std::string& pSourceID) {
  rapidjson::StringBuffer out;
  rapidjson::Writer<rapidjson::StringBuffer> w(out);
  const std::string date = TDNJSonBuilder::DateToJSON(db::NowDateTime());
  w.StartObject();
  w.Key("info");
  w.StartObject();
  w.Key("ver");
  w.Int(1);
  w.Key("sourceID");
  w.String(pSourceID.c_str());
  w.Key("error");
  w.Int(pError);
  w.Key("errorTxt");
  w.String(pText.c_str(), static_cast<rapidjson::SizeType>(pText.size()));
  w.Key("dateCreate");
  w.String(date.c_str());
  w.EndObject();
  w.EndObject();
  return out.GetString();
}

std::int64_t CountAnswerRows(const std::string& pText) {
  SectionCounter counter;
  rapidjson::MemoryStream stream(pText.data(), pText.size());
  rapidjson::Reader reader;
  reader.Parse<rapidjson::kParseIterativeFlag>(stream, counter);
  std::int64_t rows = 0;
  for (const auto& section : counter.counts) rows += section.second;
  return rows;
}

TSectionCounts CountFileSections(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return {};
  char buffer[65536];
  rapidjson::FileReadStream stream(in, buffer, sizeof buffer);
  SectionCounter counter;
  rapidjson::Reader reader;
  reader.Parse<rapidjson::kParseIterativeFlag>(stream, counter);
  std::fclose(in);
  return counter.counts;
}

}  // namespace tir::exchange
