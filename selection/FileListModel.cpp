#include "FileListModel.h"
