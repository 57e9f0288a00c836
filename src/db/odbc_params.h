#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "db/value.h"

namespace tir::db::odbc {

// The column-wise buffer of one parameter over one or more parameter rows, ready for
// SQLBindParameter. Its C and SQL types follow the first non-NULL value (the first row's type
// when every row is NULL); other rows are converted to that type.
struct ParamBuffer {
  SQLSMALLINT cType = SQL_C_CHAR;
  SQLSMALLINT sqlType = SQL_VARCHAR;
  SQLULEN columnSize = 1;
  SQLSMALLINT digits = 0;
  SQLLEN width = 1;  // bytes per row
  std::vector<unsigned char> data;
  std::vector<SQLLEN> lengths;  // per row: byte length, SQL_NTS or SQL_NULL_DATA
};

// `wideText`: text goes as UTF-16 (NVARCHAR on MS SQL Server) instead of UTF-8.
ParamBuffer FillParam(std::size_t rows, const std::function<const Value&(std::size_t)>& value,
                      bool wideText);

}  // namespace tir::db::odbc
