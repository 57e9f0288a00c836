#include "host/exchange/exchange_status_page.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>

namespace tir::exchange {
namespace {

using TJsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void TimeMember(TJsonWriter& w, const char* key, const std::optional<double>& at) {
  w.Key(key);
  if (at)
    w.String(StatusTime(at).c_str());
  else
    w.Null();
}

std::string Cell(const std::string& text, const char* cls = nullptr) {
  std::string cell = cls != nullptr ? std::string("<td class=\"") + cls + "\">" : "<td>";
  return cell + HtmlEscape(text) + "</td>";
}

std::string Count(std::int64_t n, const char* what) { return std::to_string(n) + " " + what; }

}  // namespace

std::string HtmlEscape(const std::string& pText) {
  std::string out;
  out.reserve(pText.size());
  for (const char c : pText) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string AgeText(const TPeerStatus& pPeer) {
  if (!pPeer.lateHours) return "never";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f h ago", *pPeer.lateHours);
  return text;
}

std::string PeerStatusJson(const std::vector<TPeerStatus>& pPeers, double pLateHours) {
  rapidjson::StringBuffer buffer;
  TJsonWriter w(buffer);
  w.StartObject();
  w.Key("lateHours");
  w.Double(pLateHours);
  w.Key("peers");
  w.StartArray();
  for (const TPeerStatus& p : pPeers) {
    w.StartObject();
    w.Key("name");
    w.String(p.name.c_str());
    w.Key("active");
    w.Bool(p.active);
    w.Key("scope");
    w.String(p.scope.c_str());
    w.Key("late");
    w.Bool(p.late);
    w.Key("hoursSinceSync");
    if (p.lateHours)
      w.Double(*p.lateHours);
    else
      w.Null();
    TimeMember(w, "lastPull", p.pullAt);
    w.Key("pullDocs");
    w.Int64(p.pullDocs);
    w.Key("pullRows");
    w.Int64(p.pullRows);
    TimeMember(w, "lastPush", p.pushAt);
    w.Key("pushDocs");
    w.Int64(p.pushDocs);
    w.Key("pendingDocs");
    w.Int64(p.pending);
    w.Key("unackedBatch");
    if (p.batch.empty()) {
      w.Null();
    } else {
      w.StartObject();
      w.Key("id");
      w.String(p.batch.c_str());
      w.Key("docs");
      w.Int64(p.batchDocs);
      TimeMember(w, "created", p.batchAt);
      w.EndObject();
    }
    TimeMember(w, "lastErrorAt", p.errorAt);
    w.Key("lastError");
    if (p.errorAt)
      w.String(p.errorText.c_str());
    else
      w.Null();
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return buffer.GetString();
}

std::string PeerStatusHtml(const std::vector<TPeerStatus>& pPeers, double pLateHours, double pNow) {
  std::size_t late = 0;
  for (const TPeerStatus& p : pPeers) late += p.late ? 1 : 0;
  char limit[32];
  std::snprintf(limit, sizeof limit, "%g", pLateHours);
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"refresh\" content=\"30\"><title>tirdex peers</title><style>"
      "body{font:14px sans-serif;margin:1.5em}table{border-collapse:collapse}"
      "th,td{border:1px solid #bbb;padding:4px 8px;text-align:left;vertical-align:top}"
      "th{background:#eee}tr.late td{background:#fde2e2}td.state{font-weight:bold}"
      "tr.late td.state{color:#a00}td.error{color:#a00}"
      "</style></head><body>\n<h1>Peers of this service</h1>\n<p>" +
      HtmlEscape(std::to_string(pPeers.size()) + " peers, " + std::to_string(late) +
                 " late (no pull or push for more than " + limit + " h); as of " +
                 StatusTime(pNow) + ", refreshed every 30 s.") +
      "</p>\n<table>\n<tr><th>Peer</th><th>State</th><th>Last pull</th><th>Last push</th>"
      "<th>Pending</th><th>Unacknowledged batch</th><th>Last error</th><th>Scope</th></tr>\n";
  for (const TPeerStatus& p : pPeers) {
    const std::string state = std::string(p.late ? "LATE" : "ok") + (p.active ? "" : ", disabled");
    page += p.late ? "<tr class=\"late\">" : "<tr>";
    page += Cell(p.name) + Cell(state + " (" + AgeText(p) + ")", "state");
    page += Cell(p.pullAt ? StatusTime(p.pullAt) + ": " + Count(p.pullDocs, "docs") + ", " +
                                Count(p.pullRows, "rows")
                          : "never");
    page += Cell(p.pushAt ? StatusTime(p.pushAt) + ": " + Count(p.pushDocs, "docs") : "never");
    page += Cell(Count(p.pending, "docs"));
    page += Cell(p.batch.empty() ? "none"
                                 : p.batch + " (" + Count(p.batchDocs, "docs") + ", " +
                                       StatusTime(p.batchAt) + ")");
    page += Cell(p.errorAt ? StatusTime(p.errorAt) + ": " + p.errorText : "none",
                 p.errorAt ? "error" : nullptr);
    page += Cell(p.scope) + "</tr>\n";
  }
  page += "</table>\n</body></html>\n";
  return page;
}

}  // namespace tir::exchange
