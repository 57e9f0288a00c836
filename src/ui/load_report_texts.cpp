#include "ui/load_report_texts.h"

#include <utility>

#include "frame/dm_lang.h"
#include "ui/ui_texts.h"

namespace tir::ui {

namespace {

using import::TLoadNoteKind;

struct TNoteWording {
  TLoadNoteKind kind;
  const char* ru;
  const char* ua;
};

// JSON keys are quoted «so», table and column names and positions in the file stay as they are.
constexpr TNoteWording kNotes[] = {
    {TLoadNoteKind::kRefNotFound, "%1 %2: «%3» %4 не найден в %5",
     "%1 %2: «%3» %4 не знайдено в %5"},
    {TLoadNoteKind::kUserRefNotFound, "Пользователи %1: %2 не найден в %3",
     "Користувачі %1: %2 не знайдено в %3"},
    {TLoadNoteKind::kComponentNotFound, "%1: компонент %2 не найден в tirGoods",
     "%1: компонент %2 не знайдено в tirGoods"},
    {TLoadNoteKind::kRecipeGoodsNotFound, "%1: товар %2 не найден в tirGoods",
     "%1: товар %2 не знайдено в tirGoods"},
    {TLoadNoteKind::kGoodsPlaceholder,
     "Документ %1: товар %2 не найден в tirGoods (создан товар-заглушка)",
     "Документ %1: товар %2 не знайдено в tirGoods (створено товар-заглушку)"},
    {TLoadNoteKind::kOrderLineSkipped,
     "Мобильный заказ %1: товар %2 не найден в tirGoods (строка пропущена)",
     "Мобільне замовлення %1: товар %2 не знайдено в tirGoods (рядок пропущено)"},
    {TLoadNoteKind::kCookOneObject,
     "ordercookdoc: ожидался один объект («lid», «orderposindoc», «orderstatus»)",
     "ordercookdoc: очікувався один об'єкт («lid», «orderposindoc», «orderstatus»)"},
    {TLoadNoteKind::kCookNoLine, "ordercookdoc: в документе %1 нет строки %2",
     "ordercookdoc: у документі %1 немає рядка %2"},
    {TLoadNoteKind::kCookNoDocument, "ordercookdoc: документ %1 не найден",
     "ordercookdoc: документ %1 не знайдено"},
    {TLoadNoteKind::kRowWithoutGuid, "%1: нет GUID, строка пропущена",
     "%1: немає GUID, рядок пропущено"},
    {TLoadNoteKind::kNotADate, "%1: %2 не является датой, прочитано как -1",
     "%1: %2 не є датою, прочитано як -1"},
    {TLoadNoteKind::kNotAGuid, "%1: %2 не является GUID, прочитано как пустой",
     "%1: %2 не є GUID, прочитано як порожній"},
    {TLoadNoteKind::kRepeatedGuid,
     "предупреждение: %1.guid повторяет %2 (%3); загружается последний",
     "попередження: %1.guid повторює %2 (%3); завантажується останній"},
    {TLoadNoteKind::kWrongType, "%1: ожидалось %2, а в файле %3",
     "%1: очікувалося %2, а у файлі %3"},
    {TLoadNoteKind::kTextTooLong, "%1: текст длиной %2 байт длиннее допустимых %3",
     "%1: текст довжиною %2 байт довший за допустимі %3"},
    {TLoadNoteKind::kOutOfRange32, "%1: число %2 вне 32-битного диапазона",
     "%1: число %2 поза 32-бітним діапазоном"},
    {TLoadNoteKind::kBadGuid, "%1: «%2» не является GUID", "%1: «%2» не є GUID"},
    {TLoadNoteKind::kArrayExpected, "%1: ожидался массив", "%1: очікувався масив"},
    {TLoadNoteKind::kObjectExpected, "%1: ожидался объект", "%1: очікувався об'єкт"},
};

// The kinds of JSON values a damaged file's note names, as the loader words them in English.
constexpr std::pair<const char*, std::pair<const char*, const char*>> kValueKinds[] = {
    {"a text", {"текст", "текст"}},
    {"a number", {"число", "число"}},
    {"a whole number", {"целое число", "ціле число"}},
    {"an object", {"объект", "об'єкт"}},
    {"an array", {"массив", "масив"}},
    {"a boolean", {"логическое значение", "логічне значення"}},
    {"null", {"пустое значение", "порожнє значення"}},
    {"a value", {"значение", "значення"}},
};

constexpr std::pair<const char*, const char*> kKinds[] = {
    {"goods", "Товары"},
    {"recipes", "Рецепты"},
    {"docs", "Документы"},
    {"partners", "Партнеры"},
    {"contracts", "Договоры"},
    {"stores", "Склады"},
    {"entities", "Организации"},
    {"vats", "Ставки НДС"},
    {"currencies", "Валюты"},
    {"pricenames", "Виды цен"},
    {"uktzed", "Коды УКТ ВЭД"},
    {"salesrules", "Правила продаж"},
    {"salepoints", "Торговые точки"},
    {"itemscost", "Статьи затрат"},
    {"tables", "Столы"},
    {"modifiers", "Модификаторы"},
    {"moneyaccounts", "Денежные счета"},
    {"users", "Пользователи"},
    {"usersgroups", "Группы пользователей"},
    {"mobile orders", "Мобильные заказы"},
    {"cook status", "Состояние приготовления"},
    {"usersgroupsrights", "Права групп пользователей"},
};

// Up to `aMax` lines of `aItems` and the count of those left out.
void AddLines(QString& aText, const std::vector<import::TLoadNote>& aItems, std::size_t aMax,
              std::int32_t aLanguage) {
  for (std::size_t i = 0; i < aItems.size() && i < aMax; ++i) {
    aText += LoadNoteText(aItems[i], aLanguage) + "\n";
  }
  if (aItems.size() > aMax) aText += "... +" + QString::number(aItems.size() - aMax) + "\n";
}

}  // namespace

QString LoadKindName(const std::string& aKind, std::int32_t aLanguage) {
  for (const auto& [kind, name] : kKinds) {
    if (aKind == kind) return Tr(name, aLanguage);
  }
  return QString::fromStdString(aKind);
}

QString LoadNoteText(const import::TLoadNote& aNote, std::int32_t aLanguage) {
  for (const TNoteWording& wording : kNotes) {
    if (wording.kind != aNote.kind) continue;
    std::vector<std::string> args = aNote.args;
    // The first argument of a reference is the section its row belongs to.
    if (aNote.kind == TLoadNoteKind::kRefNotFound && !args.empty()) {
      args[0] = LoadKindName(args[0], aLanguage).toStdString();
    }
    if (aNote.kind == TLoadNoteKind::kWrongType) {
      for (std::size_t i = 1; i < args.size(); ++i) {
        for (const auto& [english, names] : kValueKinds) {
          if (args[i] == english)
            args[i] = aLanguage == frame::kLangUa ? names.second : names.first;
        }
      }
    }
    const char* text = aLanguage == frame::kLangUa ? wording.ua : wording.ru;
    return QString::fromStdString(import::FormatNote(text, args));
  }
  return {};
}

QString LoadReportText(const import::TLoadReport& aReport, std::int32_t aLanguage,
                       std::size_t aMaxNotes, std::size_t aMaxMissing) {
  QString text;
  const auto count = [aLanguage](const char* aWord, std::int64_t aCount) {
    return Tr(aWord, aLanguage) + " " + QString::number(aCount);
  };
  for (const auto& [kind, c] : aReport.kinds) {
    text += LoadKindName(kind, aLanguage) + ": " + count("добавлено", c.inserted) + ", " +
            count("изменено", c.updated) + ", " + count("без изменений", c.identical) + ", " +
            count("отклонено", c.refused) +
            (c.skipped > 0 ? ", " + count("пропущено", c.skipped) : QString()) + "\n";
  }
  AddLines(text, aReport.notes, aMaxNotes, aLanguage);
  AddLines(text, aReport.missing, aMaxMissing, aLanguage);
  return text;
}

}  // namespace tir::ui
