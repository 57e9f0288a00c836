#pragma once

// The module's process-wide state: one set per loaded module. All of it is used on the host's
// user-interface thread only.

#include <cstdint>

#include "frame/packets_main.h"

namespace tir::db {
class Connection;
}

namespace tir::frame {

class TDMLang;

extern TDllInfo dllInfo;            // filled by u0, returned by u2
extern std::int32_t hsCount;        // number of u1 calls since u0
extern bool hsOK;                   // handshake completed
extern std::int32_t hsOldOutParam;  // last challenge issued by u1

// The host's application parameters (u60). The module keeps its own copies of the strings.
extern TU6MenuParams gAppParams;
// The host's services (u7): window bar, connection, callbacks (any callback may be null).
extern TU7MenuParams gAppPackParams;
// The signed-in user's rights mask: -1 = no stored mask (decide by user type), 0 = no rights.
extern std::int32_t gDllUserRights;
// The language module; exists between messages -160 and -170.
extern TDMLang* DMLang;
// Host version number from u60.
extern std::int32_t cgiVersion;

// The host's connection (gAppPackParams.fFDConnect); raises tir::db::DbError when the host has
// not passed one.
tir::db::Connection& HostConnection();
bool HasHostConnection();

// Text of gAppParams string fields in UTF-8 (user name, store and entity id lists, formats).
std::string AppParamText(WideString TU6MenuParams::*field);

// Stores a copy of the host's record as gAppParams (deep-copies the strings, frees the old ones).
void StoreAppParams(const TU6MenuParams& params);
// Back to the initial state (zeroes, strings freed); for a module reload and for tests.
void ResetAppGlobals();

}  // namespace tir::frame
