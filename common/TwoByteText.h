// The two-byte character step of text in the locale's encoding when the
// locale cannot decode it: Waymark cuts names and finds extensions with it,
// Rummage finds separators in paths and settings lines with it.
#pragma once

#include <cstddef>

namespace suite {

// Lowest byte that may follow a lead byte as the second of a pair.  Rummage
// takes any byte from 0x40 on (Shift JIS second bytes reach down there);
// Waymark only high bytes, so a lead byte never swallows an ASCII letter
// when it cuts a name.  Neither swallows a separator below 0x40.
inline constexpr unsigned char kAnySecondByte = 0x40;
inline constexpr unsigned char kHighSecondByte = 0x80;

// Bytes of the character at `p` in a NUL-terminated text, `p` not at its
// end: 2 for a byte with the high bit set followed by a second byte of at
// least `lowestSecond`, else 1.  The terminator is never a second byte, so
// a lead byte at the end does not run past it.
inline std::size_t TwoByteStep(const char* p, unsigned char lowestSecond) {
    const auto lead = static_cast<unsigned char>(p[0]);
    const auto second = static_cast<unsigned char>(p[1]);
    return (lead & 0x80u) != 0 && second != 0 && second >= lowestSecond ? 2 : 1;
}

}  // namespace suite
