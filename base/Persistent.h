#pragma once

namespace tavrin {

// The root of the class library's objects.
class TObject {
public:
    virtual ~TObject() = default;
    virtual const char* ClassName() const { return "TObject"; }
};

// An object that can be filled from another one. Assign asks the source to copy itself
// into this object (AssignTo); a source that does not know the destination's class, or no
// source at all, raises "Cannot assign a <source> to a <destination>".
class TPersistent : public TObject {
public:
    const char* ClassName() const override { return "TPersistent"; }
    virtual void Assign(const TPersistent* source);

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

} // namespace tavrin
