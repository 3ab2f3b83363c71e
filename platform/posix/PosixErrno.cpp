#include "platform/posix/PosixErrno.h"

#include <cerrno>

namespace win::posix {

DWORD Win32FromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG:
        return ERROR_INVALID_NAME;
    case ELOOP:
        return ERROR_CANT_RESOLVE_FILENAME;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EINVAL:
    case ENOTTY:
        return ERROR_INVALID_PARAMETER;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EIO:
        // What a pulled-out adapter leaves behind, as Windows reports it.
        return ERROR_BAD_COMMAND;
    default:
        return ERROR_GEN_FAILURE;
    }
}

} // namespace win::posix
