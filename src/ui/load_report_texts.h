#pragma once

// A load's report in the user's language: the counts per kind, the notes and the references that
// were not found. The loader gives each line as a kind with arguments; the wording is here.

#include <QString>
#include <cstdint>
#include <string>

#include "import/json_loader_report.h"

namespace tir::ui {

// The name of a report's object kind (the loader's JSON section name) in `aLanguage`; a kind
// without a name of ours is shown as the section is called.
QString LoadKindName(const std::string& aKind, std::int32_t aLanguage);
// One line of the report in `aLanguage` (1 Russian, 2 Ukrainian); its arguments as they are.
QString LoadNoteText(const import::TLoadNote& aNote, std::int32_t aLanguage);
// The whole report in `aLanguage`: a line per kind (rows skipped for damage only when there are
// any), then at most `aMaxNotes` notes and at most
// `aMaxMissing` references not found, each list followed by the count of lines left out.
QString LoadReportText(const import::TLoadReport& aReport, std::int32_t aLanguage,
                       std::size_t aMaxNotes = 10, std::size_t aMaxMissing = 50);

}  // namespace tir::ui
