// KeyNameTable: the program's one list of display names for Windows virtual-key codes.
//
// The key assignment dialog names the captured key with it and the macro editor names every
// recorded key event. The list is in keyboard order and holds a few keys twice; the first entry
// of a code is the one that counts, and duplicates carry the same name anyway.
#pragma once

#include <QString>

#include <cstddef>

class KeyNameTable {
public:
    struct Entry {
        int virtualKey;
        const char* name;
    };

    // The name of the first entry with this code; empty for 0 and for every code not listed.
    static QString lookup(int virtualKey);

    // The stored list, in its order (for the pages that list every key).
    static const Entry* begin();
    static const Entry* end();
    static std::size_t size();
};
