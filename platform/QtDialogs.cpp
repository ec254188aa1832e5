#include "QtDialogs.h"
