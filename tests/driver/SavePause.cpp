// Loaded into the game through LD_PRELOAD by the whole-program tests: right after the
// game creates a temporary level file ".level.lev.*", it prints "pause: created NAME" on
// standard output and waits for one byte on standard input. Meanwhile the test can act on
// the folder as another user could in that moment of a save.
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

typedef int (*OpenAt)(int, const char*, int, ...);

void pauseAfterCreating(const char* path)
{
    const char* name = std::strrchr(path, '/') ? std::strrchr(path, '/') + 1 : path;
    if (std::strncmp(name, ".level.lev.", 11) != 0)
        return;
    int saved = errno;
    std::string line = std::string("pause: created ") + name + "\n";
    char go;
    if (::write(1, line.data(), line.size()) == static_cast<ssize_t>(line.size()))
        while (::read(0, &go, 1) < 0 && errno == EINTR) {
        }
    errno = saved;
}

int openAndPause(const char* symbol, int folder, const char* path, int flags, va_list rest)
{
    mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(rest, int)) : 0;
    int fd = reinterpret_cast<OpenAt>(dlsym(RTLD_NEXT, symbol))(folder, path, flags, mode);
    if (fd >= 0 && (flags & O_CREAT))
        pauseAfterCreating(path);
    return fd;
}

} // namespace

extern "C" int openat(int folder, const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    int fd = openAndPause("openat", folder, path, flags, rest);
    va_end(rest);
    return fd;
}

extern "C" int openat64(int folder, const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    int fd = openAndPause("openat64", folder, path, flags, rest);
    va_end(rest);
    return fd;
}
