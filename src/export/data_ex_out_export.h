#pragma once

#include <functional>
#include <string>

namespace tir {
class TDataExOut;
}
namespace tir::db {
class Connection;
}

namespace tir::exporting {

// Told the name of each section before the full export builds it ("goods", "entities", ...).
using SectionProgress = std::function<void(const std::string& section)>;

// The full export of the period [aFrom, aTo] of a universal export profile into its mFilePath:
// every catalog and the documents of the period, filtered by the profile's entity and store
// lists (or the user's lists of the application parameters when they are empty), indented.
// Returns the result of the save. Bad id lists raise std::invalid_argument before the base or
// the file is touched; database errors raise tir::db::DbError and leave the file unwritten.
bool DataExOutSaveFile(db::Connection& aConnection, const TDataExOut& aProfile, double aFrom,
                       double aTo, const SectionProgress& aProgress = {});

// Installs the export side of the profiles (TDataExOut::SaveFile and GetGUIDBase of both profile
// kinds) on the host's connection, and the one-document export of message 888034. The plug-in
// runs this at load; hosts that link the libraries directly call it once.
void InstallExportHooks();

}  // namespace tir::exporting
