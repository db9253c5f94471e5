#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ResourcePaths.h"
#include "tests/support/TempFolder.h"

namespace {

std::string realPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// The build's bundle folder exists only once resources have been copied into it; this
// makes it for one test when it is missing and removes what it made afterwards.
class BuildBundle {
public:
    BuildBundle()
    {
        const std::string bundle = TARNWICK_BUNDLE_DIR;
        const std::string share = bundle.substr(0, bundle.rfind('/'));
        madeShare = mkdir(share.c_str(), 0755) == 0;
        madeBundle = mkdir(bundle.c_str(), 0755) == 0;
    }

    ~BuildBundle()
    {
        const std::string bundle = TARNWICK_BUNDLE_DIR;
        if (madeBundle)
            rmdir(bundle.c_str());
        if (madeShare)
            rmdir(bundle.substr(0, bundle.rfind('/')).c_str());
    }

private:
    bool madeShare;
    bool madeBundle;
};

} // namespace

// Every test starts without TARNWICK_DATA_DIR and leaves it as it found it.
class ResourcePathsTest : public testing::Test {
protected:
    ResourcePathsTest()
    {
        data.restoreLater("TARNWICK_DATA_DIR");
        unsetenv("TARNWICK_DATA_DIR");
    }

    TempFolder data{"data"};
    const std::string dataDir = data.path();
};

TEST_F(ResourcePathsTest, BundleSitsBesideTheBinFolder)
{
    // The tests run from <build>/bin, like the game, so the bundle is <build>/share/tarnwick.
    BuildBundle bundleFolder;
    std::string bundle = getBundlePath();
    EXPECT_EQ(bundle.substr(bundle.size() - std::string("/share/tarnwick").size()), "/share/tarnwick");
    EXPECT_EQ(realPath(bundle), realPath(TARNWICK_BUNDLE_DIR));
    EXPECT_EQ(getLevelPath(), bundle + "/Contents/Resources/level.lev");
}

TEST_F(ResourcePathsTest, DataDirOverridesTheBundle)
{
    setenv("TARNWICK_DATA_DIR", dataDir.c_str(), 1);
    EXPECT_EQ(getBundlePath(), dataDir);
    EXPECT_EQ(getLevelPath(), dataDir + "/Contents/Resources/level.lev");
}

TEST_F(ResourcePathsTest, EmptyDataDirIsNoOverride)
{
    BuildBundle bundleFolder;
    setenv("TARNWICK_DATA_DIR", "", 1);
    EXPECT_EQ(realPath(getBundlePath()), realPath(TARNWICK_BUNDLE_DIR));
}

TEST_F(ResourcePathsTest, MissingFolderGivesEmptyLevelPath)
{
    std::string missing = dataDir + "/not-here";
    setenv("TARNWICK_DATA_DIR", missing.c_str(), 1);
    EXPECT_EQ(getLevelPath(), "");
}

TEST_F(ResourcePathsTest, FileInsteadOfFolderGivesEmptyLevelPath)
{
    std::string file = dataDir + "/plain-file";
    FILE* f = fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    setenv("TARNWICK_DATA_DIR", file.c_str(), 1);
    EXPECT_EQ(getLevelPath(), "");
    unlink(file.c_str());
}

TEST_F(ResourcePathsTest, NothingIsCached)
{
    setenv("TARNWICK_DATA_DIR", dataDir.c_str(), 1);
    EXPECT_EQ(getLevelPath(), dataDir + "/Contents/Resources/level.lev");
    rmdir(dataDir.c_str());
    EXPECT_EQ(getLevelPath(), "");
}
