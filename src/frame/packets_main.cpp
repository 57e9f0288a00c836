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
  for (WideString TModSearchOut::*field :
       {&TModSearchOut::fCode, &TModSearchOut::fName, &TModSearchOut::fNameFull,
        &TModSearchOut::fNameShowMod, &TModSearchOut::fBarCode, &TModSearchOut::fStr1,
        &TModSearchOut::fStr2, &TModSearchOut::fStr3, &TModSearchOut::fStrDataList}) {
    WideFree(rec.*field);
    rec.*field = nullptr;
  }
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
