#include "game/LevelSaver.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

// Folders are held only to work inside them; a folder that may be searched but not
// listed can still be walked through.
#ifdef O_PATH
const int FolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#else
const int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#endif

// As many links as the kernel follows in one path before it gives up with ELOOP.
const int MaxLinks = 40;

const char TemporaryPrefix[] = ".level.lev.";
const size_t TemporaryPrefixLength = sizeof(TemporaryPrefix) - 1;
const size_t TemporaryLetters = 6;
const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
const int NameAttempts = 100;

const char* const OthersLink = "it leads through another user's link in a folder others may write";
const char* const ChangedMeanwhile = "it changed while it was being saved";

std::deque<std::string> splitPath(const std::string& path)
{
    std::deque<std::string> names;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        std::string::size_type slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            names.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return names;
}

bool failWith(std::string& error, int code)
{
    error = std::strerror(code);
    return false;
}

// The kernel's rule for protected links, with a group that may write counted as others:
// in a sticky folder that others may write, anyone could have put the link there, so only
// a link of this user or of the folder's owner is followed.
bool mayFollow(const struct stat& folder, const struct stat& link)
{
    bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & (S_IWGRP | S_IWOTH));
    return !shared || link.st_uid == geteuid() || link.st_uid == folder.st_uid;
}

// The text of the link `name` in `folder`, the `count`th link of the walk, when the rule
// lets it be followed.
bool readAllowedLink(int folder, const std::string& name, const struct stat& link, int count, std::string& target,
                     std::string& error)
{
    struct stat folderInfo;
    if (count > MaxLinks)
        return failWith(error, ELOOP);
    if (fstat(folder, &folderInfo) != 0)
        return failWith(error, errno);
    if (!mayFollow(folderInfo, link)) {
        error = OthersLink;
        return false;
    }
    char text[PATH_MAX];
    ssize_t length = readlinkat(folder, name.c_str(), text, sizeof(text));
    if (length < 0)
        return failWith(error, errno);
    if (length == 0 || static_cast<size_t>(length) == sizeof(text))
        return failWith(error, length == 0 ? ENOENT : ENAMETOOLONG);
    target.assign(text, static_cast<size_t>(length));
    return true;
}

// Goes on from the open folder `folder` to `next`, just opened; false with the reason
// when that failed.
bool moveTo(int& folder, int next, std::string& error)
{
    int code = errno;
    ::close(folder);
    folder = next;
    return next >= 0 || failWith(error, code);
}

bool writeAll(int fd, const std::vector<unsigned char>& bytes, std::string& error)
{
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failWith(error, errno);
        if (n == 0) {
            error = "nothing could be written";
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

bool sameFile(const struct stat& first, const struct stat& second)
{
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

LevelSaver::Place::~Place()
{
    if (folder >= 0)
        ::close(folder);
}

LevelSaver::LevelSaver(const std::string& path)
    : path(path)
{
}

bool LevelSaver::isTemporaryName(const std::string& name)
{
    return name.size() == TemporaryPrefixLength + TemporaryLetters &&
           name.compare(0, TemporaryPrefixLength, TemporaryPrefix) == 0 &&
           name.find_first_not_of(Letters, TemporaryPrefixLength) == std::string::npos;
}

bool LevelSaver::save(const std::vector<unsigned char>& bytes, std::string& error)
{
    Place place;
    if (!resolve(place, error))
        return false;
    if (place.exists && S_ISDIR(place.fileInfo.st_mode))
        return failWith(error, EISDIR);
    removeLeftovers(place.folder);

    // Only the read and write bits of the old file: a set-user-id or executable level
    // would hand whoever planted its bytes a program running as this user.
    mode_t mode = place.exists && S_ISREG(place.fileInfo.st_mode) ? (place.fileInfo.st_mode & 0666) : newFileMode();

    std::string temporary;
    struct stat created;
    if (!writeTemporary(place.folder, bytes, mode, temporary, created, error))
        return false;
    if (replace(place, temporary, created, error))
        return true;
    removeIfStillOurs(place.folder, temporary, created);
    return false;
}

bool LevelSaver::writeTemporary(int folder, const std::vector<unsigned char>& bytes, mode_t mode,
                                std::string& temporary, struct stat& created, std::string& error)
{
    int fd = createTemporary(folder, temporary, created, error);
    if (fd < 0)
        return false;
    // The mode is set on the open file: by name it could reach a link swapped in for the
    // temporary file in a folder others may write.
    bool written = writeAll(fd, bytes, error);
    if (written && (::fsync(fd) != 0 || ::fchmod(fd, mode) != 0))
        written = failWith(error, errno);
    if (::close(fd) != 0 && written)
        written = failWith(error, errno);
    if (!written)
        removeIfStillOurs(folder, temporary, created);
    return written;
}

// Whatever moved while the bytes were written, the rename goes only where the walk led
// at first, and only moves the file written.
bool LevelSaver::replace(const Place& place, const std::string& temporary, const struct stat& created,
                         std::string& error) const
{
    Place again;
    if (!resolve(again, error))
        return false;
    struct stat now;
    if (!samePlace(place, again) || fstatat(place.folder, temporary.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(now, created)) {
        error = ChangedMeanwhile;
        return false;
    }
    if (renameat(place.folder, temporary.c_str(), place.folder, place.name.c_str()) != 0)
        return failWith(error, errno);
    return true;
}

// Walks the path as the kernel would, one name at a time from the working folder (or
// the root), but reads each link itself, so that no link is followed against the rule.
bool LevelSaver::resolve(Place& place, std::string& error) const
{
    std::deque<std::string> names = splitPath(path);
    int folder = ::open(!path.empty() && path[0] == '/' ? "/" : ".", FolderFlags);
    if (folder < 0)
        return failWith(error, errno);
    int links = 0;
    std::string last;
    struct stat info = {};
    bool exists = false;
    while (!names.empty()) {
        std::string name = names.front();
        names.pop_front();
        if (name == ".")
            continue;
        if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            int code = errno;
            if (code == ENOENT && names.empty()) {
                last = name;
                exists = false;
                break;
            }
            ::close(folder);
            return failWith(error, code);
        }
        if (S_ISLNK(info.st_mode)) {
            std::string target;
            if (!readAllowedLink(folder, name, info, ++links, target, error)) {
                ::close(folder);
                return false;
            }
            std::deque<std::string> inside = splitPath(target);
            names.insert(names.begin(), inside.begin(), inside.end());
            if (target[0] == '/' && !moveTo(folder, ::open("/", FolderFlags), error))
                return false;
        } else if (names.empty() && name != "..") {
            last = name;
            exists = true;
            break;
        } else if (!moveTo(folder, openat(folder, name.c_str(), FolderFlags), error)) {
            return false;
        }
    }
    // A path that ends in a folder ("/", "..") names no file to replace.
    if (last.empty() || fstat(folder, &place.folderInfo) != 0) {
        int code = last.empty() ? EISDIR : errno;
        ::close(folder);
        return failWith(error, code);
    }
    place.folder = folder;
    place.name = last;
    place.exists = exists;
    place.fileInfo = info;
    return true;
}

bool LevelSaver::samePlace(const Place& first, const Place& second)
{
    if (!sameFile(first.folderInfo, second.folderInfo) || first.name != second.name || first.exists != second.exists)
        return false;
    return !first.exists || sameFile(first.fileInfo, second.fileInfo);
}

// A save cut short (by SIGKILL, say) leaves its temporary file; those of this user in the
// folder go, whoever else's are left alone.
void LevelSaver::removeLeftovers(int folder)
{
    int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* entries = fdopendir(listing);
    if (!entries) {
        ::close(listing);
        return;
    }
    while (dirent* entry = readdir(entries)) {
        struct stat info;
        if (isTemporaryName(entry->d_name) && fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == geteuid())
            unlinkat(folder, entry->d_name, 0);
    }
    closedir(entries);
}

// A new name made here, never an existing file or a link: readable by this user only
// until the bytes are in.
int LevelSaver::createTemporary(int folder, std::string& name, struct stat& created, std::string& error)
{
    std::random_device source;
    std::uniform_int_distribution<size_t> letter(0, sizeof(Letters) - 2);
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        name = TemporaryPrefix;
        for (size_t i = 0; i < TemporaryLetters; ++i)
            name += Letters[letter(source)];
        int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            failWith(error, errno);
            return -1;
        }
        if (fstat(fd, &created) != 0) {
            failWith(error, errno);
            ::close(fd);
            unlinkat(folder, name.c_str(), 0);
            return -1;
        }
        return fd;
    }
    failWith(error, EEXIST);
    return -1;
}

void LevelSaver::removeIfStillOurs(int folder, const std::string& name, const struct stat& created)
{
    struct stat now;
    if (fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(now, created))
        unlinkat(folder, name.c_str(), 0);
}

// What a new file gets from the umask. The mask can only be read by setting it; the game
// makes no other file while it is cleared for this moment.
mode_t LevelSaver::newFileMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}
