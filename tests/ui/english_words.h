#pragma once

#include <QString>
#include <QStringList>

namespace tir::test {

// The words of `text` that read as English: Latin words of two letters or more, once names are
// taken out: paths, links, file names and positions in a file (tokens with / \ . @ : = * or [),
// GUIDs, names quoted «so», table and column names (tirGoods, fPartnerId) and the names JSON,
// URL, ID, GUID, SQLite, MS, SQL, Server and OK.
QStringList EnglishWords(const QString& text);

}  // namespace tir::test
