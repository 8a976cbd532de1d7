#include "data/pending_references.h"

namespace klice {

std::vector<TPendingReference>& PendingReferences() {
    static std::vector<TPendingReference> list;
    return list;
}

}  // namespace klice
