#pragma once

// The module's own small interface to the user interface: message dialogs, the host's window bar
// and "let the host process pending window messages". The core links no GUI library; it uses the
// headless implementation until a GUI build installs its own with SetUiServices.

#include <cstdint>
#include <string>
#include <vector>

namespace tir::frame {

enum class TMsgDlgType : std::uint8_t {
  mtWarning,
  mtError,
  mtInformation,
  mtConfirmation,
  mtCustom
};

// Dialog buttons (a set of bits) and the modal results they give.
enum TMsgDlgBtn : std::uint32_t {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
  mbAll = 1u << 7,
  mbNoToAll = 1u << 8,
  mbYesToAll = 1u << 9,
  mbHelp = 1u << 10,
};
enum TModalResult : std::int32_t {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10,
};

class UiServices {
 public:
  virtual ~UiServices() = default;
  // A modal message dialog; `buttons` is a set of TMsgDlgBtn bits. Texts are UTF-8.
  virtual TModalResult MessageDlg(const std::string& text, TMsgDlgType type,
                                  std::uint32_t buttons) = 0;
  // Adds a button for an open window to the host's window bar (gAppPackParams.fBarMDI). `form` is
  // the window of the GUI implementation. Returns the button (null when there is no bar).
  virtual void* CreateMDIFormButton(void* form, const std::string& caption) = 0;
  // Lets the host process pending window messages (called between steps of long work).
  virtual void ProcessMessages() = 0;
  // Opens the window of a menu command (600, 610, 611) as an MDI child of the host's window.
  // Returns false when this implementation has no windows.
  virtual bool OpenCommandWindow(std::int32_t command) = 0;
};

// Logs every dialog (kept for inspection and written to stderr unless echo is switched off) and
// answers OK, or Yes when the dialog has no OK button, or the first button it offers. Has no
// window bar and opens no windows.
class HeadlessUiServices final : public UiServices {
 public:
  struct Logged {
    std::string text;
    TMsgDlgType type;
    std::uint32_t buttons;
  };

  TModalResult MessageDlg(const std::string& text, TMsgDlgType type,
                          std::uint32_t buttons) override;
  void* CreateMDIFormButton(void* form, const std::string& caption) override;
  void ProcessMessages() override;
  bool OpenCommandWindow(std::int32_t command) override;

  const std::vector<Logged>& Dialogs() const { return dialogs_; }
  void ClearDialogs() { dialogs_.clear(); }
  void SetEcho(bool toStderr) { echo_ = toStderr; }
  std::int64_t ProcessMessagesCalls() const { return processCalls_; }
  const std::vector<std::int32_t>& OpenedCommands() const { return opened_; }

 private:
  std::vector<Logged> dialogs_;
  std::vector<std::int32_t> opened_;
  std::int64_t processCalls_ = 0;
  bool echo_ = true;
};

// The services in use: the installed implementation, else the process-wide headless one.
UiServices& Ui();
// Installs an implementation (not owned); null goes back to the headless one.
void SetUiServices(UiServices* services);
// The process-wide headless implementation (for tests and for the command line).
HeadlessUiServices& HeadlessUi();

// Shortcuts used across the module.
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, std::uint32_t buttons);
void ProcessMessages();

}  // namespace tir::frame
