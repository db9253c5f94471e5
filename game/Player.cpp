#include "game/Player.h"

#include <cmath>

#include "audio/Sounds.h"
#include "game/GamePlay.h"
#include "render/Drawer.h"

namespace {

void playSound(Sounds::SoundType type)
{
    Sounds::getInstance()->playSound(type);
}

} // namespace

Player::Player()
    : movingRight(false), movingLeft(false), jumpHeld(false), jumpSpent(false),
      x(StartX), y(StartY), facingRight(true), jumpPhase(0.0f), jumpBaseY(StartY),
      falling(false), fallSpeed(FirstFallStep), numReflectors(10), numLives(3)
{
}

int Player::column() const
{
    return static_cast<int>(static_cast<double>(x) + 0.5);
}

void Player::moveRight(bool pressed)
{
    movingRight = pressed;
}

void Player::moveLeft(bool pressed)
{
    movingLeft = pressed;
}

void Player::jump(bool pressed)
{
    if (pressed) {
        // Only a fresh press may start a new jump; a repeated press without a release
        // in between just restarts the arc from here.
        if (!jumpHeld) {
            playSound(Sounds::Jump);
            jumpSpent = false;
        }
        jumpPhase = 0.0f;
        jumpBaseY = y;
    } else {
        falling = true;
    }
    jumpHeld = pressed;
}

void Player::reflector(GamePlay* game)
{
    if (numReflectors <= 0)
        return;
    if (game->addReflector(column(), static_cast<int>(y))) {
        --numReflectors;
        playSound(Sounds::Drop);
    }
}

void Player::decrementNumLives()
{
    --numLives;
    facingRight = true;
    jumpPhase = 0.0f;
    jumpBaseY = StartY;
    falling = false;
    fallSpeed = FirstFallStep;
    playSound(Sounds::Die);
    // With no life left the player is parked outside the map, out of view.
    x = numLives > 0 ? StartX : GoneX;
    y = StartY;
}

void Player::collectCrate(TileMap& map, int column, int row)
{
    map[row][column] = CaveBack;
    numReflectors += CrateReflectors;
    playSound(Sounds::Pickup);
}

void Player::fallOnce()
{
    y += fallSpeed;
    if (fallSpeed < FallStepLimit)
        fallSpeed += FallAcceleration;
}

void Player::move(TileMap& map)
{
    if (numLives < 1)
        return;

    // Every test of this frame uses the row the player was in when the frame began.
    int row = static_cast<int>(y);
    int c0 = column();

    if (movingRight != movingLeft) {
        bool alive = walkStep(map, row, c0, movingRight);
        if (!alive)
            return;
    }

    int c = column();
    // A jump only starts from solid ground; pressed in mid-air it waits for the landing.
    bool standing = !isPassable(tileAt(map, c, row + 1));
    if (jumpHeld && !jumpSpent && !(jumpPhase == 0.0f && !standing))
        jumpStep(map, row, c);
    else
        fallStep(map, row, c);
}

// One walking step. The cell looked at is the one the leading edge enters: right of the
// body when walking right, the body's own left cell when walking left.
bool Player::walkStep(TileMap& map, int row, int c0, bool right)
{
    bool inMap = right ? c0 <= MapWidth - 1 : c0 >= 0;
    if (inMap) {
        int ahead = right ? static_cast<int>(static_cast<double>(x) + 1.0) : static_cast<int>(x);
        TileType tile = tileAt(map, ahead, row);
        if (isPassable(tile) || tile == Crate) {
            if (tile == Crate)
                collectCrate(map, ahead, row);
            x += right ? WalkStep : -WalkStep;
            if (!afterWalk(map, row, c0))
                return false;
        } else if (tile == Spikes || tile == Lava) {
            decrementNumLives();
            return false;
        }
    }
    facingRight = right;
    return true;
}

// After a step: walking off an edge starts a fall; walking on lava costs a life.
bool Player::afterWalk(const TileMap& map, int row, int c0)
{
    if (isPassable(tileAt(map, column(), row + 1))) {
        falling = true;
    } else if (tileAt(map, c0, row + 1) == Lava) {
        decrementNumLives();
        return false;
    }
    return true;
}

void Player::jumpStep(TileMap& map, int row, int c)
{
    // The arc is measured from where it starts: a press in mid-air starts it only on
    // landing, and measured from the height of the press it would lift the robot through
    // rock in one frame.
    if (jumpPhase == 0.0f)
        jumpBaseY = y;
    jumpPhase += JumpPhaseStep;

    if (jumpPhase < Pi) {
        y = static_cast<float>(jumpBaseY - JumpHeight * std::sin(static_cast<double>(jumpPhase)));
        int r = static_cast<int>(y);
        TileType head = tileAt(map, c, r);
        if (r > row && !isPassable(head)) {
            // Coming down into a blocking cell (a step sideways can bring one under the
            // robot after the last frame looked below): land on top of it.
            landFromArc(row);
        } else if (!isPassable(tileAt(map, c, r + 1))) {
            // Rising past the top of a ledge, or coming down on ground: land.
            landFromArc(r);
        } else if (isPassable(head)) {
            // still in the air
        } else if (head == Spikes) {
            decrementNumLives();
        } else {
            y = static_cast<float>(r + 1);
            jumpPhase = Pi;
        }
    }

    // The arc is over but the key is still held: drop until the ground is reached, then
    // refuse a new jump until the key is pressed again.
    if (jumpPhase >= Pi) {
        TileType below = tileAt(map, c, row + 1);
        if (isPassable(below)) {
            fallOnce();
        } else if (below == Crate) {
            collectCrate(map, c, row + 1);
            fallOnce();
        } else if (below == Lava) {
            decrementNumLives();
        } else {
            jumpPhase = 0.0f;
            jumpSpent = true;
            jumpBaseY = y;
        }
    }
}

void Player::landFromArc(int row)
{
    falling = false;
    fallSpeed = FirstFallStep;
    y = static_cast<float>(row);
    jumpPhase = Pi;
}

void Player::fallStep(TileMap& map, int row, int c)
{
    if (!falling)
        return;
    TileType below = tileAt(map, c, row + 1);
    if (below == Crate) {
        collectCrate(map, c, row + 1);
        // The crate's cell is open now, so the fall goes on through it this frame, but not
        // on into the cell under it, which nothing has looked at (a step sideways can bring
        // a crate under a robot low in its row, and two steps can reach past the crate).
        fallOnce();
        if (static_cast<int>(y + fallSpeed) <= row + 1 || isPassable(tileAt(map, c, row + 2)))
            fallOnce();
    } else if (below == Lava) {
        decrementNumLives();
    } else if (isPassable(below)) {
        fallOnce();
    } else {
        falling = false;
        fallSpeed = FirstFallStep;
        y = static_cast<float>(row);
    }
}

void Player::draw(Drawer* drawer, GamePlay* game)
{
    int screenX = static_cast<int>((x - game->getViewX()) * CellPixels - 16.0f);
    int screenY = static_cast<int>((y - game->getViewY()) * CellPixels - 16.0f);
    drawer->drawImage(game->getRobotImage(), static_cast<short>(screenX), static_cast<short>(screenY),
                      facingRight ? 1.0f : -1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}
