#pragma once

// The windows u8 opens, and the last one opened for each command.

#include <QPointer>
#include <cstdint>

namespace tir::ui {

class TFTirDExAll;
class TFTirDExInetShop;
class TFTirDExLoadFile;

extern QPointer<TFTirDExAll> FTirDExAll;
extern QPointer<TFTirDExInetShop> FTirDExInetShop;
extern QPointer<TFTirDExLoadFile> FTirDExLoadFile;

// Creates and shows the window of a menu command (600, 610, 611) as an MDI child of the host's
// window; false for any other command.
bool OpenTirWindow(std::int32_t aCommand);

}  // namespace tir::ui
