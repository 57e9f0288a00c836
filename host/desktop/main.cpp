// tirhost: the desktop substitute host. Opens a base, signs a user in and runs the module in an
// MDI main window.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdlib>
#include <iostream>

#include "host/desktop/desktop_session.h"
#include "host/desktop/main_window.h"

namespace {

constexpr const char* kModuleFile = "libTirDataExchange.so";

// --module, then $TIRDEX_MODULE, then beside tirhost or in the build tree.
QString FindModule(const QString& given) {
  if (!given.isEmpty()) return given;
  const QByteArray env = qgetenv("TIRDEX_MODULE");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  const QDir here(QCoreApplication::applicationDirPath());
  for (const char* folder : {".", "../lib", "../../src/module"}) {
    const QString path = here.filePath(QString(folder) + "/" + kModuleFile);
    if (QFileInfo::exists(path)) return QDir::cleanPath(path);
  }
  return kModuleFile;  // left to the dynamic loader's search path
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tirhost");
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "The desktop host of the TirDataExchange module: opens a back-office base, signs a user "
      "in (Service > Change user) and offers the module's windows under Service > Data exchange.");
  parser.addHelpOption();
  parser.addPositionalArgument("BASE", "SQLite base file to open at start (optional).", "[BASE]");
  const QCommandLineOption moduleOption(
      "module",
      "Path of libTirDataExchange.so (default: $TIRDEX_MODULE, beside tirhost, or the "
      "build tree).",
      "path");
  const QCommandLineOption langOption("lang", "Language at start: 1 Russian, 2 Ukrainian.", "1|2",
                                      "1");
  parser.addOption(moduleOption);
  parser.addOption(langOption);
  if (!parser.parse(QCoreApplication::arguments())) {
    std::cerr << "tirhost: " << parser.errorText().toStdString() << "\n";
    return 2;
  }
  if (parser.isSet("help")) parser.showHelp(0);
  const QStringList bases = parser.positionalArguments();
  const QString lang = parser.value(langOption);
  if (bases.size() > 1 || (lang != "1" && lang != "2")) {
    std::cerr << "tirhost: usage: tirhost [--module PATH] [--lang 1|2] [BASE]\n";
    return 2;
  }

  tir::desktop::DesktopSession session(FindModule(parser.value(moduleOption)).toStdString());
  session.SetLanguage(lang.toInt());
  tir::desktop::MainWindow window(session);
  window.show();
  // The dialogs come once the window is up: the base, then who signs in.
  QTimer::singleShot(0, &window, [&window, bases] {
    if (bases.isEmpty()) {
      window.ChooseBase();
    } else if (window.OpenBase(bases.front())) {
      window.ChooseUser();
    }
  });
  return QApplication::exec();
}
