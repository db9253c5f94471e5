#pragma once

#include <SDL/SDL.h>
#include <string>

class Application;
class Drawer;

// A screen of the game: the title screen, play, or the level editor. The Application
// holds exactly one, hands it input and has it draw one frame per pass of the main loop.
class GameState {
public:
    explicit GameState(Application* application);
    virtual ~GameState();

    // Draws one whole frame; the play screen also advances its world by one step here.
    virtual void draw(Drawer* drawer) = 0;
    virtual void keyDown(const SDL_keysym& key);
    virtual void keyUp(const SDL_keysym& key);
    virtual void mouseDown(int button, int x, int y);
    virtual void mouseUp(int button, int x, int y);
    virtual void mouseMove(int x, int y);
    virtual std::string getName() const = 0;

    // Ask the Application for the next screen. This state is destroyed during the call,
    // so a handler must return at once afterwards. Without an Application (unit tests
    // build screens on their own) both do nothing.
    void nextState(bool editor);
    void quit();

protected:
    // Gives a picture back to the Application's drawer, so that a screen left and entered
    // again does not hold two copies. Nothing happens for id 0, without an Application,
    // or once the drawer is gone (tear-down deletes it first, and it frees everything).
    void releaseImage(unsigned id);
    // The Application's drawer, or null.
    Drawer* getDrawer() const;

    Application* application;
};
