// The failure classes shared by every layer: an exception carries its
// already-formatted message, and each layer derives its own named classes.
#pragma once

#include <cstdarg>
#include <exception>
#include <string>

namespace klice {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// printf-style formatting of the message formats ("%s cannot be made").
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

#define KLICE_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {              \
    public:                                 \
        using Base::Base;                   \
    }

KLICE_DECLARE_EXCEPTION(EOutOfResources, Exception);
KLICE_DECLARE_EXCEPTION(EInvalidOperation, Exception);
KLICE_DECLARE_EXCEPTION(EConvertError, Exception);
KLICE_DECLARE_EXCEPTION(EExternalException, Exception);
// Base of the failures of the display and sound device wrappers.
KLICE_DECLARE_EXCEPTION(EDirectXError, Exception);

// An I/O error with the code the file layer reports (2 file not found, ...).
class EInOutError : public Exception {
public:
    EInOutError(int code, std::string message) : Exception(std::move(message)), code_(code) {}
    int ErrorCode() const noexcept { return code_; }

private:
    int code_;
};

}  // namespace klice
