#include "frame/dm_lang.h"

#include "db/unicode_case.h"
#include "frame/app_globals.h"
#include "frame/global_menu.h"

namespace tir::frame {

namespace {

struct TextRow {
  std::string_view key;
  PWideChar ru;
  PWideChar ua;
};

constexpr TextRow kTexts[] = {
    {"IDS_0", u"Универсальный обмен данными", u"Універсальний обім даними"},
    {"IDS_1", u"Обмен с интернет-магазином", u"Обмін з інтернет-магазином"},
    {"IDS_2", u"Загрузка данных с внешнего файла", u"Завантаження даних з зовнішнього файлу"},
    {"IDS_3", u"Обмен данными (", u"Обмін даними ("},
    {"IDS_4", u"Универсальный обмен", u"Універсальний обмін"},
    {"IDS_5", u"С интернет-магазином", u"З інтернет магазином"},
    {"IDS_6", u"Загрузка данных с файла", u"Завантаження даних з файла"},
    {"IDS_7", u"Обмен данными", u"Обмін даними"},
};

struct CaptionRow {
  std::string_view name;
  const char* ru;
  const char* ua;
};

constexpr CaptionRow kDialogCaptions[] = {
    {"Warning", "Внимание", "Увага"},
    {"Error", "Ошибка", "Помилка"},
    {"Information", "Информация", "Інформація"},
    {"Confirm", "Подтверждение", "Підтвердження"},
    {"Yes", "Да", "Так"},
    {"No", "Нет", "Ні"},
    {"OK", "OK", "OK"},
    {"Cancel", "Отмена", "Скасувати"},
    {"Abort", "Остановить", "Зупинити"},
    {"Retry", "Повторить", "Повторити"},
    {"Ignore", "Игнорировать", "Ігнорувати"},
    {"All", "Все", "Всі"},
    {"No To All", "Нет для всех", "Ні для всіх"},
    {"Yes To All", "Да для всех", "Так для всіх"},
    {"Help", "Помощь", "Допомога"},
};

}  // namespace

PWideChar LangTextW(std::int32_t language, std::string_view key) {
  for (const auto& row : kTexts) {
    if (row.key != key) continue;
    if (language == kLangUa && row.ua != nullptr) return row.ua;
    return row.ru;
  }
  return nullptr;
}

void TDMLang::SetAvtiveLang(std::int32_t aLang) {
  if (aLang <= 0 || aLang > kLanguageCount || aLang == active_) return;
  active_ = aLang;
  // Copy first: a listener may unsubscribe while being told.
  const auto listeners = listeners_;
  for (const auto& [id, listener] : listeners) listener(active_);
}

const TU3MenuParams& TDMLang::GetMenuOperations() const {
  return active_ == kLangUa ? gMenuOperations_ua : gMenuOperations;
}
const TU3MenuParams& TDMLang::GetMenuSpravochnik() const {
  return active_ == kLangUa ? gMenuSpravochnik_ua : gMenuSpravochnik;
}
const TU3MenuParams& TDMLang::GetMenuReports() const {
  return active_ == kLangUa ? gMenuReports_ua : gMenuReports;
}
const TU3MenuParams& TDMLang::GetMenuService() const {
  return active_ == kLangUa ? gMenuService_ua : gMenuService;
}

PWideChar TDMLang::TextW(std::string_view key) const { return LangTextW(active_, key); }

std::string TDMLang::Text(std::string_view key) const {
  PWideChar text = TextW(key);
  return text == nullptr ? std::string() : db::Utf16ToUtf8(text);
}

std::string TDMLang::DialogCaption(std::string_view name) const {
  for (const auto& row : kDialogCaptions) {
    if (row.name == name) return active_ == kLangUa ? row.ua : row.ru;
  }
  return std::string(name);
}

int TDMLang::AddLanguageListener(LanguageListener listener) {
  const int id = nextListener_++;
  listeners_[id] = std::move(listener);
  return id;
}

void TDMLang::RemoveLanguageListener(int id) { listeners_.erase(id); }

std::int32_t CurrentLang() { return DMLang != nullptr ? DMLang->ActiveLang() : kLangRu; }

PWideChar CurrentLangTextW(std::string_view key) { return LangTextW(CurrentLang(), key); }

std::string LangText(std::string_view key) {
  PWideChar text = CurrentLangTextW(key);
  return text == nullptr ? std::string() : db::Utf16ToUtf8(text);
}

}  // namespace tir::frame
