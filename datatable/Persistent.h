// Root object and persistent base classes of the table library. Tables, rows and lists
// of tables take part in Assign; cells are plain objects.
#pragma once

namespace stp {

// Root of the library's objects; carries the class name shown in messages.
class TObject {
public:
    virtual ~TObject() = default;
    virtual const char* ClassName() const { return "TObject"; }
};

// An object whose content another object of a kind it understands can replace.
class TPersistent : public TObject {
public:
    const char* ClassName() const override { return "TPersistent"; }

    // Takes Source's content. The base asks Source to assign itself (AssignTo);
    // a null Source or one that knows no way raises EAssignError.
    virtual void Assign(const TPersistent* Source);

protected:
    // Copies this object into Dest; the base knows no way and raises EAssignError.
    virtual void AssignTo(TPersistent* Dest) const;

    // Raises "Cannot assign a <source> to a <this>", "nil" standing for no source.
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};

}  // namespace stp
