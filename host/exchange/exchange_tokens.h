#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/tir_token_one.h"

namespace tir::db {
class Connection;
}

namespace tir::exchange {

// Token profiles live in tirSettings, one row per token under kKeyTokenProfile: fPStr50 the
// token's name (at most 50 characters), fPStr the token's settings string
// (TTirTokenOne::SaveToStr).
constexpr std::size_t kTokenNameMax = 50;

struct TStoredToken {
  std::int64_t fId = 0;
  TTirTokenOne token;
};

// Every token profile of the base, in the order they were stored. Raises db::DbError.
std::vector<TStoredToken> LoadTokens(db::Connection& pConnection);

// Stores the token under its name, replacing a profile of the same name, in one transaction.
// Raises db::DbError.
void SaveToken(db::Connection& pConnection, TTirTokenOne& pToken);

// The profile whose token value is pValue (active or not); none for an empty value.
std::optional<TTirTokenOne> FindToken(db::Connection& pConnection, const std::string& pValue);

// What a peer may do beyond its stored profile, kept beside it (tirxPeers, by profile name).
struct TPeerRights {
  bool users = false;     // users, user groups and rights travel to it
  bool readOnly = false;  // it may write nothing
  bool admin = false;     // it administers the service (status pages) and exchanges no data
};

// The rights of the profile named pName (none when it has no row). Raises db::DbError.
TPeerRights LoadPeerRights(db::Connection& pConnection, const std::string& pName);
void SavePeerRights(db::Connection& pConnection, const std::string& pName,
                    const TPeerRights& pRights);

// The scope of a profile as the exchange service applies it, in words.
std::string ScopeInWords(const TTirTokenOne& pToken, const TPeerRights& pRights);

// A new random token value: 32 hexadecimal digits.
std::string NewTokenValue();

}  // namespace tir::exchange
