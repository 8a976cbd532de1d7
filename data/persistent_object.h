// TPersistent: an object that can be stored, by its published properties
// and by the named blocks it reads and writes itself.
#pragma once

#include <string>

#include "data/class_info.h"

namespace klice {

class TFiler;

class TPersistent : public TObject {
    KLICE_CLASS(TPersistent, TObject)
public:
    ~TPersistent() override;
    // Copies source into this object; the default asks source to AssignTo
    // this, which raises EConvertError "Cannot assign a %s to a %s".
    virtual void Assign(const TPersistent* source);
    // Declares the named blocks the object reads and writes itself; derived
    // classes call inherited::DefineProperties(filer) first.
    virtual void DefineProperties(TFiler& filer);
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

}  // namespace klice
