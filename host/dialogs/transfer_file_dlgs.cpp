#include "transfer_file_dlgs.h"
