#include "screens/TitleScreen.h"

// Placeholder until the title screen lands.
TitleScreen::TitleScreen(Application* application)
    : GameState(application), backgroundImage(0), enterImage(0), editorImage(0), quitImage(0), selection(0) {}
TitleScreen::~TitleScreen() {}
void TitleScreen::draw(Drawer*) {}
void TitleScreen::keyDown(const SDL_keysym&) {}
std::string TitleScreen::getName() const { return "TitleScreen"; }
