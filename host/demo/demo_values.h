#pragma once

#include <cstdint>
#include <string>

#include "db/value.h"

namespace tir::demo {

// Short forms for the values of generated rows.
tir::db::Value I(std::int64_t v);
tir::db::Value R(double v);
tir::db::Value S(const std::string& v);
tir::db::Value NullText();
tir::db::Value NullDate();

// Amounts to kopecks, quantities to grams.
double Round2(double v);
double Round3(double v);

}  // namespace tir::demo
