#include "tools/levelcheck/LevelCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

#include "game/LevelFile.h"
#include "game/LightPuzzle.h"

namespace {

const long long LevelBytes = static_cast<long long>(MapWidth) * MapHeight;
const int StartColumn = 4;
const int StartRow = 22;
const TileType HighestTile = SpikeBallStart;

// A level of garbage would print a million lines; past this many the rest are counted.
const size_t MostProblemsListed = 50;

const char* const tileNames[] = {"Empty", "Earth", "Grass", "CaveBack", "Lamp", "LightBox",
                                 "LightPipe", "Crate", "Spikes", "Lava", "SpikeBallStart"};

const char* tileName(unsigned value)
{
    return value <= HighestTile ? tileNames[value] : "not a tile";
}

std::string cellName(int column, int row)
{
    std::ostringstream text;
    text << "column " << column << ", row " << row;
    return text.str();
}

// 786432 -> "786,432"
std::string withCommas(long long value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

} // namespace

LevelCheck::LevelCheck(const std::string& path)
    : path(path), fileSize(0), file(new TileMap[1]), loaded(new TileMap[1]), opened(new TileMap[1])
{
}

LevelCheck::Result LevelCheck::run(std::ostream& out)
{
    if (!load(out))
        return Unreadable;
    out << "Level " << path << "\n\n";
    reportSize(out);
    reportTiles(out);
    reportPlaces(out, "Light boxes", LightBox);
    reportPlaces(out, "Lamps", Lamp);
    reportPlaces(out, "Crates", Crate);
    reportPlaces(out, "Spike balls", SpikeBallStart);
    findProblems();
    reportProblems(out);
    return problems.empty() && sizeProblems.empty() ? Sound : Faulty;
}

// The game's own reader fills the map, a short file included, exactly as play will see it.
bool LevelCheck::load(std::ostream& out)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        out << path << ": cannot read the level: " << std::strerror(errno) << "\n";
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        out << path << ": cannot read the level: it is a folder, not a level file\n";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        out << path << ": cannot read the level: it is not a plain file (a pipe or a device?)\n";
        return false;
    }
    // The reader says only whether it could read the file; ask once more for the reason.
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
        out << path << ": cannot read the level: " << std::strerror(errno) << "\n";
        return false;
    }
    std::fclose(probe);
    if (LevelFile::read(path, file[0]) != LevelFile::Read) {
        out << path << ": cannot read the level\n";
        return false;
    }
    fileSize = static_cast<long long>(info.st_size);

    // Loading turns each spike-ball start into cave background; the ball rolls from there.
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column) {
            TileType tile = file[0][row][column];
            loaded[0][row][column] = tile == SpikeBallStart ? CaveBack : tile;
            opened[0][row][column] = loaded[0][row][column] == Crate ? CaveBack : loaded[0][row][column];
        }
    return true;
}

void LevelCheck::reportSize(std::ostream& out)
{
    out << "Size: " << withCommas(fileSize) << " bytes";
    if (fileSize == LevelBytes) {
        out << ", right (768 rows of 1,024 cells)\n";
        return;
    }
    out << ", WRONG: a level is " << withCommas(LevelBytes) << " bytes (768 rows of 1,024 cells)\n";
    std::ostringstream text;
    if (fileSize < LevelBytes)
        text << "the file is " << withCommas(LevelBytes - fileSize) << " bytes short: the game fills every cell from "
             << cellName(static_cast<int>(fileSize % MapWidth), static_cast<int>(fileSize / MapWidth))
             << " on with the last byte of the file";
    else
        text << "the file is " << withCommas(fileSize - LevelBytes)
             << " bytes too long: the game ignores everything after the last cell";
    sizeProblems.push_back(text.str());
}

void LevelCheck::reportTiles(std::ostream& out) const
{
    long long counts[256] = {};
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            ++counts[file[0][row][column] & 0xFF];

    out << "\nTiles:\n";
    for (unsigned value = 0; value < 256; ++value) {
        if (value > HighestTile && counts[value] == 0)
            continue;
        char line[64];
        std::snprintf(line, sizeof(line), "  %3u %-16s %9lld\n", value, tileName(value), counts[value]);
        out << line;
    }
}

void LevelCheck::reportPlaces(std::ostream& out, const char* title, TileType tile) const
{
    std::vector<Cell> cells = cellsHolding(tile);
    out << "\n" << title << ": " << cells.size() << "\n";
    for (const Cell& cell : cells)
        out << "  " << cellName(cell.column, cell.row) << "\n";
}

void LevelCheck::findProblems()
{
    findBadBytes();
    checkStart();
    checkSeen(LightBox, "light box");
    checkSeen(Lamp, "lamp");
    checkSpikeBalls();
}

void LevelCheck::findBadBytes()
{
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column) {
            unsigned value = file[0][row][column] & 0xFF;
            if (value > HighestTile)
                addProblem(column, row, "byte " + std::to_string(value) +
                                            " is not a tile (tiles are 0 to 10); the game treats it as solid rock "
                                            "with no picture");
        }
}

void LevelCheck::checkStart()
{
    TileType start = loaded[0][StartRow][StartColumn];
    if (!isPassable(start))
        addProblem(StartColumn, StartRow,
                   std::string("the robot starts here, but the cell holds ") + tileName(start & 0xFF) +
                       "; it must be Empty or CaveBack (or a spike-ball start)");
}

// Light reaches a box, and leaves a lamp, only through open cells on its row or column.
// A crate the robot can take opens its cell, so a lamp or box hidden behind one is a
// puzzle, not a fault: the sight lines are taken on the map with every crate gone.
void LevelCheck::checkSeen(TileType tile, const char* what)
{
    for (const Cell& cell : cellsHolding(tile)) {
        LightPuzzle::Sight sight = LightPuzzle::look(opened[0], cell.column, cell.row);
        int openCells = (cell.column - 1 - sight.left) + (sight.right - cell.column - 1) +
                        (cell.row - 1 - sight.up) + (sight.down - cell.row - 1);
        if (openCells == 0)
            addProblem(cell.column, cell.row,
                       std::string(what) + " walled in: no open cell on its row or column can see it, so " +
                           (tile == LightBox ? "no reflector can ever light it" : "its light reaches nothing"));
    }
}

// A ball rolls along its row and turns at the first blocked cell; with both sides blocked
// it never moves.
void LevelCheck::checkSpikeBalls()
{
    for (const Cell& cell : cellsHolding(SpikeBallStart))
        if (!isPassable(tileAt(loaded[0], cell.column - 1, cell.row)) &&
            !isPassable(tileAt(loaded[0], cell.column + 1, cell.row)))
            addProblem(cell.column, cell.row,
                       "spike ball has no room to move: the cells to its left and right are both blocked");
}

void LevelCheck::addProblem(int column, int row, const std::string& text)
{
    problems.push_back(cellName(column, row) + ": " + text);
}

void LevelCheck::reportProblems(std::ostream& out) const
{
    size_t total = sizeProblems.size() + problems.size();
    if (total == 0) {
        out << "\nNo problems found: the level is sound.\n";
        return;
    }
    out << "\nProblems: " << total << "\n";
    for (const std::string& problem : sizeProblems)
        out << "  " << problem << "\n";
    for (size_t i = 0; i < problems.size() && i < MostProblemsListed; ++i)
        out << "  " << problems[i] << "\n";
    if (problems.size() > MostProblemsListed)
        out << "  ... and " << problems.size() - MostProblemsListed << " more\n";
}

std::vector<LevelCheck::Cell> LevelCheck::cellsHolding(TileType tile) const
{
    std::vector<Cell> cells;
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            if (file[0][row][column] == tile)
                cells.push_back(Cell{column, row});
    return cells;
}
