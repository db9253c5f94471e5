#pragma once

#include "game/TileType.h"

class Drawer;
class GamePlay;

// The robot the user steers. Positions are in cells (x: left edge, y: top edge), speeds
// in cells per frame; move() advances it by one frame.
class Player {
public:
    Player();

    // One frame: the horizontal step, then the jump arc or the fall. May collect crates,
    // which turns their cells into CaveBack.
    void move(TileMap& map);

    void moveRight(bool pressed);
    void moveLeft(bool pressed);
    void jump(bool pressed);
    // Drops a reflector on the player's cell, if it still carries one.
    void reflector(GamePlay* game);
    void decrementNumLives();

    void draw(Drawer* drawer, GamePlay* game);

    // Puts the player on a spot at once, for tests and tools; nothing else changes.
    void setPosition(float newX, float newY)
    {
        x = newX;
        y = newY;
    }

    float getX() const { return x; }
    float getY() const { return y; }
    int getNumLives() const { return numLives; }
    int getNumReflectors() const { return numReflectors; }
    bool isFacingRight() const { return facingRight; }
    bool isFalling() const { return falling; }
    float getFallSpeed() const { return fallSpeed; }
    float getJumpPhase() const { return jumpPhase; }
    float getJumpBaseY() const { return jumpBaseY; }
    bool isJumpSpent() const { return jumpSpent; }
    bool isJumpHeld() const { return jumpHeld; }

    static constexpr float StartX = 4.0f;
    static constexpr float StartY = 22.0f;
    static constexpr float GoneX = -2.0f;   // where the player goes with no lives left
    static constexpr float WalkStep = 0.1f;
    static constexpr float JumpHeight = 3.0f;
    static constexpr float JumpPhaseStep = 0.1f;
    static constexpr float Pi = 3.1415927f;
    static constexpr float FirstFallStep = 0.1f;
    static constexpr float FallAcceleration = 0.01f;
    static constexpr float FallStepLimit = 0.5f;
    static const int CrateReflectors = 5;

private:
    // The column under the player's centre.
    int column() const;
    // Returns false when the step lost a life and the frame's step must end.
    bool walkStep(TileMap& map, int row, int c0, bool right);
    bool afterWalk(const TileMap& map, int row, int c0);
    void jumpStep(TileMap& map, int row, int c);
    // Ends the arc with the robot standing in the given row.
    void landFromArc(int row);
    void fallStep(TileMap& map, int row, int c);
    void fallOnce();
    void collectCrate(TileMap& map, int column, int row);

    bool movingRight;
    bool movingLeft;
    bool jumpHeld;
    bool jumpSpent;
    float x;
    float y;
    bool facingRight;
    float jumpPhase;
    float jumpBaseY;
    bool falling;
    float fallSpeed;
    int numReflectors;
    int numLives;
};
