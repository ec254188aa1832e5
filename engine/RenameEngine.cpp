#include "RenameEngine.h"
