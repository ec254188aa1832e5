#include "PosixFileSystem.h"
