// Small text operations shared across the rooms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quorix {

// The text with "\" appended unless it already ends in one; an empty text gives "\".
std::wstring EnsureTrailingBackslash(std::wstring text);

// Lower-cases A to Z only, as the C runtime does under the default "C" locale.
void FoldAsciiLowerInPlace(std::wstring& text);
bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

// An unsigned number in base 10.
std::wstring ToDecimal(std::uint64_t value);

// Fills the "%s" placeholders of a format that the program itself holds, in order, with the
// given arguments, and keeps the result below `capacity` characters (room for a terminator, as
// a fixed buffer of that many characters would). Any other "%" sequence is copied as it stands:
// the arguments are never interpreted, so a text from outside the program cannot act as a
// format. Placeholders beyond the arguments stay empty.
std::wstring FormatBounded(std::wstring_view format, std::initializer_list<std::wstring_view> args,
                           std::size_t capacity);

// Unbounded variant for console lines, whose length the runtime does not limit.
std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args);

// ASCII/Latin-1 widening for texts the program builds from bytes it controls.
std::wstring WidenAscii(std::string_view text);
std::string NarrowAscii(std::wstring_view text);

}  // namespace quorix
