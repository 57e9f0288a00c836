// The desktop host's texts: one row per key, Russian then Ukrainian.
#include "host/desktop/host_texts.h"

#include <map>

namespace tir::desktop {
namespace {

struct TextPair {
  const char* ru;
  const char* ua;
};

const std::map<HostText, TextPair>& Texts() {
  static const std::map<HostText, TextPair> texts = {
      {HostText::kOpenBase, {"Открыть базу данных…", "Відкрити базу даних…"}},
      {HostText::kSignIn, {"Сменить пользователя…", "Змінити користувача…"}},
      {HostText::kLanguage, {"Язык", "Мова"}},
      {HostText::kRussian, {"Русский", "Русский"}},
      {HostText::kUkrainian, {"Українська", "Українська"}},
      {HostText::kExit, {"Выход", "Вихід"}},
      {HostText::kSignInTitle, {"Вход в систему", "Вхід до системи"}},
      {HostText::kCode, {"Код", "Код"}},
      {HostText::kUser, {"Пользователь", "Користувач"}},
      {HostText::kType, {"Тип", "Тип"}},
      {HostText::kBaseTitle, {"База данных", "База даних"}},
      {HostText::kSqliteFile, {"Файл SQLite:", "Файл SQLite:"}},
      {HostText::kBrowse, {"Обзор…", "Огляд…"}},
      {HostText::kConnectionString,
       {"Строка подключения MS SQL Server:", "Рядок підключення MS SQL Server:"}},
      {HostText::kConnectionStringHint,
       {"Driver=FreeTDS;Server=…;Database=…;UID=…;PWD=… (пусто: файл SQLite)",
        "Driver=FreeTDS;Server=…;Database=…;UID=…;PWD=… (порожньо: файл SQLite)"}},
      {HostText::kGroupsTitle, {"Группы товаров", "Групи товарів"}},
      {HostText::kBase, {"База: ", "База: "}},
      {HostText::kNoBase, {"База не открыта", "Базу не відкрито"}},
      {HostText::kNoUser, {"Пользователь не выбран", "Користувача не обрано"}},
      {HostText::kCatalogChanged, {"Справочник товаров изменен", "Довідник товарів змінено"}},
      {HostText::kSettlementsChanged, {"Взаиморасчеты изменены", "Взаєморозрахунки змінено"}},
      {HostText::kLog, {"Журнал", "Журнал"}},
      {HostText::kWindows, {"Окна", "Вікна"}},
      {HostText::kError, {"Ошибка", "Помилка"}},
      {HostText::kNoUsers, {"В базе нет пользователей", "У базі немає користувачів"}},
  };
  return texts;
}

}  // namespace

QString Text(HostText key, std::int32_t language) {
  const TextPair& pair = Texts().at(key);
  return QString::fromUtf8(language == 2 ? pair.ua : pair.ru);
}

QString MenuCaption(std::int32_t menuId, std::int32_t language) {
  const bool ua = language == 2;
  switch (menuId) {
    case 20:
      return QString::fromUtf8(ua ? "Документи" : "Документы");
    case 21:
      return QString::fromUtf8(ua ? "Довідники" : "Справочники");
    case 22:
      return QString::fromUtf8(ua ? "Звіти" : "Отчеты");
    default:
      return QString::fromUtf8(ua ? "Сервіс" : "Сервис");
  }
}

}  // namespace tir::desktop
