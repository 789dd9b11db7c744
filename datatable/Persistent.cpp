#include "datatable/Persistent.h"

#include <string>

#include "datatable/Errors.h"

namespace stp {

void TPersistent::Assign(const TPersistent* Source) {
    if (Source == nullptr) AssignError(nullptr);
    Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
    std::string sourceName = Source != nullptr ? Source->ClassName() : "nil";
    throw EAssignError("Cannot assign a " + sourceName + " to a " + ClassName());
}

}  // namespace stp
