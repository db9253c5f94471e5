#pragma once

#include "app/GameState.h"

// The first screen: the title picture and a three-item menu (play, level editor, quit).
class TitleScreen : public GameState {
public:
    explicit TitleScreen(Application* application);
    ~TitleScreen() override;

    void draw(Drawer* drawer) override;
    void keyDown(const SDL_keysym& key) override;
    std::string getName() const override;

    int getSelection() const { return selection; }

private:
    unsigned backgroundImage;
    unsigned enterImage;
    unsigned editorImage;
    unsigned quitImage;
    int selection;
};
