// The desktop host's texts: one row per key, Russian then Ukrainian.
#include "host/desktop/host_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <map>
#include <memory>

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
      {HostText::kFirstUserTitle, {"Первый пользователь", "Перший користувач"}},
      {HostText::kFirstUserIntro,
       {"В базе нет пользователей. Создайте первого: он получит все права (администратор).",
        "У базі немає користувачів. Створіть першого: він отримає всі права (адміністратор)."}},
      {HostText::kName, {"Имя", "Ім'я"}},
      {HostText::kPassword, {"Пароль", "Пароль"}},
      {HostText::kPasswordAgain, {"Пароль еще раз", "Пароль ще раз"}},
      {HostText::kNeedCode, {"Укажите код пользователя", "Вкажіть код користувача"}},
      {HostText::kPasswordsDiffer, {"Пароли не совпадают", "Паролі не збігаються"}},
      {HostText::kPasswordTitle, {"Пароль пользователя", "Пароль користувача"}},
      {HostText::kPasswordPrompt, {"Пароль пользователя %1:", "Пароль користувача %1:"}},
      {HostText::kWrongPassword, {"Неверный пароль", "Невірний пароль"}},
      {HostText::kStatusUser, {"Пользователь: ", "Користувач: "}},
      {HostText::kCannotConnect,
       {"Не удается подключиться к \"%1\"", "Не вдається підключитися до \"%1\""}},
      {HostText::kNoBaseFile, {"Нет файла базы \"%1\"", "Немає файлу бази \"%1\""}},
      {HostText::kCannotOpenBase,
       {"Не удается открыть базу \"%1\"", "Не вдається відкрити базу \"%1\""}},
      {HostText::kUserRefused, {"Модуль не принял пользователя", "Модуль не прийняв користувача"}},
  };
  return texts;
}

}  // namespace

QString Text(HostText key, std::int32_t language) {
  const TextPair& pair = Texts().at(key);
  return QString::fromUtf8(language == 2 ? pair.ua : pair.ru);
}

void InstallQtTranslations(std::int32_t language) {
  static std::unique_ptr<QTranslator> installed;
  if (installed) QCoreApplication::removeTranslator(installed.get());
  installed = std::make_unique<QTranslator>();
  if (installed->load(language == 2 ? "qtbase_uk" : "qtbase_ru",
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(installed.get());
  }
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
