// Failure classes of stored data: streams, the component stream reader and
// the object model. Messages are the formats listed with each raiser.
#pragma once

#include "platform/exception.h"

namespace klice {

KLICE_DECLARE_EXCEPTION(EStreamError, Exception);
KLICE_DECLARE_EXCEPTION(EFilerError, EStreamError);
KLICE_DECLARE_EXCEPTION(EReadError, EFilerError);
KLICE_DECLARE_EXCEPTION(EWriteError, EFilerError);
KLICE_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
KLICE_DECLARE_EXCEPTION(EFOpenError, EStreamError);
KLICE_DECLARE_EXCEPTION(EFCreateError, EStreamError);
KLICE_DECLARE_EXCEPTION(EInvalidImage, EFilerError);
KLICE_DECLARE_EXCEPTION(EComponentError, Exception);

inline constexpr const char* kStreamReadError = "Stream read error";
inline constexpr const char* kStreamWriteError = "Stream write error";

}  // namespace klice
