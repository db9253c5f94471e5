#include "audio/QuietStandardError.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

QuietStandardError::QuietStandardError() : savedError(-1)
{
    std::fflush(stderr);
    int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing < 0)
        return;
    savedError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (savedError >= 0 && dup2(nothing, STDERR_FILENO) < 0) {
        close(savedError);
        savedError = -1;
    }
    close(nothing);
}

QuietStandardError::~QuietStandardError()
{
    if (savedError < 0)
        return;
    std::fflush(stderr);
    dup2(savedError, STDERR_FILENO);
    close(savedError);
}
