// The named mutexes that let one installer or uninstaller of a machine-wide installation
// run at a time. They live in a private namespace bounded by the Administrators group and
// only administrators and the system may open, so a standard user cannot make one first
// and hold every installation of the product off.
#pragma once

#include <string>

#include "sys/Handles.h"

namespace stp {

class TPrivateMutex {
public:
    // Makes the mutex Name (as ProductMutexName gives it; its "Global\" means nothing in
    // the namespace and is dropped there), or opens it when another process made it first.
    // Where the system has no private namespaces (before Vista) it is made under Name
    // itself. Raises Error naming Name and the cause when the namespace can be neither made
    // nor opened (a process that is not elevated) or the mutex cannot be made.
    explicit TPrivateMutex(const std::u16string& Name);

    // Whether another process had made it before this one.
    bool MadeBefore() const noexcept { return madeBefore_; }

    // Whether a mutex of that name (as for the constructor) exists beside this one; one
    // this process may not open counts too.
    bool OtherExists(const std::u16string& Other) const;

private:
    UniqueHandle mutex_;
    bool madeBefore_ = false;
};

}  // namespace stp
