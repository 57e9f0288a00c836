// tirhost: the desktop substitute host. Opens a base, signs a user in and runs the module in an
// MDI main window.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "host/desktop/desktop_session.h"
#include "host/desktop/main_window.h"
#include "host/kit/tir_host_paths.h"
#include "host/version/version_text.h"

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
  char found[4096];  // the installed tree's library folder, the build tree
  if (TirHostFindLibrary(kModuleFile, found, sizeof(found)) > 0) return QString::fromUtf8(found);
  return kModuleFile;  // left to the dynamic loader's search path
}

// The command line: the base, the module, the language and the user to sign in.
struct CommandLine {
  QCommandLineParser parser;
  QCommandLineOption module{
      "module",
      "Path of libTirDataExchange.so (default: $TIRDEX_MODULE, beside tirhost, or the "
      "build tree).",
      "path"};
  QCommandLineOption lang{"lang", "Language at start: 1 Russian, 2 Ukrainian.", "1|2", "1"};
  QCommandLineOption user{
      "user", "Sign this user in (tirUsers.fCode) instead of asking; needs BASE.", "code"};

  CommandLine() {
    parser.setApplicationDescription(
        "The desktop host of the TirDataExchange module: opens a back-office base, signs a user "
        "in (Service > Change user) and offers the module's windows under Service > Data "
        "exchange. A base without users offers to create the first one. Needs a display (an X "
        "or Wayland session, or xvfb-run).");
    parser.addHelpOption();
    parser.addOption(
        QCommandLineOption("version", "Show the version, the commit and the libraries."));
    parser.addPositionalArgument(
        "BASE", "Base to open at start (optional): an SQLite file, or odbc:CONNECTION-STRING.",
        "[BASE]");
    parser.addOption(module);
    parser.addOption(user);
    parser.addOption(lang);
  }
};

bool AsksForHelp(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all") return true;
  }
  return false;
}

// Whether Qt has a screen to show windows on: a platform chosen explicitly, or an X or Wayland
// display. Without one QApplication would abort.
bool HasDisplay() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // --version needs no display: answered before the application starts.
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--version") {
      std::cout << tir::version::VersionText("tirhost", qVersion());
      return 0;
    }
  }
  if (AsksForHelp(argc, argv)) {
    QCoreApplication app(argc, argv);  // help needs no display
    QCoreApplication::setApplicationName("tirhost");
    CommandLine help;
    help.parser.process(app);
    help.parser.showHelp(0);
  }
  if (!HasDisplay()) {
    std::cerr << "tirhost: a display is needed: run it in a desktop session (DISPLAY or "
                 "WAYLAND_DISPLAY set) or under xvfb-run\n";
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("tirhost");
  CommandLine line;
  QCommandLineParser& parser = line.parser;
  const QCommandLineOption& moduleOption = line.module;
  const QCommandLineOption& langOption = line.lang;
  const QCommandLineOption& userOption = line.user;
  if (!parser.parse(QCoreApplication::arguments())) {
    std::cerr << "tirhost: " << parser.errorText().toStdString() << "\n";
    return 2;
  }
  const QStringList bases = parser.positionalArguments();
  const QString lang = parser.value(langOption);
  const std::string userCode = parser.value(userOption).toStdString();
  if (bases.size() > 1 || (lang != "1" && lang != "2") || (!userCode.empty() && bases.empty())) {
    std::cerr << "tirhost: usage: tirhost [--module PATH] [--lang 1|2] [BASE [--user CODE]]\n";
    return 2;
  }

  tir::desktop::DesktopSession session(FindModule(parser.value(moduleOption)).toStdString());
  session.SetLanguage(lang.toInt());
  std::string error;
  if (!bases.isEmpty() && !session.OpenBase(bases.front().toStdString(), error)) {
    std::cerr << "tirhost: " << error << "\n";
    return 1;
  }
  const tir::desktop::UserEntry* user = nullptr;
  std::vector<tir::desktop::UserEntry> users;
  if (!userCode.empty()) {
    try {
      users = session.Users();
    } catch (const std::exception& e) {
      std::cerr << "tirhost: " << e.what() << "\n";
      return 1;
    }
    for (const tir::desktop::UserEntry& entry : users) {
      if (entry.code == userCode) user = &entry;
    }
    if (user == nullptr) {
      std::cerr << "tirhost: no user \"" << userCode << "\" in the base\n";
      return 1;
    }
  }
  tir::desktop::MainWindow window(session);
  window.show();
  // The dialogs come once the window is up: the base, then who signs in.
  QTimer::singleShot(0, &window, [&window, &session, user] {
    if (!session.HasBase()) {
      window.ChooseBase();
    } else if (user != nullptr) {
      window.SignIn(*user);
    } else {
      window.ChooseUser();
    }
  });
  return QApplication::exec();
}
