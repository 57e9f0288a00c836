#include "frame/global_menu.h"

namespace tir::frame {

namespace {

constexpr TU3MenuParams TopMenu(std::int32_t id, std::int32_t order, PWideChar name) {
  return TU3MenuParams{id, 1, name, order, 0, -1, -1};
}

}  // namespace

const TU3MenuParams gMenuOperations = TopMenu(20, 2000, u"Документы");
const TU3MenuParams gMenuSpravochnik = TopMenu(21, 1000, u"Справочники");
const TU3MenuParams gMenuReports = TopMenu(22, 3000, u"Отчеты");
const TU3MenuParams gMenuService = TopMenu(23, 4000, u"Сервис");

const TU3MenuParams gMenuOperations_ua = TopMenu(20, 2000, u"Документи");
const TU3MenuParams gMenuSpravochnik_ua = TopMenu(21, 1000, u"Довідники");
const TU3MenuParams gMenuReports_ua = TopMenu(22, 3000, u"Звіти");
const TU3MenuParams gMenuService_ua = TopMenu(23, 4000, u"Сервіс");

}  // namespace tir::frame
