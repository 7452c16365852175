#pragma once
// Key maps for tests, written as the list of their codes.
#include "keytypes.h"

#include <initializer_list>

// count = number of codes; masks 0, as a file may hold them.
inline TKeyMap keyMapOf(std::initializer_list<uint8_t> codes)
{
    TKeyMap m;
    m.count = uint8_t(codes.size());
    int j = 0;
    for (uint8_t c : codes)
        m.pairs[j++].code = c;
    return m;
}

// The same with the modifier masks the properties dialog stores.
inline TKeyMap keyMapWithMasks(std::initializer_list<uint8_t> codes)
{
    TKeyMap m = keyMapOf(codes);
    for (int j = 0; j < m.count; ++j)
        m.pairs[j].modifiers = modifierMask(m.pairs[j].code);
    return m;
}
