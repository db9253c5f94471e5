#pragma once

#include "app/GameState.h"

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
    void loadImages(Drawer* drawer);
    void choose();

    unsigned backgroundImage;   // 0 until the pictures are loaded on the first frame
    unsigned enterImage;
    unsigned editorImage;
    unsigned quitImage;
    int selection;
};
