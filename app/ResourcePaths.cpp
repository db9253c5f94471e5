#include "app/ResourcePaths.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

bool isDirectory(const std::string& path)
{
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FILE* openRegularFile(const std::string& path)
{
    // Opened without blocking, so that a pipe shows itself instead of waiting, and
    // looked at once open, so that what is read is what was looked at.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

namespace {

// The folder above the one that holds the running executable: bin/tarnwick -> <prefix>.
std::string executablePrefix()
{
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0)
        return std::string();
    std::string exe(buffer, static_cast<size_t>(length));
    std::string::size_type binSlash = exe.rfind('/');
    if (binSlash == std::string::npos || binSlash == 0)
        return std::string();
    std::string::size_type prefixSlash = exe.rfind('/', binSlash - 1);
    if (prefixSlash == std::string::npos)
        return std::string();
    return exe.substr(0, prefixSlash);
}

} // namespace

std::string getBundlePath()
{
    const char* override = std::getenv("TARNWICK_DATA_DIR");
    if (override && *override)
        return override;
    return executablePrefix() + "/share/tarnwick";
}

std::string getResourcesPath()
{
    std::string bundle = getBundlePath();
    if (!isDirectory(bundle))
        return std::string();
    return bundle + "/Contents/Resources/";
}

std::string getLevelPath()
{
    std::string resources = getResourcesPath();
    return resources.empty() ? resources : resources + "level.lev";
}
