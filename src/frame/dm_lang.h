#pragma once

// The language module: two languages (1 = "RU", 2 = "UA"), the module's texts by key and the
// captions of the standard dialogs. Windows subscribe to language switches to re-translate.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "frame/packets_main.h"

namespace tir::frame {

constexpr std::int32_t kLangRu = 1;
constexpr std::int32_t kLangUa = 2;

class TDMLang {
 public:
  static constexpr std::int32_t kLanguageCount = 2;
  using LanguageListener = std::function<void(std::int32_t language)>;

  TDMLang() = default;  // active language 1

  std::int32_t ActiveLang() const { return active_; }
  // Switches the language unless aLang <= 0, aLang > 2 or aLang is already active; then every
  // listener is told.
  void SetAvtiveLang(std::int32_t aLang);

  // The host's top-level menu records of the active language (the _ua table for language 2).
  const TU3MenuParams& GetMenuOperations() const;
  const TU3MenuParams& GetMenuSpravochnik() const;
  const TU3MenuParams& GetMenuReports() const;
  const TU3MenuParams& GetMenuService() const;

  // A text by key ("IDS_0".."IDS_7") in the active language; the key's default (Russian) text when
  // the active language has none; null for an unknown key. The text stays valid for the process.
  PWideChar TextW(std::string_view key) const;
  std::string Text(std::string_view key) const;  // UTF-8; empty for an unknown key
  // A standard dialog caption by its English name ("Warning", "Error", "Information", "Confirm",
  // "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "No To All", "Yes To All",
  // "Help") in the active language; the name itself when unknown.
  std::string DialogCaption(std::string_view name) const;

  int AddLanguageListener(LanguageListener listener);
  void RemoveLanguageListener(int id);

 private:
  std::int32_t active_ = kLangRu;
  std::map<int, LanguageListener> listeners_;
  int nextListener_ = 1;
};

// Texts of `language` without a language module (language 1 for anything but 2).
PWideChar LangTextW(std::int32_t language, std::string_view key);
// The text of a key in DMLang's language, or in language 1 while DMLang does not exist.
std::string LangText(std::string_view key);
PWideChar CurrentLangTextW(std::string_view key);
std::int32_t CurrentLang();

}  // namespace tir::frame
