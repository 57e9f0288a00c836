#include <vector>
#include "db/query.h"
#include "frame/app_globals.h"
#include "local.h"
#include "rapidjson/document.h"
