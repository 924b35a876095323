// The file search's matching and ranking: filter lists, name filters, the scoring of a text
// with its word boundaries, stems and near detection, and the limit fields.
#include "app/SearchFileDialog.h"

#include "Libraries/Error.h"
#include "Libraries/MyTime.h"
#include "Libraries/Text.h"
#include "app/FileDialog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *ThisUnit = "SearchFileDialog";
// Texts longer than this show their progress while they are scanned.
constexpr std::size_t LongText = 100000;
// Bytes on each side of an occurrence in which other filters count as near.
constexpr std::size_t NearWindow = 100;

constexpr std::array<bool, 256> MakeWordTable()
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = c >= 0x80 || (c >= 'A' && c <= 'Z') ||
                                             (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                             c == '_';
    return table;
}
constexpr std::array<bool, 256> WordTable = MakeWordTable();

inline bool IsWord(const char *text, std::size_t at)
{
    return WordTable[static_cast<unsigned char>(text[at])];
}

// The boundaries of an occurrence inside [start, end).
inline bool LeftBoundary(const char *text, std::size_t start, std::size_t at)
{
    return IsWord(text, at) && (at == start || !IsWord(text, at - 1));
}
inline bool RightBoundary(const char *text, std::size_t end, std::size_t last)
{
    return IsWord(text, last) && (last + 1 == end || !IsWord(text, last + 1));
}

// The occurrence counters of one filter, by boundaries.
struct TCounters
{
    int Both = 0, Left = 0, Right = 0, Neither = 0;
    int Total() const { return Both + Left + Right + Neither; }
    void Count(bool left, bool right)
    {
        if (left && right)
            ++Both;
        else if (left)
            ++Left;
        else if (right)
            ++Right;
        else
            ++Neither;
    }
};

const char *Find(const char *from, const char *end, const std::string &filter)
{
    if (filter.empty() || static_cast<std::size_t>(end - from) < filter.size()) return nullptr;
    return static_cast<const char *>(
        ::memmem(from, static_cast<std::size_t>(end - from), filter.data(), filter.size()));
}

// The proximity value of the occurrence of filter anchor at p: the other filters in the window
// around it and the anchor's own counters so far.
int NearValue(const char *text,
              std::size_t length,
              std::size_t p,
              std::size_t anchor,
              const std::vector<TSearchFilter> &filters,
              const TCounters &own)
{
    const std::size_t size = filters[anchor].Text.size();
    const std::size_t windowStart = p > NearWindow ? p - NearWindow : 0;
    const std::size_t windowEnd = std::min(p + size + NearWindow, length);
    int both = 0, left = 0, right = 0, other = 0;
    std::size_t nearest = static_cast<std::size_t>(-1);
    for (std::size_t f = 0; f < filters.size(); ++f) {
        if (f == anchor || filters[f].Excluded) continue;
        const std::string &filter = filters[f].Text;
        bool anyBoth = false, anyLeft = false, anyRight = false, any = false;
        const char *end = text + windowEnd;
        for (const char *hit = Find(text + windowStart, end, filter); hit;
             hit = Find(hit + filter.size(), end, filter)) {
            const auto at = static_cast<std::size_t>(hit - text);
            const bool l = LeftBoundary(text, windowStart, at);
            const bool r = RightBoundary(text, windowEnd, at + filter.size() - 1);
            anyBoth |= l && r;
            anyLeft |= l && !r;
            anyRight |= r && !l;
            any = true;
            std::size_t distance = 0;
            if (at + filter.size() <= p)
                distance = p - (at + filter.size());
            else if (at >= p + size)
                distance = at - (p + size);
            nearest = std::min(nearest, distance);
        }
        if (anyBoth)
            ++both;
        else if (anyLeft)
            ++left;
        else if (anyRight)
            ++right;
        else if (any)
            ++other;
    }
    int score = (both > 0 ? both * 10 + 40 : 0) + (left > 0 ? left * 5 + 15 : 0) +
                (right > 0 ? right * 2 + 8 : 0) + (other > 0 ? other + 4 : 0);
    if (score > 0) {
        if (nearest <= 10) score += 25;
        if (nearest <= 4) score += 25;
        score += 20;
    }
    if (own.Both > 0) {
        score += 20;
    } else {
        if (own.Left > 0) score += 10;
        if (own.Right > 0) score += 5;
    }
    return score;
}

// Whether an occurring filter passes the stem rule.
bool PassesStem(const std::string &filter, const TCounters &counters, int stem)
{
    if (stem <= 0) return true;
    if (counters.Both > 0 || !WordTable[static_cast<unsigned char>(filter.front())] ||
        !WordTable[static_cast<unsigned char>(filter.back())])
        return true;
    if (stem <= 2 && counters.Left > 0) return true;
    return stem == 1 && counters.Right > 0;
}

int BaseRank(const TCounters &counters)
{
    int rank = counters.Both > 0 ? 200 : counters.Left > 0 ? 150 : counters.Right > 0 ? 120 : 100;
    if (counters.Total() > 1) {
        if (counters.Both > 1) {
            rank += 20;
        } else {
            if (counters.Left > 1) rank += 10;
            if (counters.Right > 1) rank += 5;
        }
    }
    return rank;
}

std::string Trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

inline char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool MatchesPattern(const char *name, std::size_t length, const std::string &pattern)
{
    std::size_t n = 0, p = 0, starPattern = std::string::npos, starName = 0;
    while (n < length) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            // A "?" takes one whole UTF-8 character.
            if (pattern[p] == '?')
                while (n + 1 < length && (static_cast<unsigned char>(name[n + 1]) & 0xC0u) == 0x80u)
                    ++n;
            ++p;
            ++n;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool IsSearchWordByte(unsigned char c)
{
    return WordTable[c];
}

void UpperCaseSearchText(char *text, std::size_t length)
{
    auto *bytes = reinterpret_cast<unsigned char *>(text);
    std::size_t i = 0;
    // Sixteen bytes at a time (the compiler's vector extension: SSE2 on x86-64).
    typedef unsigned char TBytes __attribute__((vector_size(16)));
    for (; i + 16 <= length; i += 16) {
        TBytes block;
        std::memcpy(&block, bytes + i, 16);
        const auto lower = (block >= 'a') & (block <= 'z');
        block -= reinterpret_cast<TBytes>(lower) & 0x20;
        std::memcpy(bytes + i, &block, 16);
    }
    for (; i < length; ++i) {
        const unsigned char c = bytes[i];
        bytes[i] =
            static_cast<unsigned char>(c - (static_cast<unsigned char>(c - 'a') < 26u ? 32 : 0));
    }
}

std::vector<TSearchFilter> MakeSearchFilters(const std::string &text, bool freeHand, bool &hasShort)
{
    TStringList list;
    hasShort = GetListFromMultipleFilter(text, list, freeHand ? ' ' : ';', '~', '!', '&');
    std::vector<TSearchFilter> filters;
    if (FunStatContext.IsError()) return filters;
    for (int i = 0; i < static_cast<int>(list.size()); ++i)
        filters.push_back({list[static_cast<std::size_t>(i)].Text,
                           IsRequiredItem(list, i),
                           IsExcludedItem(list, i)});
    return filters;
}

bool IsPredefinedNameFilter(const std::string &text)
{
    static const char *const names[] = {"All files",
                                        "Text files",
                                        "Picture files",
                                        "Movie files",
                                        "Video files",
                                        "Music files",
                                        "Audio files",
                                        "No backup files"};
    const std::string trimmed = Trimmed(text);
    return std::any_of(std::begin(names), std::end(names), [&](const char *name) {
        return trimmed.size() == std::strlen(name) &&
               std::equal(trimmed.begin(), trimmed.end(), name, [](char a, char b) {
                   return AsciiLower(a) == AsciiLower(b);
               });
    });
}

std::string ExpandNameFilter(const std::string &text, bool searchSimilar)
{
    if (IsPredefinedNameFilter(text)) return ResolveNamedFilter(text);
    std::string filter = text;
    if (searchSimilar && filter != "*" && !filter.empty()) {
        if (filter.front() != '*') filter.insert(filter.begin(), '*');
        if (filter.back() != '*') filter.push_back('*');
    }
    return filter;
}

bool IsValidNameFilter(const std::string &filter)
{
    return !filter.empty() && filter.find_first_of("<>|\":\\/") == std::string::npos;
}

TTextRanks MatchTextInBuffer(const char *text,
                             std::size_t length,
                             std::size_t nameStart,
                             const std::vector<TSearchFilter> &filters,
                             const TTextMatchOptions &options,
                             const TTextProgress *progress)
{
    TTextRanks ranks;
    const bool longText = length > LongText && progress && *progress;
    auto lastProgress = std::chrono::steady_clock::now();
    bool outsidePath = false;
    const char *end = text + length;
    for (std::size_t f = 0; f < filters.size(); ++f) {
        const TSearchFilter &filter = filters[f];
        const bool required = options.AllFilters || filter.Required;
        TCounters counters;
        const std::size_t size = filter.Text.size();
        for (const char *hit = Find(text, end, filter.Text); hit;
             hit = Find(hit + size, end, filter.Text)) {
            if (filter.Excluded) return {};
            const auto at = static_cast<std::size_t>(hit - text);
            if (at >= nameStart) outsidePath = true;
            counters.Count(LeftBoundary(text, 0, at), RightBoundary(text, length, at + size - 1));
            if (options.NearDetection)
                ranks.Proximity =
                    std::max(ranks.Proximity, NearValue(text, length, at, f, filters, counters));
            // Two whole-word occurrences give the filter its highest base rank: without near
            // detection the rest of the text can change nothing.
            else if (counters.Both >= 2 && outsidePath)
                break;
            if (longText) {
                const auto now = std::chrono::steady_clock::now();
                if (now - lastProgress >= std::chrono::seconds(1)) {
                    lastProgress = now;
                    const int perMille = static_cast<int>(static_cast<double>(at) * 1000.0 /
                                                          static_cast<double>(length));
                    if (!(*progress)(perMille, static_cast<int>(f) + 1)) {
                        TTextRanks stopped;
                        stopped.Stopped = true;
                        return stopped;
                    }
                }
            }
        }
        if (counters.Total() == 0) {
            if (required && !filter.Excluded) return {};
            continue;
        }
        if (!PassesStem(filter.Text, counters, options.Stem)) {
            if (required) return {};
            break;
        }
        ranks.Base += BaseRank(counters);
    }
    if (!outsidePath) return {};
    return ranks;
}

std::size_t FoundInsertIndex(const std::vector<int> &ranks, int rank)
{
    // Descending ranks: the first item of a smaller rank.
    return static_cast<std::size_t>(
        std::upper_bound(
            ranks.begin(), ranks.end(), rank, [](int value, int item) { return value > item; }) -
        ranks.begin());
}

void TNameFilter::Assign(const std::string &filter)
{
    Patterns.clear();
    All = filter.empty();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = filter.find(';', start);
        const std::string pattern = Trimmed(
            filter.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (!pattern.empty()) Patterns.push_back(pattern);
        if (pattern == "*") All = true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

bool TNameFilter::Matches(const char *name, std::size_t length) const
{
    if (All) return true;
    for (const std::string &pattern : Patterns)
        if (MatchesPattern(name, length, pattern)) return true;
    return false;
}

double GetTimeFromText(const std::string &text, const std::string &unit, bool &isDate)
{
    double result = 0;
    isDate = false;
    TFunScope Fun(ThisUnit, "TSearchFileForm::GetTimeFromText");
    Fun.Run([&] {
        const std::string value = Trimmed(text);
        if (LooksLikeDate(value)) {
            isDate = true;
            result = ConvertTextToDate(value, "d/m/yy");
            Fun.CalleeFailed();
            return;
        }
        char *stop = nullptr;
        errno = 0;
        const long long number = std::strtoll(value.c_str(), &stop, 10);
        if (value.empty() || *stop != '\0' || errno == ERANGE) {
            Fun.Raise("Invalid time limit.", text);
            return;
        }
        double factor = 1;
        if (unit.find("minute") != std::string::npos)
            factor = 1.0 / 1440;
        else if (unit.find("hour") != std::string::npos)
            factor = 1.0 / 24;
        else if (unit.find("week") != std::string::npos)
            factor = 7;
        result = static_cast<double>(number) * factor;
    });
    return result;
}

std::int64_t GetSizeFromText(const std::string &text, const std::string &unit)
{
    std::int64_t result = 0;
    TFunScope Fun(ThisUnit, "TSearchFileForm::GetSizeFromText");
    Fun.Run([&] {
        const std::string value = Trimmed(text);
        char *stop = nullptr;
        const double number = std::strtod(value.c_str(), &stop);
        if (value.empty() || *stop != '\0' || !std::isfinite(number)) {
            Fun.Raise("Invalid size limit.", text);
            return;
        }
        double factor = 1;
        if (unit == "KB")
            factor = 1024.0;
        else if (unit == "MB")
            factor = 1048576.0;
        else if (unit == "GB")
            factor = 1073741824.0;
        else if (unit == "TB")
            factor = 1099511627776.0;
        const double bytes = std::trunc(number * factor);
        result = bytes >= 9.2e18    ? INT64_MAX
                 : bytes <= -9.2e18 ? INT64_MIN
                                    : static_cast<std::int64_t>(bytes);
    });
    return result;
}

std::string SearchInfoText(int errors,
                           int directories,
                           int files,
                           int jumped,
                           double seconds,
                           int perMille,
                           int filterNumber)
{
    std::string text = "Errors " + std::to_string(errors) + " | Directories " +
                       std::to_string(directories) + " | Files " + std::to_string(files) +
                       " | Jumped files " + std::to_string(jumped) + " | Time " +
                       SecondsToText(0, "/", ".", "hh:nn:ss", seconds);
    if (perMille >= 0)
        text += " | Progress " + std::to_string(perMille) + "\u2030 | Text filter " +
                std::to_string(filterNumber);
    return text;
}
