#include "vantrel_doc.h"
