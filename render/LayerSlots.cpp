#include "render/LayerSlots.h"

#include <algorithm>

LayerSlots::LayerSlots(unsigned minimumSide) : minimumSide(minimumSide) {}

bool LayerSlots::take(unsigned width, unsigned height, Slot& slot)
{
    for (size_t index = 0; index < pages.size(); ++index) {
        Page& page = pages[index];
        if (page.slotWidth != width || page.slotHeight != height)
            continue;
        std::vector<bool>::iterator free = std::find(page.used.begin(), page.used.end(), false);
        if (free == page.used.end())
            continue;
        *free = true;
        unsigned number = static_cast<unsigned>(free - page.used.begin());
        unsigned columns = page.side / page.slotWidth;
        slot = Slot{static_cast<unsigned>(index), (number % columns) * page.slotWidth,
                    (number / columns) * page.slotHeight};
        return true;
    }
    return false;
}

unsigned LayerSlots::pageSideFor(unsigned width, unsigned height) const
{
    unsigned side = 1;
    while (side < width || side < height)
        side *= 2;
    return std::max(minimumSide, side);
}

unsigned LayerSlots::addPage(unsigned width, unsigned height)
{
    unsigned side = pageSideFor(width, height);
    Page page{side, width, height, std::vector<bool>((side / width) * (side / height), false)};
    std::vector<Page>::iterator unused =
        std::find_if(pages.begin(), pages.end(), [](const Page& p) { return p.used.empty(); });
    if (unused == pages.end()) {
        pages.push_back(page);
        return static_cast<unsigned>(pages.size() - 1);
    }
    *unused = page;
    return static_cast<unsigned>(unused - pages.begin());
}

bool LayerSlots::give(const Slot& slot)
{
    Page& page = pages[slot.page];
    unsigned columns = page.side / page.slotWidth;
    page.used[(slot.y / page.slotHeight) * columns + slot.x / page.slotWidth] = false;
    if (std::find(page.used.begin(), page.used.end(), true) != page.used.end())
        return false;
    page = Page{0, 0, 0, std::vector<bool>()};
    return true;
}
