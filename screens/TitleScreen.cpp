#include "screens/TitleScreen.h"

#include "assets/Images.h"
#include "render/Drawer.h"
#include "render/PictureSet.h"

// The three menu labels stand in a column under the title lettering.
static const short LabelX = 256;
static const short LabelY[TitleScreen::ItemCount] = {448, 512, 576};

// The highlight is a dark red tint of the white lettering.
static const float SelectedRed = 0.79f;

// Loaded in this order: the background picture has index 0, item i's label index 1 + i.
static const PictureSet::Embedded Pictures[1 + TitleScreen::ItemCount] = {
    {&Images::titlescreen_png, &Images::titlescreen_png_size},
    {&Images::enterbutton_png, &Images::enterbutton_png_size},
    {&Images::editorbutton_png, &Images::editorbutton_png_size},
    {&Images::quitbutton_png, &Images::quitbutton_png_size},
};
static const int Background = 0;
static const int FirstLabel = 1;

TitleScreen::TitleScreen(Application* application)
    : GameState(application), pictures(Pictures, 1 + ItemCount), selection(0)
{
}

TitleScreen::~TitleScreen()
{
    pictures.release(getDrawer());
}

void TitleScreen::draw(Drawer* drawer)
{
    pictures.load(drawer);

    drawer->drawImage(pictures[Background], 0, 0, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    for (int item = 0; item < ItemCount; ++item) {
        unsigned label = pictures[FirstLabel + item];
        if (item == selection)
            drawer->drawImage(label, LabelX, LabelY[item], 1.0f, 1.0f, SelectedRed, 0.0f, 0.0f, 1.0f);
        else
            drawer->drawImage(label, LabelX, LabelY[item], 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    }
}

// Choosing hands over to the Application, which deletes this screen during the call for
// play and the editor, so it is always the last thing a handler does.
void TitleScreen::choose()
{
    switch (selection) {
    case Play:
        nextState(false);
        break;
    case Editor:
        nextState(true);
        break;
    default:
        quit();
        break;
    }
}

void TitleScreen::keyDown(const SDL_keysym& key)
{
    switch (key.sym) {
    case SDLK_UP:
        selection = selection == 0 ? ItemCount - 1 : selection - 1;
        break;
    case SDLK_DOWN:
        selection = selection == ItemCount - 1 ? 0 : selection + 1;
        break;
    case SDLK_RETURN:
    case SDLK_z:
    case SDLK_x:
        choose();
        break;
    case SDLK_ESCAPE:
        quit();
        break;
    default:
        break;
    }
}

std::string TitleScreen::getName() const
{
    return "TitleScreen";
}
