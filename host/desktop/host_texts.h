// The desktop host's own texts in its two languages (1 Russian, 2 Ukrainian).
#pragma once

#include <QString>
#include <cstdint>

namespace tir::desktop {

enum class HostText : std::uint8_t {
  kOpenBase,
  kSignIn,
  kLanguage,
  kRussian,
  kUkrainian,
  kExit,
  kSignInTitle,
  kCode,
  kUser,
  kType,
  kBaseTitle,
  kSqliteFile,
  kBrowse,
  kConnectionString,
  kConnectionStringHint,
  kGroupsTitle,
  kBase,
  kNoBase,
  kNoUser,
  kCatalogChanged,
  kSettlementsChanged,
  kLog,
  kWindows,
  kError,
  kNoUsers,
  kFirstUserTitle,
  kFirstUserIntro,
  kName,
  kPassword,
  kPasswordAgain,
  kNeedCode,
  kPasswordsDiffer,
  kPasswordTitle,
  kPasswordPrompt,
  kWrongPassword,
  kStatusUser,
  kCannotConnect,
  kNoBaseFile,
  kCannotOpenBase,
  kUserRefused,
};

// Installs Qt's own translations (standard buttons, file dialogs) for `language`.
void InstallQtTranslations(std::int32_t language);

// The text in `language`; Russian for any language but 2.
QString Text(HostText key, std::int32_t language);

// A host top-level menu: Documents 20, Catalogs 21, Reports 22, Service 23.
struct HostMenu {
  std::int32_t id;
  std::int32_t order;
};
inline constexpr HostMenu kHostMenus[] = {{20, 2000}, {21, 1000}, {22, 3000}, {23, 4000}};
inline constexpr std::int32_t kServiceMenu = 23;

// The caption of a host top-level menu in `language`.
QString MenuCaption(std::int32_t menuId, std::int32_t language);

}  // namespace tir::desktop
