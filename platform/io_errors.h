// The file layer's I/O error codes. The game reports a failed file operation
// with one of a few fixed codes and messages; the system's error numbers are
// folded onto them here.
#pragma once

#include <string>

#include "platform/exception.h"

namespace klice::platform {

inline constexpr int kIoFileNotFound = 2;
inline constexpr int kIoInvalidFilename = 3;
inline constexpr int kIoTooManyOpenFiles = 4;
inline constexpr int kIoAccessDenied = 5;
inline constexpr int kIoReadBeyondEnd = 100;

// The I/O code of a system error number from an operation on `path`.
// "No such file" becomes "Invalid filename" when a folder of the path is
// missing, so the path is needed to tell the two apart. An error number with
// no code of its own is passed through as the code.
int IoErrorCode(int system_error, const std::string& path);

// The I/O error of a failed operation on `path`. An error number without a
// code of its own reads "I/O error N" even where N happens to equal one of
// the codes above (EIO is 5 on this system, and is no access refusal).
EInOutError FileError(int system_error, const std::string& path);
[[noreturn]] void RaiseFileError(int system_error, const std::string& path);

// The message of one of the codes above ("File not found", ...); any other
// code reads "I/O error N".
std::string IoErrorMessage(int code);
// The exception for one of the codes above, with its message.
EInOutError InOutError(int code);
[[noreturn]] void RaiseInOutError(int code);

}  // namespace klice::platform
