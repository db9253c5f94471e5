#pragma once

#include <functional>
#include <memory>

class Drawer;

// A screen's (or a sprite's) pictures: a table of embedded PNGs, decoded and handed to the
// drawer together on the first frame, and given back when the screen ends. The ids keep
// the table's order; operator[] is 0 until the set is loaded.
//
// A set counts as loaded once its first picture has an id. While that one failed, the
// next load tries the whole table again, after giving back the ids that did load, so a
// picture that keeps failing does not leave a copy of the others behind each frame.
class PictureSet {
public:
    // One embedded picture: &Images::x_png, &Images::x_png_size.
    struct Embedded {
        const char* const* png;
        const unsigned* size;
    };
    // Called with each decoded picture before the drawer takes its pixels; a picture that
    // could not be decoded comes as null pixels of 0 x 0.
    typedef std::function<void(int index, const unsigned char* rgba, unsigned width, unsigned height)> Inspect;

    PictureSet(const Embedded* table, int count);
    // The ids belong to the set that loaded them, which alone gives them back: a copy
    // has the same table and no ids, and assigning leaves a set's own ids (and its table,
    // fixed when the set is made) as they are. Objects that hold a set stay copyable
    // (the level checker copies the player millions of times), and until it is loaded a
    // set holds no memory but itself.
    PictureSet(const PictureSet& other);
    PictureSet(PictureSet&& other) noexcept = default;
    PictureSet& operator=(const PictureSet& other);

    // Loads the whole table into the drawer; does nothing once loaded.
    void load(Drawer* drawer, const Inspect& inspect = nullptr);
    bool isLoaded() const;
    unsigned operator[](int index) const;
    // Gives every id back to the drawer. With a null drawer (gone already, or never there)
    // the ids are only forgotten.
    void release(Drawer* drawer);

private:
    const Embedded* table;
    int count;
    std::unique_ptr<unsigned[]> ids;   // null until the first load
};
