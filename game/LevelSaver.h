#pragma once

#include <string>
#include <sys/stat.h>
#include <vector>

// Puts new bytes in place of a level file, also in a folder that other users may write
// (a sticky /tmp, a shared project folder), where they could swap names under the save.
//
// The path is walked one name at a time without letting the system follow any link: a
// link is followed only where the kernel's protected-links rule would follow it (in a
// sticky folder that others may write, only a link of this user or of the folder's owner),
// so a level maker's own link still updates its target while a link planted by someone
// else refuses the save. The bytes go to a hidden temporary file made beside the target,
// through the target's folder held open, and replace the target by one rename, after the
// walk has been repeated and found the same folder and the same file. Only the read and
// write bits of the old file are kept; a new file takes its mode from the umask.
class LevelSaver {
public:
    explicit LevelSaver(const std::string& path);

    // False with the reason in `error` when the file was not replaced; it is then as it was.
    bool save(const std::vector<unsigned char>& bytes, std::string& error);

private:
    // A temporary file's name: ".level.lev." and six letters or digits. One left behind
    // by a save cut short is removed by this user's next save into that folder.
    static bool isTemporaryName(const std::string& name);

    // Where the path leads: the folder that holds the file, open, and the file's name
    // there, with what the walk found under that name (if anything).
    struct Place {
        Place() = default;
        ~Place();
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;

        int folder = -1;
        struct stat folderInfo = {};
        std::string name;
        bool exists = false;
        struct stat fileInfo = {};
    };

    bool resolve(Place& place, std::string& error) const;
    bool replace(const Place& place, const std::string& temporary, const struct stat& created,
                 std::string& error) const;
    static bool writeTemporary(int folder, const std::vector<unsigned char>& bytes, mode_t mode,
                               std::string& temporary, struct stat& created, std::string& error);
    static bool samePlace(const Place& first, const Place& second);
    static void removeLeftovers(int folder);
    static int createTemporary(int folder, std::string& name, struct stat& created, std::string& error);
    static void removeIfStillOurs(int folder, const std::string& name, const struct stat& created);
    static mode_t newFileMode();

    std::string path;
};
