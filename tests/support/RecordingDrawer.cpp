#include "tests/support/RecordingDrawer.h"

unsigned RecordingDrawer::loadImage(unsigned char* pixels, unsigned width, unsigned height)
{
    unsigned id = NullDrawer::loadImage(pixels, width, height);
    if (id)
        images[id] = LoadedImage{width, height};
    return id;
}

void RecordingDrawer::releaseImage(unsigned id)
{
    images.erase(id);
}

void RecordingDrawer::beginDrawing()
{
    Call c;
    c.op = "beginDrawing";
    calls.push_back(c);
}

void RecordingDrawer::endDrawing()
{
    Call c;
    c.op = "endDrawing";
    calls.push_back(c);
}

void RecordingDrawer::drawImage(unsigned id, short x, short y, float scaleX, float scaleY,
                                float red, float green, float blue, float alpha)
{
    Call c;
    c.op = "drawImage";
    c.id = id;
    c.x = x;
    c.y = y;
    c.scaleX = scaleX;
    c.scaleY = scaleY;
    c.red = red;
    c.green = green;
    c.blue = blue;
    c.alpha = alpha;
    calls.push_back(c);
}

void RecordingDrawer::drawText(const std::string& text, short x, short y, float size,
                               float red, float green, float blue, float alpha)
{
    Call c;
    c.op = "drawText";
    c.text = text;
    c.x = x;
    c.y = y;
    c.size = size;
    c.red = red;
    c.green = green;
    c.blue = blue;
    c.alpha = alpha;
    calls.push_back(c);
}

void RecordingDrawer::fillRect(short x, short y, short width, short height,
                               unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha)
{
    Call c;
    c.op = "fillRect";
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    c.top[0] = red;
    c.top[1] = green;
    c.top[2] = blue;
    c.top[3] = alpha;
    calls.push_back(c);
}

void RecordingDrawer::fillGradient(short x, short y, short width, short height,
                                   unsigned char topRed, unsigned char topGreen, unsigned char topBlue,
                                   unsigned char topAlpha, unsigned char bottomRed, unsigned char bottomGreen,
                                   unsigned char bottomBlue, unsigned char bottomAlpha)
{
    Call c;
    c.op = "fillGradient";
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    unsigned char top[4] = {topRed, topGreen, topBlue, topAlpha};
    unsigned char bottom[4] = {bottomRed, bottomGreen, bottomBlue, bottomAlpha};
    for (int i = 0; i < 4; ++i) {
        c.top[i] = top[i];
        c.bottom[i] = bottom[i];
    }
    calls.push_back(c);
}

unsigned RecordingDrawer::createCanvas()
{
    unsigned id = newId();
    images[id] = LoadedImage{static_cast<unsigned>(ScreenWidth), static_cast<unsigned>(ScreenHeight)};
    return id;
}

void RecordingDrawer::beginCanvas(unsigned id, short x, short y, short width, short height)
{
    Call c;
    c.op = "beginCanvas";
    c.id = id;
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    calls.push_back(c);
}

void RecordingDrawer::endCanvas()
{
    Call c;
    c.op = "endCanvas";
    calls.push_back(c);
}

std::vector<RecordingDrawer::Call> RecordingDrawer::drawsOf(unsigned id) const
{
    std::vector<Call> result;
    for (const Call& c : calls)
        if (c.op == "drawImage" && c.id == id)
            result.push_back(c);
    return result;
}

int RecordingDrawer::countOp(const std::string& op) const
{
    int n = 0;
    for (const Call& c : calls)
        if (c.op == op)
            ++n;
    return n;
}
