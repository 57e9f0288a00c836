#include "db/value.h"
#include "export/json_out.h"
