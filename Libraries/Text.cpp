// Text helpers.
#include "Libraries/Text.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/Utilities.h"
#include "platform/Locale.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char *ThisUnit = "Text";
constexpr std::uint32_t RequiredFlag = 1u;
constexpr std::uint32_t ExcludedFlag = 2u;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// ASCII letters, digits, "_" and every byte of a non-ASCII character.
bool IsWordByte(char c)
{
    return IsAsciiLetter(c) || IsDigit(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80u;
}

bool IsContinuationByte(unsigned char c)
{
    return (c & 0xC0u) == 0x80u;
}

// Decodes one UTF-8 character at i; a byte that does not start a valid sequence is taken as
// a Latin-1 character of one byte.
std::uint32_t DecodeAt(const std::string &text, std::size_t &i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    std::uint32_t code = 0;
    if (lead < 0x80u) {
        ++i;
        return lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        code = lead & 0x1Fu;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        code = lead & 0x0Fu;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        code = lead & 0x07u;
    }
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
        ++i;
        return lead;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if (!IsContinuationByte(next)) {
            ++i;
            return lead;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    static const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++i;
        return lead;
    }
    i += static_cast<std::size_t>(length);
    return code;
}

} // namespace

std::size_t CodePointCount(const std::string &text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) DecodeAt(text, i);
    return count;
}

std::string CodePointPrefix(const std::string &text, std::size_t count)
{
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < text.size(); ++taken) DecodeAt(text, end);
    return text.substr(0, end);
}

std::string UpperCaseText(const std::string &text)
{
    return Platform::LocaleUpperCase(text);
}

bool SameTextIgnoringCase(const std::string &a, const std::string &b)
{
    return a == b || UpperCaseText(a) == UpperCaseText(b);
}

// ---- Numbered file names ----------------------------------------------------------------------

void SplitTrailingNumber(const std::string &name, std::string &digits, int &width, std::string &prefix)
{
    std::size_t start = name.size();
    while (start > 0 && IsDigit(name[start - 1])) --start;
    digits = name.substr(start);
    width = static_cast<int>(digits.size());
    prefix = name.substr(0, start);
}

std::string GetNextSuffixNumFileName(const std::string &fileName)
{
    std::string result;
    TFunScope Fun(ThisUnit, "GetNextSuffixNumFileName");
    Fun.Run([&] {
        // The extension belongs to the name: a dot in a directory of the title is not one.
        const std::string extension = ExtractExtension(fileName);
        const std::string base = fileName.substr(0, fileName.size() - extension.size());
        std::string digits, prefix;
        int width = 0;
        SplitTrailingNumber(base, digits, width, prefix);
        std::int32_t n = 0;
        if (!digits.empty()) {
            n = GetIntFromText(digits);
            if (Fun.CalleeFailed()) return;
        }
        if (n >= 2000000000) {
            Fun.Raise("Number too big.", digits);
            return;
        }
        result = prefix + [&] {
            std::string text = std::to_string(n + 1);
            if (static_cast<int>(text.size()) < width)
                text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
            return text;
        }() + extension;
    });
    return result;
}

std::string TextBeforeUnderscore(const std::string &name)
{
    const auto dot = name.find('.');
    const auto underscore = name.find('_');
    if (dot == std::string::npos || underscore == std::string::npos || underscore > dot) return {};
    return name.substr(0, underscore + 1);
}

std::string TextAfterUnderscore(const std::string &name)
{
    const auto dot = name.find('.');
    const auto underscore = name.find('_');
    if (underscore == std::string::npos || (dot != std::string::npos && underscore > dot)) return name;
    return name.substr(underscore + 1);
}

std::string JoinAfterUnderscore(const std::string &name, const std::string &head)
{
    return head + TextAfterUnderscore(name);
}

// ---- Filter and word lists ----------------------------------------------------------------

bool GetListFromMultipleFilter(const std::string &text,
                               TStringList &list,
                               char separator,
                               char plainMark,
                               char excludeMark,
                               char requiredMark)
{
    bool hasShortItem = false;
    list.clear();
    TFunScope Fun(ThisUnit, "GetListFromMultipleFilter");
    Fun.Run([&] {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find(separator, start);
            if (end == std::string::npos) end = text.size();
            std::string piece = text.substr(start, end - start);
            start = end + 1;
            std::uint32_t flags = 0;
            if (!piece.empty() && piece.front() == requiredMark) {
                piece.erase(0, 1);
                flags = RequiredFlag;
            } else if (!piece.empty() && piece.front() == excludeMark) {
                piece.erase(0, 1);
                flags = ExcludedFlag;
            } else if (!piece.empty() && piece.front() == plainMark) {
                piece.erase(0, 1);
            }
            if (piece.empty()) continue;
            if (CodePointCount(piece) <= 2) hasShortItem = true;
            piece = UpperCaseText(piece);
            const auto same = [&](const TStringListItem &item) { return item.Text == piece; };
            if (std::none_of(list.begin(), list.end(), same)) list.push_back({piece, flags});
        }
    });
    if (Fun.Failed()) list.clear();
    return hasShortItem;
}

int NthSeparatorOffset(const std::string &text, int n, char separator)
{
    if (n == 0) return 0;
    if (n == -1) return static_cast<int>(text.size()) - 1;
    std::vector<int> offsets;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == separator) offsets.push_back(static_cast<int>(i));
    if (offsets.empty()) return -1;
    const int count = static_cast<int>(offsets.size());
    if (n >= 1) return offsets[static_cast<std::size_t>(std::min(n, count) - 1)];
    const int number = count + n + 2;
    if (number < 1 || number > count) return -1;
    return offsets[static_cast<std::size_t>(number - 1)];
}

void GetWordListFromText(const std::string &text,
                         TStringList &list,
                         int kind,
                         char separator,
                         bool bySeparators,
                         int last,
                         int first)
{
    list.clear();
    if (text.empty()) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    TFunScope Fun(ThisUnit, "GetWordListFromText");
    Fun.Run([&] {
        // 1-based range of the scanned text.
        int start = 1;
        int end = static_cast<int>(text.size());
        if (bySeparators) {
            if (first != 0) {
                const int offset = NthSeparatorOffset(text, first, separator);
                if (offset >= 0) start = offset + 1;
            }
            if (last != 0) {
                const int offset = NthSeparatorOffset(text, last, separator);
                if (offset >= 0) end = offset + 1;
            }
            if (end < start) {
                Fun.Raise("The first extracted word is beyond the last extracted word.",
                          std::to_string(start),
                          std::to_string(end));
                return;
            }
        }
        const std::string range = text.substr(static_cast<std::size_t>(start - 1),
                                               static_cast<std::size_t>(end - start + 1));
        std::size_t i = 0;
        while (i < range.size()) {
            if (!IsWordByte(range[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < range.size() && IsWordByte(range[j])) ++j;
            const std::string word = range.substr(i, j - i);
            i = j;
            const bool letter = HasAsciiLetter(word);
            const bool digit = std::any_of(word.begin(), word.end(), IsDigit);
            if (!letter && !digit) continue;
            if (kind == 2 && (!digit || CodePointCount(word) < 5)) continue;
            if (kind == 1 && !letter) continue;
            if (CodePointCount(word) < (letter ? 3u : 5u)) continue;
            const std::string upper = UpperCaseText(word);
            if (std::none_of(list.begin(), list.end(), [&](const TStringListItem &item) {
                    return item.Text == upper;
                }))
                list.push_back({upper, 0});
        }
        if (bySeparators) return;
        const int count = static_cast<int>(list.size());
        const auto number = [count](int n) {
            if (n == 0) return 1;
            if (n == -1) n = -2;
            return n < 0 ? count + n + 2 : n;
        };
        const int from = number(first);
        const int to = number(last);
        if (to < from) {
            Fun.Raise("The first extracted word is beyond the last extracted word.",
                      std::to_string(first),
                      std::to_string(last));
            list.clear();
            return;
        }
        TStringList kept;
        for (int k = std::max(from, 1); k <= std::min(to, count); ++k)
            kept.push_back(list[static_cast<std::size_t>(k - 1)]);
        list.swap(kept);
    });
}

int IndexOfTextIn(const TStringList &list, const std::string &text, int start)
{
    for (int i = std::max(0, start); i < static_cast<int>(list.size()); ++i)
        if (SameTextIgnoringCase(list[static_cast<std::size_t>(i)].Text, text)) return i;
    return -1;
}

namespace {
bool ValidIndex(const TStringList &list, int index)
{
    return index >= 0 && index < static_cast<int>(list.size());
}
void SetFlag(TStringList &list, int index, std::uint32_t flag, bool on)
{
    if (!ValidIndex(list, index)) return;
    std::uint32_t &data = list[static_cast<std::size_t>(index)].Data;
    data = on ? (data | flag) : (data & ~flag);
}
} // namespace

bool IsRequiredItem(const TStringList &list, int index)
{
    return ValidIndex(list, index) && (list[static_cast<std::size_t>(index)].Data & RequiredFlag);
}

void SetRequiredItem(TStringList &list, int index, bool required)
{
    SetFlag(list, index, RequiredFlag, required);
}

bool IsExcludedItem(const TStringList &list, int index)
{
    return ValidIndex(list, index) && (list[static_cast<std::size_t>(index)].Data & ExcludedFlag);
}

void SetExcludedItem(TStringList &list, int index, bool excluded)
{
    SetFlag(list, index, ExcludedFlag, excluded);
}

// ---- Buffers and texts --------------------------------------------------------------------

void IniText(char *buffer, std::size_t bufferSize, const std::string &text)
{
    TFunScope Fun(ThisUnit, "IniText");
    Fun.Run([&] {
        if (text.size() >= bufferSize) {
            Fun.Panic("Size too big.", std::to_string(text.size()), std::to_string(bufferSize));
            return;
        }
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
    });
}

void DoubleEndText(char *buffer, std::size_t bufferSize)
{
    TFunScope Fun(ThisUnit, "DoubleEndText");
    Fun.Run([&] {
        const std::size_t length = strnlen(buffer, bufferSize);
        if (length + 2 > bufferSize) {
            Fun.Panic("Size too big.", std::to_string(length), std::to_string(bufferSize));
            return;
        }
        buffer[length + 1] = '\0';
    });
}

bool HasZeroByte(const void *buffer, std::size_t count)
{
    return count > 0 && std::memchr(buffer, 0, count) != nullptr;
}

std::string SingleLineText(const std::string &text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c == '\r') continue;
        result += c == '\n' ? ' ' : c;
    }
    return result;
}

bool HasInnerLineBreak(const std::string &text)
{
    for (std::size_t position = 3; position + 2 <= text.size(); ++position) {
        const char c = text[position - 1];
        if (c == '\r' || c == '\n') return true;
    }
    return false;
}

bool HasAsciiLetter(const std::string &text)
{
    return std::any_of(text.begin(), text.end(), IsAsciiLetter);
}

bool FuzzyCompare(const void *a, const void *b, std::size_t count, int tolerance, int &mismatches)
{
    const auto *x = static_cast<const std::uint8_t *>(a);
    const auto *y = static_cast<const std::uint8_t *>(b);
    const std::size_t limit = std::min((count + 1) / 2, static_cast<std::size_t>(std::max(0, tolerance)));
    std::size_t differing = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (x[i] == y[i]) continue;
        if (++differing > limit) {
            mismatches = static_cast<int>(differing);
            return false;
        }
    }
    mismatches = static_cast<int>(differing);
    return true;
}

const std::uint8_t *FindPattern(const void *pattern,
                                std::size_t length,
                                const void *buffer,
                                const void *bufferEnd,
                                int &mismatches,
                                int tolerance)
{
    mismatches = 0;
    const auto *begin = static_cast<const std::uint8_t *>(buffer);
    const auto *end = static_cast<const std::uint8_t *>(bufferEnd);
    if (length == 0 || end < begin || static_cast<std::size_t>(end - begin) < length) return nullptr;
    const auto *wanted = static_cast<const std::uint8_t *>(pattern);
    if (tolerance <= 0) {
        const auto *found = std::search(begin, end, wanted, wanted + length);
        return found == end ? nullptr : found;
    }
    for (const std::uint8_t *at = begin; at + length <= end; ++at)
        if (FuzzyCompare(wanted, at, length, tolerance, mismatches)) return at;
    mismatches = 0;
    return nullptr;
}

std::string HexText(const void *bytes, std::size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    const auto *data = static_cast<const std::uint8_t *>(bytes);
    std::string text(count * 2, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = digits[data[i] >> 4];
        text[2 * i + 1] = digits[data[i] & 0x0Fu];
    }
    return text;
}

std::string HtmlCharCodes(const std::string &text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(text.size() * 6);
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t code = DecodeAt(text, i);
        std::string hex;
        do {
            hex.insert(hex.begin(), digits[code & 0x0Fu]);
            code >>= 4;
        } while (code != 0);
        if (hex.size() < 2) hex.insert(hex.begin(), '0');
        result += "&#x" + hex + ";";
    }
    return result;
}
