// Component references of a stream that wait to be resolved: after the
// root's lists (by the reader), or, for a dotted name whose first part is
// no component below the root, until a top-level component of that name is
// read (ResolvePendingReferences, data/component.h). An entry goes when its
// object is destroyed.
#pragma once

#include <string>
#include <vector>

namespace klice {

class TPersistent;
class TPropInfo;

struct TPendingReference {
    TPersistent* instance = nullptr;
    const TPropInfo* prop = nullptr;
    std::string name;              // as stored: "Other" or "Form.Other"
    const void* reader = nullptr;  // the reader resolving it; nullptr: waits for a top-level component
    std::string object_name;       // for messages: the object whose list held it
    std::string path;              // and the path as stored
};
std::vector<TPendingReference>& PendingReferences();

}  // namespace klice
