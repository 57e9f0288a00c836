#pragma once

// The named codes of the back office's data: document types and states, posting commands, the
// export builder's run modes and the tirSettings rows (fMId, fPType) the module reads and writes.
// SQL texts keep their numbers as written; these names are for the code around them.

#include <cstdint>

namespace tir {

// The module's own id: in the host's messages and as fMId of its settings rows.
constexpr std::int32_t kDllId = 410;

// Document types (tirDocuments.fDocType, compared by their low 32 bits). Types 0, 16 and above
// and negative types are not posted.
constexpr int kDocReceipt = 1;          // receipt from supplier
constexpr int kDocSale = 2;             // sale (a cash receipt)
constexpr int kDocInvoice = 3;          // invoice for payment; never posted
constexpr int kDocMoneyIn = 4;          // money receipt
constexpr int kDocMoneyOut = 5;         // money expense
constexpr int kDocCustomerOrder = 6;    // customer order (kitchen orders too)
constexpr int kDocSupplierOrder = 7;    // order to a supplier
constexpr int kDocStoreMove = 8;        // move between stores
constexpr int kDocWriteOff = 9;         // write-off
constexpr int kDocTakeOnStock = 10;     // taking surplus on stock
constexpr int kDocCustomerReturn = 11;  // return from a customer (a cash receipt)
constexpr int kDocSupplierReturn = 12;  // return to a supplier
constexpr int kDocProduction = 13;      // production
constexpr int kDocInventory = 14;       // inventory recount
constexpr int kDocRevaluation = 15;     // revaluation; posted by its state only
// fTagInt of a production document that is posted product by product.
constexpr int kProduceByItem = 2;

// Document states (fState).
constexpr int kStatePosted = 0;
constexpr int kStateNotPosted = 1;
constexpr int kStateDeleted = 2;
constexpr int kStateNew = 3;  // never posted, as documents arrive from mobile agents

// Posting commands (pOn).
constexpr int kPostOn = 0;
constexpr int kPostOff = 1;
constexpr int kPostDelete = 2;
constexpr int kPostStateOnlyOn = 3;  // the state-only routine: as kPostOn
constexpr int kPostRepost = 20;
constexpr int kPostStateOnlyOff = 21;  // the state-only routine: as kPostOff

// Run modes of the export builder (mNowRunMode).
constexpr std::uint8_t kRunInteractive = 0;  // the exchange window's export
constexpr std::uint8_t kRunDefault = 1;      // set on creation; answers a token's request
constexpr std::uint8_t kRunRequest = 2;      // the answer carries a "request" envelope

// Kinds of rights rows in tirSettings (fPType).
constexpr int kRightsOfUser = -26;   // fUserId is a user
constexpr int kRightsOfGroup = -42;  // fUserId is a rights group

// One settings row's keys in tirSettings.
struct TSettingsKey {
  int fMId;
  int fPType;
};

// Stored profiles (fMId kDllId), keyed further by fPStr50: the base's GUID code or the token's
// name.
constexpr int kProfileTypeInetShop = -2;              // TJSONOneSend
constexpr int kProfileTypeDataExOut = -3;             // TDataExOut
constexpr TSettingsKey kKeyTokenProfile{kDllId, -4};  // TTirTokenOne
// Base-wide rows (fUserId 0).
constexpr TSettingsKey kKeyBaseGuid{450, -39};           // fPStr50: the base's GUID
constexpr TSettingsKey kKeyLastUployalTime{450, -47};    // fPDate: last loyalty upload
constexpr TSettingsKey kKeyLastDocRowId{470, -43};       // fPI
constexpr TSettingsKey kKeyLastGoodRowId{470, -46};      // fPI
constexpr TSettingsKey kKeyFirstReplication{-26, -41};   // fPI 2 and fPB 100: pending
constexpr TSettingsKey kKeyGoodsSnapshot{0, -30};        // fPI: goods-changed counter
constexpr TSettingsKey kKeyMassRepostControl{170, -48};  // the mass re-posting holder
// The sync client's last answers (fPI the goods snapshot, fPDate the time of the answer).
constexpr TSettingsKey kKeySyncGoods{470, -47};
constexpr TSettingsKey kKeySyncPartners{470, -49};
constexpr TSettingsKey kKeySyncCatalogs{470, -50};
// A user's access lists (fUserId the user, text in fPStr). Two descriptions of the users' export
// and import give these kinds in different orders; the import's order is kept for both sides, so
// that a base's own export of users loads back with each list where it was.
constexpr int kAccessListsMId = 50;
constexpr TSettingsKey kKeyAccessStores{kAccessListsMId, 10250};
constexpr TSettingsKey kKeyAccessEntities{kAccessListsMId, 10260};
constexpr TSettingsKey kKeyAccessSalePoints{kAccessListsMId, 10270};

}  // namespace tir
