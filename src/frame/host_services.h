#pragma once

// Services the module asks of the host through the callbacks of gAppPackParams. Every call is
// skipped when its callback is null; a request that the host does not answer with 0 (or answers
// with fCanceled set, where the operation checks it) gives the operation's empty or zero result.

#include <cstdint>
#include <string>

#include "frame/packets_main.h"

namespace tir::frame {

// Shows or logs a message in the host (fLogMessage) with the module's TDllInfo. Texts are UTF-8.
void SendToMainMGS(const std::string& aMessage, std::uint8_t aType, std::uint8_t aIfLog);
// Appends a record to the host's database log (fSysLogDB).
void LogDB(std::int32_t aUserId, std::int32_t aType, std::int32_t aGoodId, std::int32_t aDocId,
           const std::string& aData);
// True when the base is a replica that must not be changed (fBaseReplType 2 or 102); then an error
// dialog with aMessage (or the standard two-line text when aMessage is empty) is shown.
bool IfBaseInSlaveReplMode(const std::string& aMessage);

// Sends a request to the host (fSearchFunc). Returns the host's result, or -1 when there is no
// callback. `pOut` is handed over as given; its strings belong to the caller afterwards.
std::int32_t SendToHost(const TModSearchIn& pIn, TModSearchOut& pOut);

// Name of a row of another module by its id pair (request -150).
std::string GetNameByIdByModId(std::int32_t aModId, std::int64_t aId1, std::int64_t aId2);
// Names of rows of another module by an id list (request -151).
std::string GetNamesByIdsByModId(std::int32_t aModId, const std::string& aIds);
// Arrears of a contract for a transaction (module 170, request 5000).
long double gdllGetArrearsByContractTransact(std::int64_t aContractId, std::int64_t aTransactionId);
// Scales (module 330): count, tare (888014), weight (888015), barcode from the scanner (888025).
std::int32_t GetSimpleScalesCount();
std::int32_t GetSimpleScalesTara();
long double GetSimpleScalesWeight(std::int32_t aScaleNo, long double aValue, std::int32_t aTara);
std::string GetBarCodeFromScaner232();
// Asks the host to refresh its open document lists (888026 to the module's own id).
void UpdateDocsListMDI(std::int64_t aDocId);

}  // namespace tir::frame
