// The stored layouts of the program's forms.
#pragma once

#include "ui/Layout.h"

namespace stp {

const FormLayout& Form1Layout();
const FormLayout& FrmConflictLayout();

}  // namespace stp
