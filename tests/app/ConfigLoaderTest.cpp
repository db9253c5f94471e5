#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <pwd.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ConfigLoader.h"
#include "tests/support/TempFolder.h"

namespace {

const char* const defaultFile = "w 800\nh 600\na 0\nf 0\nns 0\nnm 0\nsdl 0\n";

bool isDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

mode_t currentUmask()
{
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

void writeWholeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

} // namespace

// Each test gets an empty home; loadFrom() writes a settings file there and reads it.
class ConfigLoaderTest : public testing::Test {
protected:
    std::unique_ptr<ConfigLoader> loadFrom(const std::string& text)
    {
        mkdirAll();
        writeWholeFile(settingsFile(), text);
        return load();
    }

    std::unique_ptr<ConfigLoader> load()
    {
        testing::internal::CaptureStdout();
        std::unique_ptr<ConfigLoader> loader(new ConfigLoader());
        output = testing::internal::GetCapturedStdout();
        return loader;
    }

    void mkdirAll()
    {
        std::string path = home.path();
        for (const char* level : {"/Library", "/Application Support", "/Tarnwick"}) {
            path += level;
            mkdir(path.c_str(), 0755);
        }
    }

    ConfigLoaderTest() { home.exportAs("HOME"); }

    std::string settingsFolder() const { return home.path() + "/Library/Application Support/Tarnwick"; }
    std::string settingsFile() const { return settingsFolder() + "/Tarnwick.conf"; }

    TempFolder home{"home"};
    std::string output;
};

// ---- the settings parser ------------------------------------------------------------

TEST_F(ConfigLoaderTest, ReadsEveryKey)
{
    auto c = loadFrom("w 1280\nh 720\na 4\nf 1\nns 1\nnm 1\nsdl 1\n");
    EXPECT_EQ(c->width, 1280);
    EXPECT_EQ(c->height, 720);
    EXPECT_EQ(c->antialias, 4);
    EXPECT_TRUE(c->fullscreen);
    EXPECT_TRUE(c->soundOff);
    EXPECT_TRUE(c->musicOff);
    EXPECT_TRUE(c->software);
    EXPECT_EQ(output, "");
}

TEST_F(ConfigLoaderTest, ValuesAreReadFromAFixedPlaceWhateverTheSeparator)
{
    // The third character on: "w=1024" reads "1024", "w==024" reads "024".
    auto c = loadFrom("w=1024\nh:700\n");
    EXPECT_EQ(c->width, 1024);
    EXPECT_EQ(c->height, 700);
    c = loadFrom("w==024\n");
    EXPECT_EQ(c->width, 800);
    c = loadFrom("w=\t024\n");
    EXPECT_EQ(c->width, 24);
}

TEST_F(ConfigLoaderTest, KeysAreTheFirstCharacterOnly)
{
    // "width 1024" reads its value from "dth 1024": nothing usable.
    auto c = loadFrom("width 1024\nhx500\nabc\n");
    EXPECT_EQ(c->width, 800);
    EXPECT_EQ(c->height, 500);
    EXPECT_EQ(c->antialias, 6);
}

TEST_F(ConfigLoaderTest, SoftwareDrawerValueSitsAfterTheWholeKey)
{
    EXPECT_TRUE(loadFrom("sdl 1\n")->software);
    EXPECT_TRUE(loadFrom("sxx 1\n")->software);
    EXPECT_FALSE(loadFrom("s 1\n")->software);
}

TEST_F(ConfigLoaderTest, SwitchesTakeOnlyZeroOrOne)
{
    EXPECT_FALSE(loadFrom("f 2\n")->fullscreen);
    EXPECT_FALSE(loadFrom("f yes\n")->fullscreen);
    EXPECT_FALSE(loadFrom("f -1\n")->fullscreen);
    EXPECT_TRUE(loadFrom("f 1\n")->fullscreen);
    EXPECT_TRUE(loadFrom("f 1 and more\n")->fullscreen);
    EXPECT_FALSE(loadFrom("f 1\nf 0\n")->fullscreen);
    EXPECT_TRUE(loadFrom("f 1\nf 2\n")->fullscreen);
}

TEST_F(ConfigLoaderTest, NKeysNeedTheirSecondCharacter)
{
    auto c = loadFrom("n 1\nnx 1\nn\nns 1\n");
    EXPECT_TRUE(c->soundOff);
    EXPECT_FALSE(c->musicOff);
    c = loadFrom("nm 1\n");
    EXPECT_FALSE(c->soundOff);
    EXPECT_TRUE(c->musicOff);
}

TEST_F(ConfigLoaderTest, KeyAloneOrTooShortChangesNothing)
{
    auto c = loadFrom("w\nh \na\nns\n");
    EXPECT_EQ(c->width, 800);
    EXPECT_EQ(c->height, 600);
    EXPECT_EQ(c->antialias, 6);
    EXPECT_FALSE(c->soundOff);
}

TEST_F(ConfigLoaderTest, IntegersTakeSpaceSignAndStopAtTheFirstNonDigit)
{
    auto c = loadFrom("w   +1024px\nh -30\na 4.5\n");
    EXPECT_EQ(c->width, 1024);
    EXPECT_EQ(c->height, -30);
    EXPECT_EQ(c->antialias, 4);
}

TEST_F(ConfigLoaderTest, NumberTooBigForAnIntChangesNothing)
{
    EXPECT_EQ(loadFrom("w 99999999999\n")->width, 800);
}

TEST_F(ConfigLoaderTest, LaterLineOverrides)
{
    EXPECT_EQ(loadFrom("w 1024\nh 700\nw 640\n")->width, 640);
}

TEST_F(ConfigLoaderTest, UnusableLaterLineKeepsTheEarlierValue)
{
    EXPECT_EQ(loadFrom("w 1024\nw none\n")->width, 1024);
}

TEST_F(ConfigLoaderTest, MissingLinesKeepTheStartingValues)
{
    auto c = loadFrom("w 1024\n");
    EXPECT_EQ(c->height, 600);
    EXPECT_EQ(c->antialias, 6);
    EXPECT_FALSE(c->fullscreen);
}

TEST_F(ConfigLoaderTest, LeadingSpaceOrEmptyLinesAreIgnored)
{
    auto c = loadFrom("\n w 1024\n\nh 700");
    EXPECT_EQ(c->width, 800);
    EXPECT_EQ(c->height, 700);
}

TEST_F(ConfigLoaderTest, LongLineIsCutAt127AndEndsTheReading)
{
    // The digits straddle the cut: only those within the first 127 characters count.
    std::string longLine = "w" + std::string(121, ' ') + "98765432" + std::string(70, 'x');
    ASSERT_EQ(longLine.size(), 200u);
    auto c = loadFrom(longLine + "\nh 700\n");
    EXPECT_EQ(c->width, 98765);
    EXPECT_EQ(c->height, 600);
}

TEST_F(ConfigLoaderTest, LineOf127IsWholeAndReadingGoesOn)
{
    std::string line = "w" + std::string(121, ' ') + "12345";
    ASSERT_EQ(line.size(), 127u);
    auto c = loadFrom(line + "\nh 700\n");
    EXPECT_EQ(c->width, 12345);
    EXPECT_EQ(c->height, 700);
}

TEST_F(ConfigLoaderTest, LastLineWithoutLineEndIsRead)
{
    EXPECT_EQ(loadFrom("h 600\nw 1111")->width, 1111);
}

TEST_F(ConfigLoaderTest, ExistingFileIsNeverRewritten)
{
    const std::string text = "w 1024\nnonsense\n";
    loadFrom(text);
    EXPECT_EQ(readWholeFile(settingsFile()), text);
}

// ---- first run and the settings folder ----------------------------------------------

TEST_F(ConfigLoaderTest, FirstRunMakesEveryFolderLevelAndTheDefaultFile)
{
    ASSERT_FALSE(isDirectory(home.path() + "/Library"));
    auto c = load();

    EXPECT_TRUE(isDirectory(settingsFolder()));
    EXPECT_EQ(readWholeFile(settingsFile()), defaultFile);
    EXPECT_EQ(output, "Created directory " + settingsFolder() + "\n");

    // The defaults are read back from the written file, antialiasing 0 among them.
    EXPECT_EQ(c->width, 800);
    EXPECT_EQ(c->height, 600);
    EXPECT_EQ(c->antialias, 0);
    EXPECT_FALSE(c->fullscreen);
    EXPECT_FALSE(c->soundOff);
    EXPECT_FALSE(c->musicOff);
    EXPECT_FALSE(c->software);
}

TEST_F(ConfigLoaderTest, NewFoldersAreReadableByEveryone)
{
    load();
    std::string path = home.path();
    for (const char* level : {"/Library", "/Application Support", "/Tarnwick"}) {
        path += level;
        struct stat info;
        ASSERT_EQ(stat(path.c_str(), &info), 0) << path;
        EXPECT_EQ(info.st_mode & 0777, 0755u & ~currentUmask()) << path;
    }
}

TEST_F(ConfigLoaderTest, SecondRunIsSilentAndReadsTheFile)
{
    load();
    writeWholeFile(settingsFile(), "w 1920\n");
    auto c = load();
    EXPECT_EQ(output, "");
    EXPECT_EQ(c->width, 1920);
}

TEST_F(ConfigLoaderTest, FolderWithFileMissingIsFilledSilently)
{
    mkdirAll();
    auto c = load();
    EXPECT_EQ(output, "");
    EXPECT_EQ(readWholeFile(settingsFile()), defaultFile);
    EXPECT_EQ(c->antialias, 0);
}

TEST_F(ConfigLoaderTest, PartlyMadeFolderIsCompleted)
{
    mkdir((home.path() + "/Library").c_str(), 0755);
    testing::internal::CaptureStdout();
    EXPECT_EQ(getFilePath(), settingsFolder());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Created directory " + settingsFolder() + "\n");
    EXPECT_TRUE(isDirectory(settingsFolder()));
}

TEST_F(ConfigLoaderTest, CreateFileReplacesWhatIsThere)
{
    auto c = loadFrom("w 1024\nh 700\nextra line\n");
    testing::internal::CaptureStdout();
    c->createFile();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(readWholeFile(settingsFile()), defaultFile);
}

TEST_F(ConfigLoaderTest, BlockedFolderGivesItsMessageFromReadingAndFromCreating)
{
    // A plain file where the "Library" folder belongs: nothing can be made below it.
    writeWholeFile(home.path() + "/Library", "");
    auto c = load();
    const std::string folderMessage = "Could not create directory " + settingsFolder() + "\n";
    EXPECT_EQ(output, folderMessage + folderMessage + "Could not create " + settingsFile() + "\n");
    EXPECT_EQ(c->width, 800);
    EXPECT_EQ(c->height, 600);
    EXPECT_EQ(c->antialias, 6);
    EXPECT_FALSE(c->software);
}

// Unreadable, the file is left alone and the values are the default file's: antialiasing
// 0, not the starting 6.
TEST_F(ConfigLoaderTest, AnUnreadableSettingsFileIsReportedAndLeftAlone)
{
    mkdirAll();
    mkdir(settingsFile().c_str(), 0755);
    auto c = load();
    EXPECT_EQ(output, "Could not read " + settingsFile() + ": it is a folder, using the defaults\n");
    EXPECT_TRUE(isDirectory(settingsFile()));
    EXPECT_EQ(c->width, 800);
    EXPECT_EQ(c->height, 600);
    EXPECT_EQ(c->antialias, 0);
    EXPECT_FALSE(c->software);

    rmdir(settingsFile().c_str());
    ASSERT_EQ(symlink("Tarnwick.conf", settingsFile().c_str()), 0);
    c = load();
    EXPECT_EQ(output, "Could not read " + settingsFile() + ": " + std::strerror(ELOOP) + ", using the defaults\n");
    EXPECT_EQ(c->antialias, 0);
}

// ---- the home folder ----------------------------------------------------------------

TEST_F(ConfigLoaderTest, AHomeThatIsNotThereIsNotMade)
{
    std::string missing = home.path() + "/gone";
    setenv("HOME", missing.c_str(), 1);
    auto c = load();
    EXPECT_FALSE(isDirectory(missing));
    EXPECT_EQ(c->width, 800);
}

TEST_F(ConfigLoaderTest, HomeComesFromTheEnvironment)
{
    EXPECT_STREQ(getHomeFolder(), home.path().c_str());
    testing::internal::CaptureStdout();
    EXPECT_EQ(getSettingsFilePath(home.path().c_str()), settingsFile());
    testing::internal::GetCapturedStdout();
}

TEST_F(ConfigLoaderTest, WithoutHomeThePasswordEntryIsUsed)
{
    const passwd* entry = getpwuid(getuid());
    if (!entry)
        GTEST_SKIP() << "this user has no password entry";
    std::string expected = entry->pw_dir;
    unsetenv("HOME");
    const char* found = getHomeFolder();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, expected);
}

TEST(ConfigLoaderNoHome, FolderIsEmptyAndTheFileLandsAtTheRoot)
{
    testing::internal::CaptureStdout();
    std::string folder = getFilePath(nullptr);
    std::string file = getSettingsFilePath(nullptr);
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(folder, "");
    EXPECT_EQ(file, "/Tarnwick.conf");
    EXPECT_EQ(output, "Could not create directory \nCould not create directory \n");
}

// The real lookup, not an injected home: a child process drops to a user id that has no
// password entry and no HOME. Only root can do that; the child cannot write to the root
// folder, so nothing there is touched.
TEST(ConfigLoaderNoHome, UserWithoutAnyHomeGetsTheStartingValues)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can become a user without a password entry";
    if (access("/Tarnwick.conf", F_OK) == 0)
        GTEST_SKIP() << "a settings file lies at the root already";
    uid_t stranger = 54321;
    while (getpwuid(stranger))
        stranger++;

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::cout.flush();
    fflush(stdout);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        dup2(fds[1], 1);
        unsetenv("HOME");
        if (setgid(stranger) != 0 || setuid(stranger) != 0)
            _exit(3);
        if (access("/", W_OK) == 0)
            _exit(4);
        bool homeUnknown = getHomeFolder() == nullptr;
        ConfigLoader c;
        std::cout.flush();
        fflush(stdout);
        _exit(homeUnknown && c.width == 800 && c.height == 600 && c.antialias == 6 && !c.fullscreen ? 0 : 1);
    }
    close(fds[1]);
    std::string output;
    char buffer[256];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof(buffer))) > 0)
        output.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3 || WEXITSTATUS(status) == 4)
        GTEST_SKIP() << "could not become a stranger who cannot write to the root folder";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(output, "Could not create directory \n"
                      "Could not create directory \n"
                      "Could not create /Tarnwick.conf\n");
}
