#include "game/LevelFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool LevelFile::read(const std::string& path, TileMap& map)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in.good())
        return false;

    std::vector<unsigned char> bytes(static_cast<size_t>(MapWidth) * MapHeight);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    size_t got = static_cast<size_t>(in.gcount());

    // A short file: every cell after its end keeps the last byte that was read, as a
    // byte-by-byte reader whose failed reads leave the previous byte in place would give.
    // A file with no bytes at all gives open space.
    unsigned char fill = got > 0 ? bytes[got - 1] : static_cast<unsigned char>(Empty);
    for (size_t i = got; i < bytes.size(); ++i)
        bytes[i] = fill;

    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            map[row][column] = static_cast<TileType>(bytes[static_cast<size_t>(row) * MapWidth + column]);
    return true;
}

namespace {

std::string folderOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

bool LevelFile::write(const std::string& path, const TileMap& map, std::string& error)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(MapWidth) * MapHeight);
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            bytes[static_cast<size_t>(row) * MapWidth + column] = static_cast<unsigned char>(map[row][column] & 0xFF);

    // Write beside the target and rename over it only when every byte is on disk, so a
    // full disk or a crash never leaves a truncated level behind.
    std::string temporary = folderOf(path) + "/.level.lev.XXXXXX";
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
    // mkstemp makes the file readable by its owner only; a level is an ordinary file.
    ::chmod(name.data(), 0644);
    if (std::rename(name.data(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(name.data());
        return false;
    }
    return true;
}
