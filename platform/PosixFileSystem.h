#pragma once
#include "FileSystem.h"
