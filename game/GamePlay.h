#pragma once

#include <string>
#include <vector>

#include "app/GameState.h"
#include "game/LightPuzzle.h"
#include "game/Player.h"
#include "game/Reflector.h"
#include "game/SpikeBall.h"
#include "game/StatusBar.h"
#include "game/TileType.h"
#include "render/PictureSet.h"
#include "render/TileArt.h"
#include "render/TileScene.h"

// The play screen: owns the level, the player, the light puzzle and the spike balls.
// Its draw() both advances the world by one step and paints the frame. It holds the 3 MB
// map inline, so it always lives on the heap.
class GamePlay : public GameState {
public:
    explicit GamePlay(Application* application);
    ~GamePlay() override;

    GamePlay(const GamePlay&) = delete;
    GamePlay& operator=(const GamePlay&) = delete;

    void draw(Drawer* drawer) override;
    void keyDown(const SDL_keysym& key) override;
    void keyUp(const SDL_keysym& key) override;
    std::string getName() const override;

    // Places a reflector on a cell and lets the light settle. False when the cell already
    // holds one.
    bool addReflector(int column, int row);
    // One round of lighting against the current map.
    void updateReflectors();

    // Reads the level file into the map, collecting the light boxes and spike balls.
    void loadLevel();
    // Starts the level afresh from the cells now in the map (filled through getMap()):
    // placed reflectors and spike balls are dropped, then the light boxes and spike balls
    // are collected from the map exactly as loadLevel does after reading the file.
    void loadLevelFromMap();

    Player& getPlayer() { return player; }
    const Player& getPlayer() const { return player; }
    TileMap& getMap() { return map; }
    const TileMap& getMap() const { return map; }
    const std::vector<Reflector>& getReflectors() const { return light.getReflectors(); }
    const std::vector<Reflector>& getLightBoxes() const { return light.getLightBoxes(); }
    const std::vector<SpikeBall*>& getSpikeBalls() const { return spikeBalls; }
    bool isStoryShown() const { return storyShown; }
    bool isGameOver() const { return gameOver; }
    bool isLevelComplete() const { return levelComplete; }
    float getViewX() const { return viewX; }
    float getViewY() const { return viewY; }
    // The one picture all spike balls share (0 before the first frame).
    unsigned getSpikeBallImage() const { return art.id(TileArt::SpikeBallPicture); }
    // The robot's picture (0 before the first frame): the player is copied by the level
    // checker millions of times, so it carries no pictures of its own.
    unsigned getRobotImage() const { return pictures[RobotPicture]; }

    // The drawer may keep the tile passes from frame to frame, where it can. Turned off,
    // every tile is drawn every frame: the plain way, kept to compare the two.
    void setTileCache(bool enabled) { tileCache = enabled; }

    static const char* const LitCounter;   // "LightBoxesLit"

private:
    // The play field's own pictures (the tiles' are the art's), in the order of the
    // embedded picture table.
    enum Picture {
        ReflectorPicture, BeamVerticalPicture, BeamHorizontalPicture, LightBoxLitPicture,
        StoryPicture, WinPicture,
        RobotPicture, PictureCount
    };

    void collectLevelObjects();
    void deleteSpikeBalls();
    void applyOutcome(const LightPuzzle::Outcome& outcome);
    void leaveToTitle();

    void updateView();
    void drawPicture(Drawer* drawer, Picture picture, int x, int y);
    void drawTilePicture(Drawer* drawer, TileArt::Picture picture, int x, int y);
    int screenX(int column) const;
    int screenY(int row) const;
    void describeTiles(TileScene& tiles, TileScene& halos);
    void setSky(TileScene& tiles) const;
    void drawBeams(Drawer* drawer);
    void drawBeamLine(Drawer* drawer, const Reflector& r, int stepX, int stepY, Picture picture);
    void drawReflectors(Drawer* drawer);
    void drawLightBoxes(Drawer* drawer);
    void moveAndDrawSpikeBalls(Drawer* drawer);

    TileArt art;
    PictureSet pictures;
    StatusBar statusBar;
    TileMap map;
    float viewX;
    float viewY;
    Player player;
    LightPuzzle light;
    std::vector<SpikeBall*> spikeBalls;
    bool storyShown;
    bool gameOver;
    bool levelComplete;
    bool tileCache;
};
