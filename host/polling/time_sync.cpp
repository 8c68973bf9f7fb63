#include "time_sync.h"
