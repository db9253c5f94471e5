#include "game/LevelFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "game/LevelSaver.h"

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

bool LevelFile::write(const std::string& path, const TileMap& map, std::string& error)
{
    std::vector<unsigned char> bytes(MapBytes);
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            bytes[static_cast<size_t>(row) * MapWidth + column] = static_cast<unsigned char>(map[row][column] & 0xFF);
    return LevelSaver(path).save(bytes, error);
}
