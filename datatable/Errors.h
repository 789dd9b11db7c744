// The system's error kinds. Every failure that crosses a component boundary is one of
// these; what() carries the message a user or caller sees, in UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace stp {

// Root of the system's errors.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An index outside a list: "List index out of bounds (%d)".
class EListError : public Error {
public:
    using Error::Error;
};

// A cell text that does not read as an integer or a Boolean.
class EConvertError : public Error {
public:
    using Error::Error;
};

// An object handed to Assign that the target cannot take.
class EAssignError : public Error {
public:
    using Error::Error;
};

// File and stream failures: open, read, create, write, seek.
class EFileError : public Error {
public:
    using Error::Error;
};

// A record that zlib cannot inflate, or one that inflates to the wrong size.
class EInflateError : public Error {
public:
    using Error::Error;
};

// A package whose table or paths are unsafe or malformed.
class EPackageError : public Error {
public:
    using Error::Error;
};

// A Windows image (PE file) that cannot be read or given new resources, or resource
// data (string table, icon, bitmap) that does not have the form it must have.
class EPeError : public Error {
public:
    using Error::Error;
};

// A registry key or value that cannot be created, written or read as text.
class ERegistryError : public Error {
public:
    using Error::Error;
};

// A failed COM call; ErrorCode is the HRESULT it returned.
class EOleError : public Error {
public:
    EOleError(const std::string& message, long errorCode) : Error(message), ErrorCode(errorCode) {}
    long ErrorCode;
};

}  // namespace stp
