#include "db/query.h"
