#pragma once

#include <vector>

// Where layers lie in their page textures, as bookkeeping without OpenGL. A page is a
// square cut into slots of one size, taken in row order; a layer gets the first free slot
// of a page of its slot size. A page whose last slot is given back is given up, and the
// next page made takes its number.
class LayerSlots {
public:
    struct Slot {
        unsigned page;
        unsigned x, y;   // the slot's corner in its page, in texels
    };

    // Pages are at least minimumSide texels on a side, more for slots that need it.
    explicit LayerSlots(unsigned minimumSide);

    // A free slot of this size on a page that has one; false when a page must be made.
    bool take(unsigned width, unsigned height, Slot& slot);
    // The side of a page for slots of this size.
    unsigned pageSideFor(unsigned width, unsigned height) const;
    // Makes an empty page for slots of this size and returns its number.
    unsigned addPage(unsigned width, unsigned height);
    // Gives a slot back; true when that emptied its page, which is then given up.
    bool give(const Slot& slot);

    unsigned getPageSide(unsigned page) const { return pages[page].side; }

private:
    struct Page {
        unsigned side, slotWidth, slotHeight;
        std::vector<bool> used;   // empty for a page given up
    };

    unsigned minimumSide;
    std::vector<Page> pages;
};
