#include "host/exchange/exchange_service.h"
#include "src/db/query.h"
#include "tests/support/temp_base.h"
