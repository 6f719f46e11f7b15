// The MessageBox flags for a box the core describes.
#pragma once

#include <windows.h>

#include "core/RepairHost.h"

namespace quarvel::ui {

UINT MessageBoxStyle(const RepairBox& box);

}  // namespace quarvel::ui
