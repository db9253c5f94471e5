#include "app/GameState.h"

#include "app/Application.h"
#include "render/Drawer.h"

GameState::GameState(Application* application) : application(application) {}

GameState::~GameState() {}

void GameState::keyDown(const SDL_keysym&) {}
void GameState::keyUp(const SDL_keysym&) {}
void GameState::mouseDown(int, int, int) {}
void GameState::mouseUp(int, int, int) {}
void GameState::mouseMove(int, int) {}

Drawer* GameState::getDrawer() const
{
    return application ? application->getDrawer() : nullptr;
}

void GameState::releaseImage(unsigned id)
{
    Drawer* drawer = getDrawer();
    if (drawer && id != 0)
        drawer->releaseImage(id);
}

void GameState::nextState(bool editor)
{
    if (application)
        application->nextState(editor);
}

void GameState::quit()
{
    if (application)
        application->quit();
}
