#pragma once
// Small helpers for UTF-8 text. Tape lines and display texts are UTF-8; the
// minus sign of the tape (the en dash) is one character but three bytes, so
// anything that counts "characters" goes through here.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tally {

// The tape's minus sign: U+2013, code 150 of Windows-1252.
inline constexpr std::string_view kEnDash = "\xE2\x80\x93";

// Decodes the code point at `pos` and moves past it; nothing for a byte that
// does not start well-formed UTF-8 (overlong forms, surrogates and code
// points past U+10FFFF are not).
std::optional<char32_t> DecodeUtf8At(std::string_view text, std::size_t& pos);

// True when the text is well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Number of code points; a stray byte of invalid UTF-8 counts as one.
std::size_t Utf8Length(std::string_view text);
// The same, counting no further than `limit` (a cost bounded by it).
std::size_t Utf8Length(std::string_view text, std::size_t limit);

// Byte length of the first code point (0 for an empty text).
std::size_t Utf8FirstCharSize(std::string_view text);

// The first character as text (empty for an empty text).
std::string_view FirstChar(std::string_view text);

// The text from character `position` on, counting from 1 (as "the text from
// its third character on"); empty when the text is shorter.
std::string_view FromChar(std::string_view text, std::size_t position);

// Byte length of the last code point (0 for an empty text); a stray byte of
// invalid UTF-8 counts as one character.
std::size_t Utf8LastCharSize(std::string_view text);

// Removes the last `count` characters (all of them when there are fewer).
void DropLastChars(std::string& text, std::size_t count);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

// Windows-1252 code (0..255) to its Unicode code point; the five codes that
// Windows-1252 leaves undefined map to the C1 control of the same number.
char32_t Cp1252ToUnicode(unsigned char code);

// Unicode code point to Windows-1252; -1 when it has no code there.
int UnicodeToCp1252(char32_t codePoint);

}  // namespace tally
