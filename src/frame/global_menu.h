#pragma once

// The host's top-level menus, one table per language (Russian; Ukrainian with the suffix _ua).
// The module's own items hang under gMenuService (id 23).

#include "frame/packets_main.h"

namespace tir::frame {

extern const TU3MenuParams gMenuOperations;
extern const TU3MenuParams gMenuSpravochnik;
extern const TU3MenuParams gMenuReports;
extern const TU3MenuParams gMenuService;

extern const TU3MenuParams gMenuOperations_ua;
extern const TU3MenuParams gMenuSpravochnik_ua;
extern const TU3MenuParams gMenuReports_ua;
extern const TU3MenuParams gMenuService_ua;

}  // namespace tir::frame
