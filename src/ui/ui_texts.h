#pragma once

// Texts of the windows in the language module's active language. A window names each text by its
// Russian (default) form; the Ukrainian form comes from the table of ui_texts.cpp. Texts the
// windows show in Ukrainian in both languages are kept as they are.

#include <QString>
#include <cstdint>

namespace tir::ui {

QString Tr(const char* aRussian);
// The same text in `aLanguage` (1 Russian, 2 Ukrainian).
QString Tr(const char* aRussian, std::int32_t aLanguage);

}  // namespace tir::ui
