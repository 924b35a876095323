// Text helpers: numbered file names, underscore heads, filter and word lists, buffers, hex and
// HTML texts. Texts are UTF-8; where a rule counts characters it counts code points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A string list whose items carry a data word (the required and excluded flags live there).
struct TStringListItem
{
    std::string Text;
    std::uint32_t Data = 0;
};
using TStringList = std::vector<TStringListItem>;

// Numbered file names.
void SplitTrailingNumber(const std::string &name, std::string &digits, int &width, std::string &prefix);
// The name that follows a numbered file name (photo009.jpg gives photo010.jpg).
// Error: "Number too big." (the digits); a number beyond 32 bits fails with the conversion's
// message. The result is then empty.
std::string GetNextSuffixNumFileName(const std::string &fileName);
std::string TextBeforeUnderscore(const std::string &name);
std::string TextAfterUnderscore(const std::string &name);
std::string JoinAfterUnderscore(const std::string &name, const std::string &head);

// Filter and word lists.
// Splits a filter text into upper-cased items with their required and excluded flags;
// true when an item has 1 or 2 characters.
bool GetListFromMultipleFilter(const std::string &text,
                               TStringList &list,
                               char separator,
                               char plainMark,
                               char excludeMark,
                               char requiredMark);
// The distinct upper-cased words of a text.
// Error: "The first extracted word is beyond the last extracted word." (start; end)
void GetWordListFromText(const std::string &text,
                         TStringList &list,
                         int kind,
                         char separator,
                         bool bySeparators,
                         int last,
                         int first);
// 0-based offset of the n-th separator (see the rules of the word list); -1 when none.
int NthSeparatorOffset(const std::string &text, int n, char separator);
// Index of the first item equal to the text without regard to case, or -1.
int IndexOfTextIn(const TStringList &list, const std::string &text, int start = 0);
bool IsRequiredItem(const TStringList &list, int index);
void SetRequiredItem(TStringList &list, int index, bool required);
bool IsExcludedItem(const TStringList &list, int index);
void SetExcludedItem(TStringList &list, int index, bool excluded);

// Buffers and texts.
// Copies the text and a terminating zero into the buffer. Panic: "Size too big."
void IniText(char *buffer, std::size_t bufferSize, const std::string &text);
// Adds a second terminating zero after the text in the buffer. Panic: "Size too big."
void DoubleEndText(char *buffer, std::size_t bufferSize);
bool HasZeroByte(const void *buffer, std::size_t count);
// Removes every CR and turns every LF into a space.
std::string SingleLineText(const std::string &text);
// True when a CR or LF stands at a position from 3 to length - 2 (1-based).
bool HasInnerLineBreak(const std::string &text);
bool HasAsciiLetter(const std::string &text);
// Compares count bytes, failing once the differences exceed min((count + 1) / 2, tolerance).
bool FuzzyCompare(const void *a, const void *b, std::size_t count, int tolerance, int &mismatches);
// The first place where the pattern matches (exactly when tolerance <= 0), or null.
const std::uint8_t *FindPattern(const void *pattern,
                                std::size_t length,
                                const void *buffer,
                                const void *bufferEnd,
                                int &mismatches,
                                int tolerance);
// Each byte as two upper-case hexadecimal digits.
std::string HexText(const void *bytes, std::size_t count);
// Each code point as "&#x" + upper-case hexadecimal + ";" (bytes that are not UTF-8 count
// as Latin-1 characters).
std::string HtmlCharCodes(const std::string &text);

// Number of code points of a UTF-8 text (a byte that is not UTF-8 counts as one).
std::size_t CodePointCount(const std::string &text);
// The first count code points of a UTF-8 text, never cut inside a character.
std::string CodePointPrefix(const std::string &text, std::size_t count);
// Upper case by the locale's rules.
std::string UpperCaseText(const std::string &text);
// Equality without regard to case, by the locale's rules.
bool SameTextIgnoringCase(const std::string &a, const std::string &b);
