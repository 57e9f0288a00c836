#include "frame/ui_services.h"

#include <iostream>

namespace tir::frame {

namespace {

UiServices* gInstalledUi = nullptr;

struct ButtonAnswer {
  TMsgDlgBtn button;
  TModalResult result;
};

// The order in which the headless dialog picks its answer.
constexpr ButtonAnswer kAnswerOrder[] = {
    {mbOK, mrOk},       {mbYes, mrYes},         {mbYesToAll, mrYesToAll},
    {mbAll, mrAll},     {mbRetry, mrRetry},     {mbIgnore, mrIgnore},
    {mbNo, mrNo},       {mbNoToAll, mrNoToAll}, {mbCancel, mrCancel},
    {mbAbort, mrAbort},
};

const char* TypeName(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning:
      return "warning";
    case TMsgDlgType::mtError:
      return "error";
    case TMsgDlgType::mtInformation:
      return "information";
    case TMsgDlgType::mtConfirmation:
      return "confirmation";
    case TMsgDlgType::mtCustom:
      break;
  }
  return "message";
}

}  // namespace

TModalResult HeadlessUiServices::MessageDlg(const std::string& text, TMsgDlgType type,
                                            std::uint32_t buttons) {
  dialogs_.push_back({text, type, buttons});
  if (echo_) std::cerr << "[dialog " << TypeName(type) << "] " << text << "\n";
  for (const auto& answer : kAnswerOrder) {
    if ((buttons & answer.button) != 0) return answer.result;
  }
  return mrOk;
}

void* HeadlessUiServices::CreateMDIFormButton(void* /*form*/, const std::string& /*caption*/) {
  return nullptr;
}

void HeadlessUiServices::ProcessMessages() { ++processCalls_; }

bool HeadlessUiServices::OpenCommandWindow(std::int32_t command) {
  opened_.push_back(command);
  return false;
}

HeadlessUiServices& HeadlessUi() {
  static HeadlessUiServices headless;
  return headless;
}

UiServices& Ui() { return gInstalledUi != nullptr ? *gInstalledUi : HeadlessUi(); }

void SetUiServices(UiServices* services) { gInstalledUi = services; }

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, std::uint32_t buttons) {
  return Ui().MessageDlg(text, type, buttons);
}

void ProcessMessages() { Ui().ProcessMessages(); }

}  // namespace tir::frame
