#include "game/LevelFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const size_t MapBytes = static_cast<size_t>(MapWidth) * MapHeight;

LevelFile::ReadResult cannotRead(const std::string& path, int error)
{
    std::cout << "Could not read level file " << path << ": " << std::strerror(error) << std::endl;
    return LevelFile::Unreadable;
}

// Reads up to bytes.size() bytes; the count read, or -1 with errno set.
ssize_t readAll(int fd, std::vector<unsigned char>& bytes)
{
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

} // namespace

LevelFile::ReadResult LevelFile::read(const std::string& path, TileMap& map)
{
    struct stat info;
    if (path.empty())
        return Missing;
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Missing : cannotRead(path, errno);
    if (!S_ISREG(info.st_mode))
        return Missing;

    // Not blocking, and checked again once open: a FIFO put in its place meanwhile
    // would otherwise wait for a writer for ever.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Missing : cannotRead(path, errno);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Missing;
    }
    std::vector<unsigned char> bytes(MapBytes, static_cast<unsigned char>(Empty));
    ssize_t got = readAll(fd, bytes);
    int readError = errno;
    ::close(fd);
    if (got < 0)
        return cannotRead(path, readError);

    if (got > 0 && static_cast<size_t>(got) < MapBytes)
        std::cout << "Level file " << path << " is short: " << got << " of " << MapBytes
                  << " bytes, the rest of the map is empty" << std::endl;

    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            map[row][column] = static_cast<TileType>(bytes[static_cast<size_t>(row) * MapWidth + column]);
    return Read;
}

namespace {

std::string folderOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// Follows a chain of symbolic links to the file it ends in, which need not exist yet.
// A chain too long (or a loop) is left where it stopped; the rename then replaces that link.
std::string followLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        char target[PATH_MAX];
        ssize_t length = readlink(current.c_str(), target, sizeof(target) - 1);
        if (length <= 0)
            break;
        std::string next(target, static_cast<size_t>(length));
        current = next[0] == '/' ? next : folderOf(current) + "/" + next;
    }
    return current;
}

} // namespace

bool LevelFile::write(const std::string& path, const TileMap& map, std::string& error)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(MapWidth) * MapHeight);
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            bytes[static_cast<size_t>(row) * MapWidth + column] = static_cast<unsigned char>(map[row][column] & 0xFF);

    // Write beside the target and rename over it only when every byte is on disk, so a
    // full disk or a crash never leaves a truncated level behind. Through a link, the
    // target is the file the link leads to, so the link itself stays.
    std::string target = followLinks(path);
    mode_t mode = 0644;
    struct stat old;
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        mode = old.st_mode & 07777;
    std::string temporary = folderOf(target) + "/.level.lev.XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }

    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : "nothing could be written";
            ::close(fd);
            ::unlink(name.data());
            return false;
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        error = std::strerror(errno);
        ::unlink(name.data());
        return false;
    }
    // mkstemp makes the file readable by its owner only; the level keeps the mode it had.
    ::chmod(name.data(), mode);
    if (std::rename(name.data(), target.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(name.data());
        return false;
    }
    return true;
}
