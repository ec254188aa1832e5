#include "FsError.h"
