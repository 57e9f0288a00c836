#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tir {
class TJSONOneSend;
}

namespace tir::transport {

// Builds the goods catalog of an internet-shop profile into a temporary file
// ("tirjsinet-yyyy-mm-dd-hh-mm-ss-<random>.json" in the temporary folder, removed after the
// upload) and hands it to the service library for upload to the profile's URL. aAuto is true for a
// background send (mode 1, nothing shown) and false for a user send (mode 2; the host shows
// "Успешно отправлен." or "Ошибка: " and the answer). A profile without the last-days filter gets
// mPeriodDay 0. Returns the upload's result (0 = delivered). Bad id lists raise
// std::invalid_argument before anything runs; database errors raise tir::db::DbError.
std::int32_t SendJsonToInetShop(TJSONOneSend& aProfile, bool aAuto);

// The same with the answer text handed back and, when aGoodsSent is given, the number of goods
// in the catalog (only goods marked for the shop are in it).
std::int32_t SendJsonToInetShop(TJSONOneSend& aProfile, bool aAuto, std::string& aResponse,
                                std::size_t* aGoodsSent = nullptr);

}  // namespace tir::transport
