#pragma once

#include "FileSystem.h"

#include <QList>
#include <QStringView>
#include <functional>

namespace varnex {

// The positions 0 .. count - 1 in the order of the names nameAt(position), without regard to
// letter case; names equal but for case are ordered by their bytes on disk, so the order is the
// same whatever order a folder lists its entries in. The folder preview shows names in this
// order and the folder walk renames in it. With a pause, a merge of sorted runs, so that a long
// sort can pause between steps.
QList<qsizetype> nameOrder(qsizetype count, const std::function<QStringView(qsizetype)>& nameAt,
                           const ListingPause& pause = {});

} // namespace varnex
