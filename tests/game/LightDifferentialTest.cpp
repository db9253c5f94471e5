// The light puzzle against a plain version of its rules: walks cell by cell, a scan of the
// whole reflector list at every cell walked, and one full round per reflector. Random
// maps and placement orders must give the same lit flags, the same count and the same
// sound requests, placement by placement.

#include <random>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "tests/game/GameWorld.h"

namespace {

struct PlainOutcome {
    unsigned connects = 0;
    unsigned lightboxes = 0;
};

// The rules, written out as plainly as they read.
class PlainLight {
public:
    explicit PlainLight(const TileMap& map) : map(map)
    {
        for (int row = 0; row < MapHeight; ++row)
            for (int column = 0; column < MapWidth; ++column)
                if (map[row][column] == LightBox)
                    boxes.push_back(Reflector{column, row, false});
    }

    bool add(int column, int row, PlainOutcome& out)
    {
        for (const Reflector& r : reflectors)
            if (r.x == column && r.y == row)
                return false;
        reflectors.push_back(Reflector{column, row, false});
        size_t rounds = reflectors.size();
        for (size_t i = 0; i < rounds; ++i)
            update(out);
        return true;
    }

    std::vector<Reflector> reflectors;
    std::vector<Reflector> boxes;
    int litCount = 0;
    bool complete = false;

private:
    static const int dx[4];
    static const int dy[4];

    // The entry of the reflector list standing on a cell, or null.
    Reflector* entryAt(int column, int row)
    {
        for (Reflector& r : reflectors)
            if (r.x == column && r.y == row)
                return &r;
        return nullptr;
    }

    bool lookForLamp(const Reflector& r, int d)
    {
        int column = r.x + dx[d];
        int row = r.y + dy[d];
        while (isPassable(tileAt(map, column, row))) {
            column += dx[d];
            row += dy[d];
        }
        return tileAt(map, column, row) == Lamp;
    }

    void lookForLitReflector(Reflector& r, int d, bool& connect)
    {
        int column = r.x + dx[d];
        int row = r.y + dy[d];
        while (isPassable(tileAt(map, column, row))) {
            if (!r.lit) {
                Reflector* other = entryAt(column, row);
                if (other && other->lit) {
                    r.lit = true;
                    connect = true;
                }
            } else {
                const Reflector& first = reflectors.front();
                if (first.x == column && first.y == row && first.lit)
                    connect = true;
            }
            column += dx[d];
            row += dy[d];
        }
    }

    bool boxSeesLitReflector(const Reflector& box, int d)
    {
        int column = box.x + dx[d];
        int row = box.y + dy[d];
        while (isPassable(tileAt(map, column, row))) {
            Reflector* other = entryAt(column, row);
            if (other && other->lit)
                return true;
            column += dx[d];
            row += dy[d];
        }
        return false;
    }

    void update(PlainOutcome& out)
    {
        bool connect = false;
        bool box = false;
        for (Reflector& r : reflectors) {
            for (int d = 0; d < 4; ++d) {
                if (d > 0 && r.lit)
                    break;
                if (lookForLamp(r, d)) {
                    r.lit = true;
                    connect = true;
                }
            }
        }
        for (Reflector& r : reflectors) {
            for (int d = 0; d < 4; ++d) {
                if (d > 0 && r.lit)
                    break;
                lookForLitReflector(r, d, connect);
            }
        }
        if (connect)
            ++out.connects;
        for (Reflector& b : boxes) {
            for (int d = 0; d < 4 && !b.lit; ++d) {
                if (boxSeesLitReflector(b, d)) {
                    b.lit = true;
                    ++litCount;
                    box = true;
                }
            }
        }
        if (box) {
            ++out.lightboxes;
            if (litCount >= static_cast<int>(boxes.size()))
                complete = true;
        }
    }

    const TileMap& map;
};

// Left, right, up, down.
const int PlainLight::dx[4] = {-1, 1, 0, 0};
const int PlainLight::dy[4] = {0, 0, -1, 1};

// A random patch of level in a field of rock, sometimes against an edge of the map so
// that lines run out at the border.
struct Patch {
    int left;
    int top;
    int width;
    int height;
};

TileType randomTile(std::mt19937& random, int openPercent, int boxPercent)
{
    int roll = static_cast<int>(random() % 100);
    if (roll < openPercent)
        return (random() % 3 == 0) ? CaveBack : Empty;
    if (roll < openPercent + boxPercent)
        return LightBox;
    static const TileType others[] = {Earth, Earth, Grass, Lamp, Lamp, LightPipe,
                                      Crate, Crate, Spikes, Lava, static_cast<TileType>(200)};
    return others[random() % (sizeof(others) / sizeof(others[0]))];
}

struct TrialShape {
    int width;
    int height;
    int openPercent;
    int boxPercent;
    int placements;
};

Patch randomPatch(std::mt19937& random, int width, int height)
{
    Patch p{0, 0, width, height};
    switch (random() % 4) {
    case 0: p.left = 0; p.top = 0; break;                                          // top-left corner
    case 1: p.left = MapWidth - width; p.top = MapHeight - height; break;         // bottom-right corner
    default: p.left = 200 + static_cast<int>(random() % 400); p.top = 100 + static_cast<int>(random() % 400); break;
    }
    return p;
}

std::string describe(const std::vector<Reflector>& list)
{
    std::ostringstream out;
    for (const Reflector& r : list)
        out << "(" << r.x << "," << r.y << (r.lit ? ",lit) " : ") ");
    return out.str();
}

void runTrial(unsigned seed, const TrialShape& shape)
{
    int width = shape.width;
    int height = shape.height;
    std::mt19937 random(seed);
    std::unique_ptr<GamePlay> game = gameworld::makeEmptyGame();
    TileMap& map = game->getMap();
    gameworld::fillMap(map, Earth);
    Patch patch = randomPatch(random, width, height);
    for (int row = patch.top; row < patch.top + height; ++row)
        for (int column = patch.left; column < patch.left + width; ++column)
            map[row][column] = randomTile(random, shape.openPercent, shape.boxPercent);
    gameworld::startLevel(*game);

    PlainLight plain(map);
    ASSERT_EQ(plain.boxes.size(), game->getLightBoxes().size());
    std::vector<std::pair<int, int>> placed;

    for (int step = 0; step < shape.placements; ++step) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", placement " + std::to_string(step));

        // Now and then the player takes a crate, opening a line between placements.
        if (random() % 4 == 0) {
            int column = patch.left + static_cast<int>(random() % static_cast<unsigned>(width));
            int row = patch.top + static_cast<int>(random() % static_cast<unsigned>(height));
            if (map[row][column] == Crate)
                map[row][column] = CaveBack;
        }

        int column;
        int row;
        unsigned kind = random() % 10;
        if (kind == 0 && !placed.empty()) {
            // a cell that already holds one
            column = placed[random() % placed.size()].first;
            row = placed[random() % placed.size()].second;
        } else if (kind == 1) {
            // just outside the patch, possibly outside the map
            column = patch.left - 1 + static_cast<int>(random() % static_cast<unsigned>(width + 2));
            row = patch.top - 1;
        } else {
            column = patch.left + static_cast<int>(random() % static_cast<unsigned>(width));
            row = patch.top + static_cast<int>(random() % static_cast<unsigned>(height));
        }

        gameworld::SoundCounter sounds;
        PlainOutcome expected;
        bool expectedPlaced = plain.add(column, row, expected);
        bool actualPlaced = game->addReflector(column, row);
        ASSERT_EQ(expectedPlaced, actualPlaced) << "at " << column << "," << row;
        if (actualPlaced)
            placed.emplace_back(column, row);

        ASSERT_EQ(describe(plain.reflectors), describe(game->getReflectors()));
        ASSERT_EQ(describe(plain.boxes), describe(game->getLightBoxes()));
        ASSERT_EQ(plain.litCount, gameworld::litCount());
        ASSERT_EQ(plain.complete, game->isLevelComplete());
        ASSERT_EQ(expected.connects, sounds(Sounds::Connect));
        ASSERT_EQ(expected.lightboxes, sounds(Sounds::Lightbox));
    }
}

const TrialShape SmallDense{16, 12, 60, 6, 24};
const TrialShape FewBoxes{16, 12, 72, 2, 30};
const TrialShape WideOpen{48, 32, 88, 1, 30};

TEST(LightDifferentialTest, SmallDensePatchesAgreeWithThePlainRules)
{
    for (unsigned seed = 1; seed <= 120; ++seed) {
        runTrial(seed, SmallDense);
        if (HasFatalFailure())
            return;
    }
}

TEST(LightDifferentialTest, PatchesWithFewBoxesAgreeWithThePlainRules)
{
    for (unsigned seed = 501; seed <= 600; ++seed) {
        runTrial(seed, FewBoxes);
        if (HasFatalFailure())
            return;
    }
}

TEST(LightDifferentialTest, WideOpenPatchesAgreeWithThePlainRules)
{
    for (unsigned seed = 1001; seed <= 1030; ++seed) {
        runTrial(seed, WideOpen);
        if (HasFatalFailure())
            return;
    }
}

// Agreement means little if the trials never reach the interesting cases: check, with
// the plain rules alone, that trials of these shapes light reflectors and boxes, repeat
// Connect within a placement and complete levels.
TEST(LightDifferentialTest, TheRandomTrialsReachTheInterestingCases)
{
    unsigned litReflectors = 0;
    unsigned litBoxes = 0;
    unsigned repeatedConnects = 0;
    unsigned completed = 0;
    for (unsigned seed = 501; seed <= 600; ++seed) {
        std::mt19937 random(seed);
        gameworld::Map map;
        gameworld::fillMap(*map, Earth);
        Patch patch = randomPatch(random, FewBoxes.width, FewBoxes.height);
        for (int row = patch.top; row < patch.top + FewBoxes.height; ++row)
            for (int column = patch.left; column < patch.left + FewBoxes.width; ++column)
                map.at(column, row) = randomTile(random, FewBoxes.openPercent, FewBoxes.boxPercent);
        PlainLight plain(*map);
        for (int step = 0; step < FewBoxes.placements; ++step) {
            PlainOutcome out;
            int column = patch.left + static_cast<int>(random() % static_cast<unsigned>(FewBoxes.width));
            int row = patch.top + static_cast<int>(random() % static_cast<unsigned>(FewBoxes.height));
            if (plain.add(column, row, out) && out.connects > 1)
                ++repeatedConnects;
        }
        for (const Reflector& r : plain.reflectors)
            litReflectors += r.lit ? 1 : 0;
        for (const Reflector& b : plain.boxes)
            litBoxes += b.lit ? 1 : 0;
        completed += plain.complete ? 1 : 0;
    }
    EXPECT_GT(litReflectors, 300u);
    EXPECT_GT(litBoxes, 50u);
    EXPECT_GT(repeatedConnects, 100u);
    EXPECT_GT(completed, 5u);
}

} // namespace
