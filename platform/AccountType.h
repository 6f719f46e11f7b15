// Whether the account runs with administrator rights (advpack's IsNTAdmin).
#pragma once

namespace quarvel::win {

// IsNTAdmin(0, 0) != 0; false when advpack cannot be loaded.
bool IsNTAdminAccount();

}  // namespace quarvel::win
