#include "base/Persistent.h"

#include "base/Exception.h"

namespace tavrin {

void TPersistent::Assign(const TPersistent* source) {
    if (!source)
        RaiseAssignError(nullptr, ClassName());
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
    RaiseAssignError(ClassName(), dest->ClassName());
}

} // namespace tavrin
