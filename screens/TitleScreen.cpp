#include "screens/TitleScreen.h"

#include "assets/Images.h"
#include "render/Drawer.h"
#include "render/ImageLoader.h"

// The three menu labels stand in a column under the title lettering.
static const short LabelX = 256;
static const short LabelY[TitleScreen::ItemCount] = {448, 512, 576};

// The highlight is a dark red tint of the white lettering.
static const float SelectedRed = 0.79f;

TitleScreen::TitleScreen(Application* application)
    : GameState(application), backgroundImage(0), enterImage(0), editorImage(0), quitImage(0), selection(0)
{
}

TitleScreen::~TitleScreen()
{
    releaseImage(backgroundImage);
    releaseImage(enterImage);
    releaseImage(editorImage);
    releaseImage(quitImage);
}

static unsigned load(Drawer* drawer, ImageLoader& loader, const char* png, unsigned length)
{
    ImageLoader::PixelData image = loader.loadImage(png, length);
    return drawer->loadImage(image.pixels, image.width, image.height);
}

void TitleScreen::loadImages(Drawer* drawer)
{
    ImageLoader loader;
    backgroundImage = load(drawer, loader, Images::titlescreen_png, Images::titlescreen_png_size);
    enterImage = load(drawer, loader, Images::enterbutton_png, Images::enterbutton_png_size);
    editorImage = load(drawer, loader, Images::editorbutton_png, Images::editorbutton_png_size);
    quitImage = load(drawer, loader, Images::quitbutton_png, Images::quitbutton_png_size);
}

void TitleScreen::draw(Drawer* drawer)
{
    if (backgroundImage == 0)
        loadImages(drawer);

    drawer->drawImage(backgroundImage, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    const unsigned labels[ItemCount] = {enterImage, editorImage, quitImage};
    for (int item = 0; item < ItemCount; ++item) {
        if (item == selection)
            drawer->drawImage(labels[item], LabelX, LabelY[item], 1.0f, 1.0f, SelectedRed, 0.0f, 0.0f, 1.0f);
        else
            drawer->drawImage(labels[item], LabelX, LabelY[item], 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
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
