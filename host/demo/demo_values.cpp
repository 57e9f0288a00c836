#include "host/demo/demo_values.h"

#include <cmath>

namespace tir::demo {

using tir::db::Value;
using tir::db::ValueType;

Value I(std::int64_t v) { return Value::Int64(v); }
Value R(double v) { return Value::Double(v); }
Value S(const std::string& v) { return Value::Text(v); }
Value NullText() { return Value::Null(ValueType::kText); }
Value NullDate() { return Value::Null(ValueType::kDateTime); }
double Round2(double v) { return std::round(v * 100.0) / 100.0; }
double Round3(double v) { return std::round(v * 1000.0) / 1000.0; }

}  // namespace tir::demo
