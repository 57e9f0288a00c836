#pragma once

// The module's rights: bit 1 the universal exchange window (600), bit 2 the internet-shop window
// (610), bit 4 the load-from-file window (611).

#include <cstdint>

#include "frame/packets_main.h"

namespace tir::frame {

constexpr std::int32_t kRightUniversal = 1;
constexpr std::int32_t kRightInetShop = 2;
constexpr std::int32_t kRightLoadFile = 4;
constexpr std::int32_t kFullRightsMask = 2147483647;

// Reloads gDllUserRights for gAppParams.fUserID from the host's base. A database error propagates
// (tir::db::DbError) and leaves the mask at 0.
void gDllUpdateUserRights();
// True when every bit of aRight is granted (by the stored mask, or by the user type when there is
// no stored mask: type 1 holds every right, types 2 and 3 none, others nothing).
bool TestRight(std::int32_t aRight);
// Answers message -120: the module's rights for the host's rights editor, one per index.
std::int32_t localGetUsersRights(const TModSearchIn& pIn, TModSearchOut& pOut);
// Reloads everything that depends on the signed-in user (the rights).
void InitAllFunction();

}  // namespace tir::frame
