#pragma once

#include "app/GameState.h"
#include "render/PictureSet.h"

// The first screen: the title picture and a three-item menu (play, level editor, quit),
// worked with the arrow keys and Return, "z" or "x"; Escape quits from anywhere.
class TitleScreen : public GameState {
public:
    enum Item { Play, Editor, Quit, ItemCount };

    explicit TitleScreen(Application* application);
    ~TitleScreen() override;

    void draw(Drawer* drawer) override;
    void keyDown(const SDL_keysym& key) override;
    std::string getName() const override;

    int getSelection() const { return selection; }

private:
    void choose();

    // The background, then the labels of the items in menu order.
    PictureSet pictures;
    int selection;
};
