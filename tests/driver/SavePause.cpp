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

} // namespace

extern "C" int openat(int folder, const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list rest;
        va_start(rest, flags);
        mode = static_cast<mode_t>(va_arg(rest, int));
        va_end(rest);
    }
    int fd = reinterpret_cast<OpenAt>(dlsym(RTLD_NEXT, "openat"))(folder, path, flags, mode);
    if (fd >= 0 && (flags & O_CREAT))
        pauseAfterCreating(path);
    return fd;
}

// The same call under the name that large-file builds use.
extern "C" int openat64(int folder, const char* path, int flags, ...) __attribute__((alias("openat")));
