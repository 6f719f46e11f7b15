// Which Windows family runs: 1 for the 9x family, 2 for the NT family, 0 when the
// version query fails (module OS_Detect).
#pragma once

namespace quarvel::win {

long GetPlatformId();

}  // namespace quarvel::win
