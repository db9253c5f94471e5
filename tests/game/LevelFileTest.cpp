#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "game/LevelFile.h"
#include "tests/support/TempFolder.h"

namespace {

const size_t MapBytes = static_cast<size_t>(MapWidth) * MapHeight;

class LevelFileTest : public ::testing::Test {
protected:
    LevelFileTest() : map(new TileMap[1]) { fillMap(static_cast<TileType>(99)); }

    void fillMap(TileType tile)
    {
        for (int row = 0; row < MapHeight; ++row)
            for (int column = 0; column < MapWidth; ++column)
                cells()[row][column] = tile;
    }

    TileMap& cells() { return map[0]; }

    void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<unsigned char> readBytes(const std::string& path)
    {
        std::ifstream in(path.c_str(), std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TempFolder temp{"levelfile"};
    const std::string folder = temp.path();
    std::unique_ptr<TileMap[]> map;
};

TEST_F(LevelFileTest, ReadsRowAfterRowOneByteACell)
{
    std::vector<unsigned char> bytes(MapBytes, Empty);
    bytes[1] = Earth;                      // column 1, row 0
    bytes[MapWidth] = Lamp;                // column 0, row 1
    bytes[767 * MapWidth + 1023] = Lava;   // the last cell
    writeBytes(folder + "/level.lev", bytes);

    ASSERT_EQ(LevelFile::Read, LevelFile::read(folder + "/level.lev", cells()));
    EXPECT_EQ(Empty, cells()[0][0]);
    EXPECT_EQ(Earth, cells()[0][1]);
    EXPECT_EQ(Lamp, cells()[1][0]);
    EXPECT_EQ(Lava, cells()[767][1023]);
}

TEST_F(LevelFileTest, EveryByteValueSurvivesAWriteAndARead)
{
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            cells()[row][column] = static_cast<TileType>((row * 31 + column) % 256);
    std::string error;
    ASSERT_TRUE(LevelFile::write(folder + "/level.lev", cells(), error)) << error;

    std::vector<unsigned char> bytes = readBytes(folder + "/level.lev");
    ASSERT_EQ(MapBytes, bytes.size());
    EXPECT_EQ(255, bytes[8 * MapWidth + 7]);   // (8 * 31 + 7) % 256

    std::unique_ptr<TileMap[]> again(new TileMap[1]);
    ASSERT_EQ(LevelFile::Read, LevelFile::read(folder + "/level.lev", again[0]));
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            ASSERT_EQ(cells()[row][column], again[0][row][column]) << column << "," << row;
}

TEST_F(LevelFileTest, WritesTheLowByteOfEachCell)
{
    fillMap(Empty);
    cells()[0][0] = static_cast<TileType>(0x1FF);
    cells()[0][1] = static_cast<TileType>(0x100);
    std::string error;
    ASSERT_TRUE(LevelFile::write(folder + "/level.lev", cells(), error));
    std::vector<unsigned char> bytes = readBytes(folder + "/level.lev");
    ASSERT_EQ(MapBytes, bytes.size());
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0x00, bytes[1]);
}

TEST_F(LevelFileTest, AShortFileEndsInOpenSpace)
{
    writeBytes(folder + "/level.lev", {Earth, Grass, Crate});
    ASSERT_EQ(LevelFile::Read, LevelFile::read(folder + "/level.lev", cells()));
    EXPECT_EQ(Earth, cells()[0][0]);
    EXPECT_EQ(Grass, cells()[0][1]);
    EXPECT_EQ(Crate, cells()[0][2]);
    EXPECT_EQ(Empty, cells()[0][3]);
    EXPECT_EQ(Empty, cells()[400][17]);
    EXPECT_EQ(Empty, cells()[767][1023]);
}

TEST_F(LevelFileTest, AFileWithNoBytesGivesOpenSpace)
{
    writeBytes(folder + "/level.lev", {});
    ASSERT_EQ(LevelFile::Read, LevelFile::read(folder + "/level.lev", cells()));
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            ASSERT_EQ(Empty, cells()[row][column]);
}

TEST_F(LevelFileTest, BytesPastTheMapAreIgnored)
{
    std::vector<unsigned char> bytes(MapBytes, Grass);
    bytes.push_back(Lava);
    writeBytes(folder + "/level.lev", bytes);
    ASSERT_EQ(LevelFile::Read, LevelFile::read(folder + "/level.lev", cells()));
    EXPECT_EQ(Grass, cells()[767][1023]);
    EXPECT_EQ(Grass, cells()[0][0]);
}

TEST_F(LevelFileTest, AMissingFileOrEmptyPathLeavesTheMapAlone)
{
    EXPECT_EQ(LevelFile::Missing, LevelFile::read(folder + "/nothing.lev", cells()));
    EXPECT_EQ(LevelFile::Missing, LevelFile::read("", cells()));
    EXPECT_EQ(99u, static_cast<unsigned>(cells()[0][0]));
    EXPECT_EQ(99u, static_cast<unsigned>(cells()[767][1023]));
}

TEST_F(LevelFileTest, WritingReplacesAnOldFileAndLeavesAnOrdinaryFileBehind)
{
    writeBytes(folder + "/level.lev", std::vector<unsigned char>(10, Lava));
    fillMap(Earth);
    std::string error;
    ASSERT_TRUE(LevelFile::write(folder + "/level.lev", cells(), error));
    EXPECT_EQ(std::vector<unsigned char>(MapBytes, Earth), readBytes(folder + "/level.lev"));

    struct stat info;
    ASSERT_EQ(0, stat((folder + "/level.lev").c_str(), &info));
    EXPECT_EQ(0644u, info.st_mode & 0777u);
}

TEST_F(LevelFileTest, ANewFileFollowsTheUmaskAndAnOldOneKeepsOnlyItsReadAndWriteBits)
{
    std::string path = folder + "/level.lev";
    std::string error;
    mode_t mask = umask(077);
    bool written = LevelFile::write(path, cells(), error);
    umask(mask);
    ASSERT_TRUE(written) << error;
    struct stat info;
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 07777u);

    ASSERT_EQ(0, chmod(path.c_str(), 07775));
    ASSERT_TRUE(LevelFile::write(path, cells(), error)) << error;
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_EQ(0664u, info.st_mode & 07777u);
}

TEST_F(LevelFileTest, ARelativePathLandsInTheWorkingDirectory)
{
    char buffer[4096];
    std::string old = getcwd(buffer, sizeof(buffer)) ? buffer : "/";
    ASSERT_EQ(0, chdir(folder.c_str()));
    fillMap(Grass);
    std::string error;
    bool written = LevelFile::write("level.lev", cells(), error);
    ASSERT_EQ(0, chdir(old.c_str()));
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(MapBytes, readBytes(folder + "/level.lev").size());
}

TEST_F(LevelFileTest, AFolderThatDoesNotExistFailsWithTheReason)
{
    std::string error;
    EXPECT_FALSE(LevelFile::write(folder + "/missing/level.lev", cells(), error));
    EXPECT_EQ("No such file or directory", error);
}

TEST_F(LevelFileTest, AFailedRenameKeepsWhatWasThereAndCleansUp)
{
    ASSERT_EQ(0, mkdir((folder + "/level.lev").c_str(), 0755));
    writeBytes(folder + "/level.lev/inside", {1, 2, 3});
    std::string error;
    EXPECT_FALSE(LevelFile::write(folder + "/level.lev", cells(), error));
    EXPECT_EQ("Is a directory", error);
    EXPECT_EQ((std::vector<unsigned char>{1, 2, 3}), readBytes(folder + "/level.lev/inside"));

    std::string command = "test $(ls -A '" + folder + "' | wc -l) -eq 1";
    EXPECT_EQ(0, std::system(command.c_str())) << "a temporary file was left behind";
}

} // namespace
