#include "NameTransform.h"
