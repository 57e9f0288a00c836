#include "tests/ui/english_words.h"

#include <QRegularExpression>

namespace tir::test {

QStringList EnglishWords(const QString& text) {
  static const QStringList kNames = {"JSON", "URL", "ID",     "GUID", "SQLite",
                                     "MS",   "SQL", "Server", "OK"};
  static const QRegularExpression kGuid("^\\{?[0-9A-Fa-f]{8}(-[0-9A-Fa-f]{4}){3}-[0-9A-Fa-f]{12}");
  static const QRegularExpression kQuoted("«[^»]*»");
  static const QRegularExpression kPosition("[/\\\\.@:=*\\[]");
  static const QRegularExpression kSchemaName("^(tir|f)[A-Z][A-Za-z0-9]*$");
  QString plain = text;
  plain.replace(kQuoted, "«»");
  QStringList words;
  for (const QString& token : plain.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
    if (token.contains(kPosition) || kGuid.match(token).hasMatch()) continue;
    QRegularExpressionMatchIterator it = QRegularExpression("[A-Za-z]{2,}").globalMatch(token);
    while (it.hasNext()) {
      const QString word = it.next().captured();
      if (!kNames.contains(word) && !kSchemaName.match(word).hasMatch()) words << word;
    }
  }
  return words;
}

}  // namespace tir::test
