#include "tools/levelcheck/ReachSearch.h"

#include <algorithm>
#include <unordered_map>
#include <cmath>
#include <cstring>

namespace {

const int StartColumn = 4;
const int StartRow = 22;
const float FallQuantum = 8.0f;

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// The cell Player::reflector drops into: the column under the centre, the row of the top.
int dropColumn(const Player& player)
{
    return static_cast<int>(static_cast<double>(player.getX()) + 0.5);
}

int dropRow(const Player& player)
{
    return static_cast<int>(player.getY());
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

bool ReachSearch::Patrol::covers(float x, float y) const
{
    return x < toX + 1.0f && fromX < x + 1.0f && y < static_cast<float>(row + 1) && static_cast<float>(row) < y + 1.0f;
}

bool ReachSearch::Key::operator==(const Key& other) const
{
    return x == other.x && y == other.y && phase == other.phase && base == other.base && fall == other.fall &&
           flags == other.flags;
}

ReachSearch::ReachSearch(const TileMap& level, const std::vector<Patrol>& patrols)
    : map(new TileMap[1]), patrols(patrols), crate(static_cast<size_t>(MapWidth) * MapHeight, false),
      regions(static_cast<size_t>(MapWidth / RegionCells) * (MapHeight / RegionCells)),
      passed(static_cast<size_t>(MapWidth) * MapHeight, 0), passedCount(0), leftStart(false),
      complete(true), seconds(0.0), lastReport(0.0)
{
    std::memcpy(map[0], level, sizeof(TileMap));
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            crate[static_cast<size_t>(row) * MapWidth + column] = level[row][column] == Crate;
}

ReachSearch::Key ReachSearch::keyOf(const Player& player)
{
    // The robot moves a tenth of a cell a step, but the float it arrives with at a spot
    // differs in its last bits from path to path: spots are told apart on the tenth.
    // A jump arc's height follows from its base and phase, so both are kept exactly. Once
    // the key is up, or the arc is spent, they are never read again (the next press sets
    // them afresh). A falling robot's height is kept to an eighth of a cell: falls from
    // every ledge at every moment of every arc never meet exactly, and an eighth moves a
    // landing by a frame at most, which the steering in the air makes up.
    bool held = player.isJumpHeld();
    bool spent = held && player.isJumpSpent();
    bool arcLive = held && !spent && player.getJumpPhase() < Player::Pi;
    bool inArc = arcLive && player.getJumpPhase() > 0.0f;
    bool airborne = player.isFalling() || held;
    Key key;
    key.x = static_cast<std::uint32_t>(std::lround(player.getX() * 10.0f));
    key.y = inArc || !airborne ? bitsOf(player.getY())
                               : static_cast<std::uint32_t>(std::lround(player.getY() * FallQuantum)) | 0x80000000u;
    key.phase = held && !spent ? bitsOf(player.getJumpPhase()) : 0;
    key.base = arcLive ? bitsOf(player.getJumpBaseY()) : 0;
    key.fall = bitsOf(player.getFallSpeed());
    key.flags = (player.isFalling() ? 1u : 0u) | (held ? 2u : 0u) | (spent ? 4u : 0u);
    return key;
}

std::size_t ReachSearch::hashOf(const Key& key)
{
    std::uint64_t h = (static_cast<std::uint64_t>(key.x) << 32 | key.y) * 0x9E3779B97F4A7C15ull;
    h ^= (static_cast<std::uint64_t>(key.phase) << 32 | key.base) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
    h ^= (static_cast<std::uint64_t>(key.fall) << 32 | key.flags) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    // The finaliser of MurmurHash3: every bit of the key reaches the low bits used as slot.
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<std::size_t>(h);
}

// The jump key is held only while it can still shape an arc: once the arc is over (or
// never began, pressed as the robot walked off an edge) it is let go. Holding it on
// only delays the landing's snap to the row by a frame.
bool ReachSearch::isInArc(const Player& player)
{
    return player.isJumpHeld() && !player.isJumpSpent() && player.getJumpPhase() > 0.0f &&
           player.getJumpPhase() < Player::Pi;
}

// Jump key up and not falling: what happens next depends on the position alone, so every
// such state is kept as a fresh Player put on that spot.
bool ReachSearch::isStanding(const Player& player)
{
    return !player.isFalling() && !player.isJumpHeld();
}

// A state's next states lie within a cell or two of it, so the states are kept in one
// small table per patch of the map: a search that works its way along a tunnel keeps
// looking in the same few tables instead of all over one huge one.
ReachSearch::Region& ReachSearch::regionOf(const Player& player)
{
    int column = std::min(std::max(dropColumn(player), 0), MapWidth - 1) / RegionCells;
    int row = std::min(std::max(dropRow(player), 0), MapHeight - 1) / RegionCells;
    return regions[static_cast<size_t>(row) * (MapWidth / RegionCells) + static_cast<size_t>(column)];
}

void ReachSearch::grow(Region& region)
{
    std::vector<Slot> bigger(region.slots.empty() ? 64 : region.slots.size() * 2, Slot{Key{0, 0, 0, 0, 0, 0}, 0});
    std::size_t mask = bigger.size() - 1;
    for (const Slot& old : region.slots) {
        if (old.index == 0)
            continue;
        std::size_t slot = hashOf(old.key) & mask;
        while (bigger[slot].index != 0)
            slot = (slot + 1) & mask;
        bigger[slot] = old;
    }
    region.slots.swap(bigger);
}

std::uint32_t ReachSearch::intern(const Player& player)
{
    Region& region = regionOf(player);
    if ((region.count + 1) * 2 > region.slots.size())
        grow(region);
    Key key = keyOf(player);
    std::size_t mask = region.slots.size() - 1;
    std::size_t slot = hashOf(key) & mask;
    while (region.slots[slot].index != 0) {
        if (region.slots[slot].key == key)
            return region.slots[slot].index - 1;
        slot = (slot + 1) & mask;
    }
    if (states.size() >= MostStates) {
        complete = false;
        return Unknown;
    }
    std::uint32_t index = static_cast<std::uint32_t>(states.size());
    region.slots[slot] = Slot{key, index + 1};
    ++region.count;
    states.push_back(player);
    markPassed(player);
    return index;
}

void ReachSearch::markPassed(const Player& player)
{
    int column = dropColumn(player);
    int row = dropRow(player);
    if (column != StartColumn || row != StartRow)
        leftStart = true;
    if (!isInsideMap(column, row))
        return;
    std::uint8_t& cell = passed[static_cast<size_t>(row) * MapWidth + column];
    if (cell == 0) {
        cell = 1;
        ++passedCount;
    }
}

bool ReachSearch::passesThrough(int column, int row) const
{
    return isInsideMap(column, row) && passed[static_cast<size_t>(row) * MapWidth + column] != 0;
}

// Player::move took a crate: it stays taken. Every state already searched whose next
// frame could look at that cell is searched again on the map without it.
void ReachSearch::noteCratesTaken(const Player& before)
{
    int column = static_cast<int>(before.getX());
    int row = static_cast<int>(before.getY());
    for (int r = row - 1; r <= row + 3; ++r)
        for (int c = column - 2; c <= column + 3; ++c)
            if (isInsideMap(c, r) && crate[static_cast<size_t>(r) * MapWidth + c] && map[0][r][c] != Crate) {
                crate[static_cast<size_t>(r) * MapWidth + c] = false;
                cratesTaken.push_back(Cell{c, r});
                cratesToRedo.push_back(Cell{c, r});
            }
}

void ReachSearch::redoAround(const Cell& taken, std::uint32_t searched, std::vector<std::uint32_t>& successors)
{
    for (std::uint32_t index = 0; index < searched; ++index) {
        int column = dropColumn(states[index]);
        if (column < taken.column - 2 || column > taken.column + 2)
            continue;
        expand(index, successors);
        redone[index] = successors;
    }
}

void ReachSearch::expand(std::uint32_t index, std::vector<std::uint32_t>& successors)
{
    enum JumpKey { Untouched, Press, Release };
    const Player from = states[index];
    JumpKey jumpKeys[2] = {Untouched, Untouched};
    int jumpChoices = 1;
    if (isStanding(from))
        jumpKeys[jumpChoices++] = Press;
    else if (isInArc(from))
        jumpKeys[jumpChoices++] = Release;
    else if (from.isJumpHeld())
        jumpKeys[0] = Release;

    successors.clear();
    for (int walk = 0; walk < 3; ++walk)
        for (int choice = 0; choice < jumpChoices; ++choice) {
            JumpKey jumpKey = jumpKeys[choice];
            Player next = from;
            next.moveLeft(walk == 1);
            next.moveRight(walk == 2);
            if (jumpKey != Untouched)
                next.jump(jumpKey == Press);
            next.move(map[0]);
            if (next.getNumReflectors() != from.getNumReflectors())
                noteCratesTaken(from);
            if (next.getNumLives() < from.getNumLives())
                continue;
            if (isStanding(next)) {
                Player still;
                still.setPosition(next.getX(), next.getY());
                next = still;
            }
            std::uint32_t to = intern(next);
            if (to != Unknown && std::find(successors.begin(), successors.end(), to) == successors.end())
                successors.push_back(to);
        }
}

void ReachSearch::reportProgress(std::ostream& progress, bool last)
{
    double now = secondsSince(started);
    if (now < 1.0 || (!last && now - lastReport < 1.0))
        return;
    lastReport = now;
    progress << "tarnwick-levelcheck: searching: " << states.size() << " robot states, "
             << static_cast<int>(now) << " s" << (last ? "\n" : "\r") << std::flush;
}

void ReachSearch::run(std::ostream& progress)
{
    started = std::chrono::steady_clock::now();
    lastReport = 0.0;
    intern(Player());
    std::vector<std::uint32_t> successors;
    for (std::uint32_t index = 0; index < states.size(); ++index) {
        edgeStart.push_back(static_cast<std::uint32_t>(edges.size()));
        expand(index, successors);
        edges.insert(edges.end(), successors.begin(), successors.end());
        while (!cratesToRedo.empty()) {
            Cell taken = cratesToRedo.back();
            cratesToRedo.pop_back();
            redoAround(taken, index + 1, successors);
        }
        if ((index & 0xFFFF) == 0)
            reportProgress(progress, false);
    }
    edgeStart.push_back(static_cast<std::uint32_t>(edges.size()));
    findHome();
    collectRestingSpots();
    seconds = secondsSince(started);
    reportProgress(progress, true);
}

const std::vector<std::uint32_t>* ReachSearch::edgesFrom(std::uint32_t index, std::vector<std::uint32_t>& buffer) const
{
    auto again = redone.find(index);
    if (again != redone.end())
        return &again->second;
    buffer.assign(edges.begin() + edgeStart[index], edges.begin() + edgeStart[index + 1]);
    return &buffer;
}

// The states from which the start (state 0) can be reached: a walk back along the edges.
void ReachSearch::findHome()
{
    std::size_t count = states.size();
    std::vector<std::uint32_t> intoStart(count + 1, 0);
    std::vector<std::uint32_t> buffer;
    for (std::uint32_t index = 0; index < count; ++index)
        for (std::uint32_t to : *edgesFrom(index, buffer))
            ++intoStart[to + 1];
    for (std::size_t i = 0; i < count; ++i)
        intoStart[i + 1] += intoStart[i];
    std::vector<std::uint32_t> from(intoStart.back());
    std::vector<std::uint32_t> fill(intoStart.begin(), intoStart.end() - 1);
    for (std::uint32_t index = 0; index < count; ++index)
        for (std::uint32_t to : *edgesFrom(index, buffer))
            from[fill[to]++] = index;

    home.assign(count, false);
    // Home is any spot in the start's cell: walking there and back does not always come
    // to the very same float.
    std::vector<std::uint32_t> queue;
    for (std::uint32_t index = 0; index < count; ++index) {
        const Player& state = states[index];
        if (isStanding(state) && dropColumn(state) == StartColumn && dropRow(state) == StartRow) {
            home[index] = true;
            queue.push_back(index);
        }
    }
    while (!queue.empty()) {
        std::uint32_t to = queue.back();
        queue.pop_back();
        for (std::uint32_t e = intoStart[to]; e < intoStart[to + 1]; ++e)
            if (!home[from[e]]) {
                home[from[e]] = true;
                queue.push_back(from[e]);
            }
    }
}

void ReachSearch::collectRestingSpots()
{
    restingSpots.clear();
    for (std::size_t i = 0; i < states.size(); ++i) {
        const Player& state = states[i];
        if (!isStanding(state) || isPassable(tileAt(map[0], dropColumn(state), dropRow(state) + 1)))
            continue;
        bool onPatrol = std::any_of(patrols.begin(), patrols.end(),
                                    [&](const Patrol& p) { return p.covers(state.getX(), state.getY()); });
        if (!onPatrol)
            restingSpots.push_back(RestingSpot{state.getX(), state.getY(), home[i]});
    }
}
