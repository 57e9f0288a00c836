#include "frame/packets_main.h"

#include <cstring>

namespace tir::frame {

void Free_TModSearchIn(TModSearchIn& rec) {
  WideFree(rec.fSearchStr);
  WideFree(rec.fStr1);
  WideFree(rec.fStr2);
  WideFree(rec.fStr3);
  rec.fSearchStr = rec.fStr1 = rec.fStr2 = rec.fStr3 = nullptr;
}

void Free_TModSearchOut(TModSearchOut& rec) {
  for (std::size_t offset :
       {offsetof(TModSearchOut, fCode), offsetof(TModSearchOut, fName),
        offsetof(TModSearchOut, fNameFull), offsetof(TModSearchOut, fNameShowMod),
        offsetof(TModSearchOut, fBarCode), offsetof(TModSearchOut, fStr1),
        offsetof(TModSearchOut, fStr2), offsetof(TModSearchOut, fStr3),
        offsetof(TModSearchOut, fStrDataList)}) {
    WideFree(LoadWideField(&rec, offset));
    StoreWideField(&rec, offset, nullptr);
  }
}

WideString LoadWideField(const void* rec, std::size_t offset) {
  WideString value = nullptr;
  std::memcpy(&value, static_cast<const unsigned char*>(rec) + offset, sizeof(value));
  return value;
}

void StoreWideField(void* rec, std::size_t offset, WideString value) {
  std::memcpy(static_cast<unsigned char*>(rec) + offset, &value, sizeof(value));
}

void Clear_TModSearchIn(TModSearchIn& rec) {
  Free_TModSearchIn(rec);
  std::memset(static_cast<void*>(&rec), 0, sizeof(rec));
  rec.fPriceId = 1;
}

void Clear_TModSearchOut(TModSearchOut& rec) {
  Free_TModSearchOut(rec);
  std::memset(static_cast<void*>(&rec), 0, sizeof(rec));
}

}  // namespace tir::frame
