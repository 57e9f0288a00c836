#include "settings/base64.h"
