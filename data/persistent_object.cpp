#include "data/persistent_object.h"

#include <algorithm>

#include "data/class_builder.h"
#include "data/errors.h"
#include "data/filer.h"
#include "data/pending_references.h"

namespace klice {

KLICE_DESCRIBE_CLASS(TPersistent, c) {}

TPersistent::~TPersistent() {
    auto& pending = PendingReferences();
    if (!pending.empty())
        pending.erase(std::remove_if(pending.begin(), pending.end(),
                                     [this](const TPendingReference& r) { return r.instance == this; }),
                      pending.end());
}

void TPersistent::Assign(const TPersistent* source) {
    if (source != nullptr) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError(Format("Cannot assign a %s to a %s", "nil", ClassName().c_str()));
}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError(Format("Cannot assign a %s to a %s", ClassName().c_str(), dest->ClassName().c_str()));
}

void TPersistent::DefineProperties(TFiler&) {}

}  // namespace klice
