#include "install/LanguageMode.h"

namespace stp {

int LanguageMode = 0;

}  // namespace stp
