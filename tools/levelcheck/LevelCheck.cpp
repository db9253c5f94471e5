#include "tools/levelcheck/LevelCheck.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include "game/GameCounter.h"
#include "game/LevelFile.h"
#include "game/LightPuzzle.h"
#include "game/Player.h"
#include "tools/levelcheck/LightPlan.h"

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
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return value < 0 ? "-" + digits : digits;
}

// 1 -> "1 byte", 2 -> "2 bytes"
std::string counted(long long value, const std::string& noun)
{
    return withCommas(value) + " " + noun + (value == 1 ? "" : "s");
}

std::string spanName(const char* what, int from, int to)
{
    std::ostringstream text;
    text << what << (from == to ? " " : "s ") << from;
    if (from != to)
        text << "-" << to;
    return text.str();
}

// The game's own classes talk on standard output (the sound player says which effects it
// loaded, the level reader that a file is short); none of that belongs in the report.
class QuietOutput {
public:
    QuietOutput() : saved(std::cout.rdbuf(nullptr)) {}
    ~QuietOutput() { std::cout.rdbuf(saved); }
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    std::streambuf* saved;
};

} // namespace

LevelCheck::LevelCheck(const std::string& path)
    : path(path), fileSize(0), file(new TileMap[1]), loaded(new TileMap[1]), opened(new TileMap[1])
{
}

LevelCheck::~LevelCheck() = default;

LevelCheck::Result LevelCheck::run(std::ostream& out, std::ostream& progress)
{
    if (!load(out))
        return Unreadable;
    play(progress);
    out << "Level " << path << "\n\n";
    reportSize(out);
    reportTiles(out);
    reportPlaces(out, "Light boxes", LightBox);
    reportPlaces(out, "Lamps", Lamp);
    reportPlaces(out, "Crates", Crate);
    reportPlaces(out, "Spike balls", SpikeBallStart);
    reportReach(out);
    reportLight(out);
    findProblems();
    reportProblems(out);
    return problems.empty() && sizeProblems.empty() ? Sound : Faulty;
}

// Where the robot goes, and what the reflectors it can drop there can light.
void LevelCheck::play(std::ostream& progress)
{
    QuietOutput quiet;
    GameCounter::getInstance()->reset();
    patrols = findPatrols();
    reach.reset(new ReachSearch(loaded[0], patrols));
    reach->run(progress);
    light.reset(new LightPlan(reach->getMap(), *reach));
    GameCounter::getInstance()->reset();
}

// A ball rolls while the cell under its centre is open, so its left edge stays within
// half a cell of the open run of its row that it starts in.
std::vector<ReachSearch::Patrol> LevelCheck::findPatrols() const
{
    std::vector<ReachSearch::Patrol> found;
    for (const Cell& ball : cellsHolding(SpikeBallStart)) {
        LightPuzzle::Sight sight = LightPuzzle::look(loaded[0], ball.column, ball.row);
        found.push_back(ReachSearch::Patrol{ball.column, ball.row, static_cast<float>(sight.left + 1) - 0.5f,
                                            static_cast<float>(sight.right - 1) + 0.5f});
    }
    return found;
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
    LevelFile::ReadResult read;
    {
        QuietOutput quiet;
        read = LevelFile::read(path, file[0]);
    }
    if (read != LevelFile::Read) {
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
    out << "Size: " << counted(fileSize, "byte");
    if (fileSize == LevelBytes) {
        out << ", right (768 rows of 1,024 cells)\n";
        return;
    }
    out << ", WRONG: a level is " << withCommas(LevelBytes) << " bytes (768 rows of 1,024 cells)\n";
    std::ostringstream text;
    if (fileSize < LevelBytes)
        text << "the file is " << counted(LevelBytes - fileSize, "byte") << " short: the game leaves every cell from "
             << cellName(static_cast<int>(fileSize % MapWidth), static_cast<int>(fileSize / MapWidth))
             << " on empty";
    else
        text << "the file is " << counted(fileSize - LevelBytes, "byte")
             << " too long: the game ignores everything after the last cell";
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

void LevelCheck::reportReach(std::ostream& out) const
{
    const std::vector<ReachSearch::RestingSpot>& spots = reach->getRestingSpots();
    std::vector<std::pair<int, int>> cells;
    for (const ReachSearch::RestingSpot& spot : spots)
        cells.emplace_back(static_cast<int>(static_cast<double>(spot.x) + 0.5), static_cast<int>(spot.y));
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    char seconds[32];
    std::snprintf(seconds, sizeof(seconds), "%.1f", reach->getSeconds());

    out << "\nWhere the robot can go, from the start (" << cellName(StartColumn, StartRow) << "):\n"
        << "  resting spots: " << withCommas(static_cast<long long>(spots.size())) << " in "
        << counted(static_cast<long long>(cells.size()), "cell") << "\n"
        << "  cells it passes through, where a reflector can be dropped: " << withCommas(reach->cellsPassedThrough())
        << "\n"
        << "  crates reached: " << reach->getCratesTaken().size() << " of " << cellsHolding(Crate).size() << "\n"
        << "  searched: " << withCommas(reach->getStatesSearched()) << " robot states in " << seconds << " s\n"
        << "  moves: on the ground stand, walk left or right, jump standing or walking; in the air left,\n"
        << "    right or neither in every frame, the jump key let go in any frame of the arc or at its end\n"
        << "  left out: a jump pressed again in mid-air, or held on past the arc's end; the timing of\n"
        << "    spike balls (the robot is let past them, and a spot on a ball's row is no place to\n"
        << "    rest); a crate is taken as soon as it is reached, so one that is a floor or a wall\n"
        << "    before that counts as both\n";
}

int LevelCheck::reflectorsToHand() const
{
    return Player().getNumReflectors() + Player::CrateReflectors * static_cast<int>(reach->getCratesTaken().size());
}

void LevelCheck::reportLight(std::ostream& out) const
{
    out << "\nLight boxes and the reflectors they need:";
    if (light->getBoxes().empty())
        out << " no light boxes";
    out << "\n";
    for (const LightPlan::Box& box : light->getBoxes()) {
        out << "  " << cellName(box.column, box.row) << ": ";
        switch (box.verdict) {
        case LightPlan::Lit:
            out << box.reflectors << "\n";
            break;
        case LightPlan::Blocked:
            out << "cannot be lit: blocked\n";
            break;
        case LightPlan::Unreachable:
            out << "cannot be lit: unreachable\n";
            break;
        case LightPlan::NoLamp:
            out << "cannot be lit: no lamp in reach\n";
            break;
        }
    }
    int needed = light->getChosenTotal();
    int toHand = reflectorsToHand();
    size_t crates = reach->getCratesTaken().size();
    out << "Reflectors: " << needed << " needed, " << toHand << " to hand (" << Player().getNumReflectors()
        << " carried, "
        << (crates == 0 ? std::string("no crate reached")
                        : std::to_string(Player::CrateReflectors) + " in each of " +
                              counted(static_cast<long long>(crates), "crate") + " reached")
        << "), "
        << (toHand >= needed ? std::to_string(toHand - needed) + " spare"
                             : "short by " + std::to_string(needed - toHand))
        << "\n  needed: the shortest chains found, one for each box that can be lit, a reflector two\n"
        << "  chains share counted once; no way to light them needs fewer than " << light->getLowestTotal() << "\n";
}

void LevelCheck::findProblems()
{
    if (!reach->isComplete())
        addWarning("the search stopped after " + withCommas(reach->getStatesSearched()) +
                   " robot states: the level is too open to search whole, so places it did not get to are "
                   "missing from everything above, and the ways home are not judged");
    findBadBytes();
    checkStart();
    checkStartSafety();
    checkSeen(LightBox, "light box");
    checkSeen(Lamp, "lamp");
    checkSpikeBalls();
    checkLight();
    if (reach->isComplete())
        findWaysHome();
}

// The robot must be able to stand at the start, leave it, and not die just for being there.
void LevelCheck::checkStartSafety()
{
    if (!isPassable(loaded[0][StartRow][StartColumn]))
        return;
    TileType below = tileAt(loaded[0], StartColumn, StartRow + 1);
    if (isPassable(below))
        addProblem(StartColumn, StartRow + 1, "the cell under the start is open: the robot must start on solid ground");
    else if (below == Lava)
        addProblem(StartColumn, StartRow + 1, "the robot starts on lava: its first step costs a life");
    for (int side : {StartColumn - 1, StartColumn + 1})
        if (tileAt(loaded[0], side, StartRow) == Lava)
            addProblem(side, StartRow, "lava beside the start: one step into it costs a life");
    if (tileAt(loaded[0], StartColumn, StartRow - 1) == Spikes)
        addProblem(StartColumn, StartRow - 1, "spikes over the start: the robot's first jump costs a life");
    for (const ReachSearch::Patrol& ball : patrols)
        if (ball.covers(Player::StartX, Player::StartY))
            addProblem(ball.column, ball.row,
                       "spike ball rolls through the start: it patrols " +
                           spanName("column", static_cast<int>(std::lround(ball.fromX + 0.5f)),
                                    static_cast<int>(std::lround(ball.toX - 0.5f))) +
                           " of row " + std::to_string(ball.row) +
                           ", and the robot, which comes back to the start after every life lost, is hit there");
    if (!reach->leavesStart())
        addProblem(StartColumn, StartRow,
                   "the robot cannot leave the start: it can neither walk nor jump out of its cell");
}

void LevelCheck::checkLight()
{
    if (cellsHolding(LightBox).empty())
        problems.push_back(
            "the level has no light box: only lighting the last box completes a level, so it can never be won");
    if (cellsHolding(Lamp).empty())
        problems.push_back("the level has no lamp: no reflector can ever be lit");
    for (const LightPlan::Box& box : light->getBoxes()) {
        switch (box.verdict) {
        case LightPlan::Lit:
            break;
        case LightPlan::Blocked: {
            // A box walled in by rock is reported with the walled-in lamps; this one is
            // hidden only by crates the robot never gets to.
            LightPuzzle::Sight sight = LightPuzzle::look(opened[0], box.column, box.row);
            if (sight.left != box.column - 1 || sight.right != box.column + 1 || sight.up != box.row - 1 ||
                sight.down != box.row + 1)
                addProblem(box.column, box.row,
                           "light box cannot be lit: blocked, the crates beside it are never reached");
            break;
        }
        case LightPlan::Unreachable:
            addProblem(box.column, box.row,
                       "light box cannot be lit: unreachable, the robot never gets into a cell on its row or "
                       "column that sees it");
            break;
        case LightPlan::NoLamp:
            addProblem(box.column, box.row,
                       "light box cannot be lit: no lamp in reach, no chain of reflectors from a lamp gets to "
                       "the cells that see it");
            break;
        }
    }
    int needed = light->getChosenTotal();
    int toHand = reflectorsToHand();
    if (toHand < light->getLowestTotal())
        problems.push_back("too few reflectors: lighting the boxes takes at least " +
                           std::to_string(light->getLowestTotal()) +
                           ", but the robot can have only " + std::to_string(toHand) + " (" +
                           std::to_string(Player().getNumReflectors()) + " carried, " +
                           std::to_string(Player::CrateReflectors) + " in each crate it reaches)");
    else if (toHand < needed)
        problems.push_back("too few reflectors, as far as the checker can tell: the chains it found need " +
                           std::to_string(needed) + ", but the robot can have only " + std::to_string(toHand) +
                           " (no way needs fewer than " + std::to_string(light->getLowestTotal()) + ")");
    if (!light->isConfirmedByGame())
        problems.push_back("the reflectors the checker chose did not light every box they should in the game's own "
                           "light: the checker is wrong about this level, please report it");
}

// Resting spots from which the start cannot be reached again, grouped into areas of
// touching cells: a one-way drop may be meant, but the maker should know of it.
void LevelCheck::findWaysHome()
{
    std::map<std::pair<int, int>, int> strandedCells;  // (row, column) -> resting spots
    for (const ReachSearch::RestingSpot& spot : reach->getRestingSpots())
        if (!spot.home)
            ++strandedCells[{static_cast<int>(spot.y), static_cast<int>(static_cast<double>(spot.x) + 0.5)}];
    std::map<std::pair<int, int>, bool> seen;
    for (const auto& start : strandedCells) {
        if (seen[start.first])
            continue;
        int left = start.first.second, right = left, top = start.first.first, bottom = top, spots = 0;
        std::vector<std::pair<int, int>> queue{start.first};
        seen[start.first] = true;
        for (size_t next = 0; next < queue.size(); ++next) {
            std::pair<int, int> cell = queue[next];
            spots += strandedCells[cell];
            left = std::min(left, cell.second);
            right = std::max(right, cell.second);
            top = std::min(top, cell.first);
            bottom = std::max(bottom, cell.first);
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    std::pair<int, int> near{cell.first + dr, cell.second + dc};
                    if (strandedCells.count(near) != 0 && !seen[near]) {
                        seen[near] = true;
                        queue.push_back(near);
                    }
                }
        }
        addWarning(spanName("column", left, right) + ", " + spanName("row", top, bottom) +
                   ": one way only: from " + counted(spots, "resting spot") +
                   " here the robot cannot get back to the start without losing a life");
    }
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

void LevelCheck::addWarning(const std::string& text)
{
    warnings.push_back(text);
}

void LevelCheck::reportProblems(std::ostream& out) const
{
    if (!warnings.empty()) {
        out << "\nWarnings: " << warnings.size() << "\n";
        for (size_t i = 0; i < warnings.size() && i < MostProblemsListed; ++i)
            out << "  " << warnings[i] << "\n";
        if (warnings.size() > MostProblemsListed)
            out << "  ... and " << warnings.size() - MostProblemsListed << " more\n";
    }
    size_t total = sizeProblems.size() + problems.size();
    if (total == 0) {
        out << "\nNo problems found: the level can be won and the start is safe.\n";
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
