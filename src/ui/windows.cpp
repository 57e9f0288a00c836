#include "ui/windows.h"

#include "ui/f_tir_dex_all.h"
#include "ui/f_tir_dex_inet_shop.h"
#include "ui/f_tir_dex_load_file.h"

namespace tir::ui {

QPointer<TFTirDExAll> FTirDExAll;
QPointer<TFTirDExInetShop> FTirDExInetShop;
QPointer<TFTirDExLoadFile> FTirDExLoadFile;

namespace {

// A new window of the command, kept as its last one; aLoad (when given) runs with mID := 0.
template <typename Form>
bool Open(QPointer<Form>& aLast, void (Form::*aLoad)()) {
  aLast = new Form();
  if constexpr (requires { aLast->mID; }) aLast->mID = 0;
  if (aLoad != nullptr) (aLast->*aLoad)();
  aLast->ShowInHost();
  return true;
}

}  // namespace

bool OpenTirWindow(std::int32_t aCommand) {
  switch (aCommand) {
    case 600:
      return Open(FTirDExAll, &TFTirDExAll::LoadDataEx);
    case 610:
      return Open(FTirDExInetShop, &TFTirDExInetShop::LoadJsonSender);
    case 611:
      return Open<TFTirDExLoadFile>(FTirDExLoadFile, nullptr);
    default:
      return false;
  }
}

}  // namespace tir::ui
