// Errors that carry a failed HRESULT.
#pragma once

#include <windows.h>

#include <string>

#include "datatable/Errors.h"

namespace stp {

// The system's message text for code, or "OLE error %.8x" when it has none.
std::string OleErrorMessage(HRESULT code);

// Raises the OLE error for code when code is a failure; S_FALSE and other
// non-negative results pass.
void OleCheck(HRESULT code);

}  // namespace stp
