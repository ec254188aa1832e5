#include "RenameCommand.h"
