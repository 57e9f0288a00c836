#pragma once

#include <string>
#include <vector>

#include "json/json_object.h"

namespace tir::test {

// Sets the user's entity and store id lists of the host's application parameters.
void SetUserLists(const std::string& entIds, const std::string& storeIds);

// Messages the module sent to the host's message callback since the last call of StartLogCapture.
void StartLogCapture();
void StopLogCapture();
const std::vector<std::string>& CapturedLog();

std::string ReadFile(const std::string& path);

// The keys of a JSON object in their order, joined by blanks.
std::string KeyLine(const json::Object& object);

// "00000000-0000-XXXX-0000-000000000000" for a small fGUID1 with fGUID2 = 0.
std::string SmallGuid(int guid1);

}  // namespace tir::test
