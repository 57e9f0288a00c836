#pragma once

#include <string>
#include <vector>

#include "host/exchange/exchange_peer_status.h"

namespace tir::exchange {

// Hours after which the service's status page marks a peer late.
constexpr double kStatusLateHours = 24;

// Text made safe inside HTML elements and quoted attributes.
std::string HtmlEscape(const std::string& pText);

// The peers as one JSON object {"lateHours":N,"peers":[...]}, times as "YYYY-MM-DD HH:MM:SS" or
// null. Never holds a token value: profiles are named, not shown.
std::string PeerStatusJson(const std::vector<TPeerStatus>& pPeers, double pLateHours);

// The peers as a self-contained HTML page (one table, no scripts, late peers marked, refreshed
// every 30 seconds), made at pNow.
std::string PeerStatusHtml(const std::vector<TPeerStatus>& pPeers, double pLateHours, double pNow);

// "3.5 h ago", "never".
std::string AgeText(const TPeerStatus& pPeer);

}  // namespace tir::exchange
