// The find-common-text dialog's plain part: the option items and their numbers, paragraphs
// and their words, the scores of words and paragraphs, the search, the sorting and the report.
#include "app/FindCommonTextDialog.h"

#include "Libraries/Error.h"
#include "Libraries/MyMath.h"
#include "Libraries/Text.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

const std::string Separator50(50, '-');
const std::string DoubleSeparator50(50, '=');

std::int32_t ClampToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::u32string CharactersOf(const std::string &text)
{
    const QList<uint> units = QString::fromStdString(text).toUcs4();
    return std::u32string(units.cbegin(), units.cend());
}

// The fuzzy comparison of FuzzyCompare on characters: at most min((count + 1) / 2, tolerance)
// of them may differ.
bool SimilarCharacters(
    const char32_t *a, const char32_t *b, std::size_t count, int tolerance, int &mismatches)
{
    const std::size_t limit =
        std::min((count + 1) / 2, static_cast<std::size_t>(std::max(0, tolerance)));
    std::size_t differing = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (a[i] == b[i]) continue;
        if (++differing > limit) return false;
    }
    mismatches = static_cast<int>(differing);
    return true;
}

// FindPattern on characters: the first position of the pattern in the text, exactly when the
// tolerance is 0 or less, else by the fuzzy comparison; npos when none.
std::size_t FindCharacters(const std::u32string &pattern,
                           const std::u32string &text,
                           int tolerance,
                           int &mismatches)
{
    mismatches = 0;
    if (pattern.empty() || text.size() < pattern.size()) return std::u32string::npos;
    if (tolerance <= 0) return text.find(pattern);
    for (std::size_t at = 0; at + pattern.size() <= text.size(); ++at)
        if (SimilarCharacters(
                pattern.data(), text.data() + at, pattern.size(), tolerance, mismatches))
            return at;
    mismatches = 0;
    return std::u32string::npos;
}

int ItemIndex(const std::vector<std::string> &items, const std::string &item)
{
    const auto found = std::find(items.begin(), items.end(), item);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

} // namespace

// ---- Settings ---------------------------------------------------------------------------------

const std::vector<std::string> &BeginExtractionItems()
{
    static const std::vector<std::string> items = {
        "Start", "1", "2", "3", "4", "5", "6", "7", "Last - 3", "Last - 2", "Last - 1", "Last"};
    return items;
}

const std::vector<std::string> &EndExtractionItems()
{
    static const std::vector<std::string> items = {
        "1", "2", "3", "4", "5", "6", "7", "Last - 3", "Last - 2", "Last - 1", "Last", "End"};
    return items;
}

const std::vector<std::string> &NumbersItems()
{
    static const std::vector<std::string> items = {"Include", "Ignore", "Only"};
    return items;
}

const std::vector<std::string> &WholeMatchItems()
{
    static const std::vector<std::string> items = {"Word", "Left", "Right", "Any"};
    return items;
}

const std::vector<std::string> &MisspellingItems()
{
    static const std::vector<std::string> items = {"0", "1", "2", "3"};
    return items;
}

const std::vector<std::string> &MinimumMatchesItems()
{
    static const std::vector<std::string> items = {
        "1", "2", "3", "4", "5", "6", "7", "All - 3", "All - 2", "All - 1", "All"};
    return items;
}

int ExtractionValue(const std::string &item)
{
    if (item == "Start") return 0;
    if (item == "End") return -1;
    if (item == "Last") return -2;
    if (item == "Last - 1") return -3;
    if (item == "Last - 2") return -4;
    if (item == "Last - 3") return -5;
    return std::atoi(item.c_str());
}

int NumbersModeValue(const std::string &item)
{
    return std::max(0, ItemIndex(NumbersItems(), item));
}

int WholeMatchValue(const std::string &item)
{
    return std::max(0, ItemIndex(WholeMatchItems(), item));
}

int MinimumMatchesValue(const std::string &item)
{
    if (item == "All") return 0;
    if (item == "All - 1") return -1;
    if (item == "All - 2") return -2;
    if (item == "All - 3") return -3;
    return std::atoi(item.c_str());
}

std::string ExtractionRangeError(int begin, int end, bool useDelimiter)
{
    const bool sameSign = (begin < 0) == (end < 0);
    if (!sameSign) return {};
    if (useDelimiter && begin >= end)
        return "The \"End extraction\" value must be higher than the \"Start extraction\" value.";
    if (!useDelimiter && end < begin)
        return "The \"End extraction\" value must be at least the \"Start extraction\" value.";
    return {};
}

bool FilesTooBigForMemory(std::uint64_t filesSize, std::uint64_t totalPhysicalMemory)
{
    return filesSize > totalPhysicalMemory / 2;
}

// ---- Paragraphs -------------------------------------------------------------------------------

std::vector<std::string> TextFileLines(const std::string &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QString decoded = decoder.decode(view);
    Q_UNUSED(decoded)
    const std::string utf8 = decoder.hasError() ? QString::fromLatin1(view).toStdString() : bytes;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '\n' && utf8[i] != '\r') continue;
        lines.push_back(utf8.substr(start, i - start));
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < utf8.size()) lines.push_back(utf8.substr(start));
    return lines;
}

TCommonTextWords
ParagraphWords(const std::string &line, const TCommonTextSettings &settings, std::string &filter)
{
    filter.clear();
    TStringList list;
    GetWordListFromText(line,
                        list,
                        settings.NumbersMode,
                        settings.Delimiter,
                        settings.UseDelimiter,
                        settings.EndExtraction,
                        settings.BeginExtraction);
    TCommonTextWords words;
    words.reserve(list.size());
    for (const TStringListItem &item : list) {
        if (!filter.empty()) filter += "; ";
        filter += item.Text;
        words.push_back({item.Text, CharactersOf(item.Text)});
    }
    return words;
}

// ---- Matching ---------------------------------------------------------------------------------

std::int32_t
MatchWordScore(const std::u32string &x, const std::u32string &y, int wholeMatch, int tolerance)
{
    int mismatches = 0;
    std::int32_t score = 0;
    if (x.size() == y.size()) {
        if (tolerance > 0)
            score = FindCharacters(x, y, tolerance, mismatches) != std::u32string::npos ? 200 : 0;
        else
            score = x == y ? 200 : 0;
    } else {
        if (wholeMatch == wmWord || x.size() > y.size()) return 0;
        const std::size_t at = FindCharacters(x, y, tolerance, mismatches);
        if (at == std::u32string::npos) return 0;
        if (at == 0)
            score = 150;
        else if (at + x.size() == y.size())
            score = wholeMatch == wmRight || wholeMatch == wmAny ? 100 : 0;
        else
            score = wholeMatch == wmAny ? 50 : 0;
    }
    if (score <= 0) return 0;
    return std::max(1, score - 5 * mismatches);
}

std::int32_t
MatchWordScore(const std::string &x, const std::string &y, int wholeMatch, int tolerance)
{
    return MatchWordScore(CharactersOf(x), CharactersOf(y), wholeMatch, tolerance);
}

std::int32_t MatchParagraphs(const TCommonTextWords &source,
                             const std::string &againstFile,
                             TMatchSourceInfo &info,
                             const std::string &againstFilter,
                             const TCommonTextWords &against,
                             const TCommonTextSettings &settings)
{
    int pairs = 0;
    std::int64_t total = 0;
    std::string matched;
    for (const TCommonTextWord &s : source) {
        for (const TCommonTextWord &a : against) {
            const std::int32_t x = MatchWordScore(
                s.Characters, a.Characters, settings.WholeMatch, settings.MisspellingTolerance);
            const std::int32_t y = MatchWordScore(
                a.Characters, s.Characters, settings.WholeMatch, settings.MisspellingTolerance);
            const std::int32_t best = std::max(x, y);
            if (best <= 0) continue;
            ++pairs;
            total += best;
            if (s.Text == a.Text)
                matched += s.Text + "; ";
            else if (x < y)
                matched += s.Text + " <- " + a.Text + "; ";
            else
                matched += s.Text + " -> " + a.Text + "; ";
        }
    }
    const int minimum = settings.MinimumMatches > 0
                            ? settings.MinimumMatches
                            : static_cast<int>(source.size()) + settings.MinimumMatches;
    if (total < 1 || pairs < minimum) return 0;
    matched.resize(matched.size() - 2);
    const std::int32_t rank = ClampToInt32(total);
    info.Matches.emplace_back(againstFilter,
                              TMatchAgainstInfo{againstFile, againstFilter, matched, rank});
    return rank;
}

TCommonTextEnd FindCommonText(const std::vector<TCommonTextFile> &files,
                              int activeIndex,
                              const TCommonTextSettings &settings,
                              std::vector<TMatchSourceInfo> &results,
                              int &matches,
                              const std::function<bool(const TCommonTextStep &)> &step)
{
    results.clear();
    matches = 0;
    if (activeIndex < 0 || activeIndex >= static_cast<int>(files.size())) return ceDone;
    const TCommonTextFile &active = files[static_cast<std::size_t>(activeIndex)];
    TCommonTextStep where;
    for (const TCommonTextParagraph &p : active.Paragraphs) {
        TMatchSourceInfo info;
        info.SourceFilter = p.Filter;
        std::int64_t rank = 0;
        where.File = 0;
        for (const TCommonTextFile &file : files) {
            if (file.Title != active.Title) {
                where.AgainstParagraph = 0;
                for (const TCommonTextParagraph &q : file.Paragraphs) {
                    rank += MatchParagraphs(p.Words, file.Title, info, q.Filter, q.Words, settings);
                    const bool stop = step && step(where);
                    if (matches > MostCommonTextMatches) return ceTooManyMatches;
                    if (stop) return ceStopped;
                    ++where.AgainstParagraph;
                }
            }
            ++where.File;
        }
        if (rank >= 1) {
            info.Rank = ClampToInt32(rank);
            results.push_back(std::move(info));
            ++matches;
            // Checked here too: the last source paragraph has no against paragraph after it.
            if (matches > MostCommonTextMatches) return ceTooManyMatches;
        }
        ++where.SourceParagraph;
    }
    return ceDone;
}

bool SortCommonTextResults(std::vector<TMatchSourceInfo> &results,
                           const std::function<bool(int index)> &step)
{
    std::stable_sort(
        results.begin(), results.end(), [](const TMatchSourceInfo &a, const TMatchSourceInfo &b) {
            return a.Rank > b.Rank;
        });
    for (std::size_t j = 0; j < results.size(); ++j) {
        if (step && step(static_cast<int>(j))) return false;
        auto &matches = results[j].Matches;
        std::stable_sort(matches.begin(), matches.end(), [](const auto &a, const auto &b) {
            return a.second.Rank > b.second.Rank;
        });
    }
    return true;
}

bool CommonTextResultsText(const std::vector<TMatchSourceInfo> &results, std::string &text)
{
    text.clear();
    std::size_t characters = 0;
    for (std::size_t j = 0; j < results.size(); ++j) {
        if (characters > LongestCommonTextReport) return false;
        const TMatchSourceInfo &result = results[j];
        std::string piece = "Match index: " + std::to_string(j + 1) + "\nSource filter: \"" +
                            result.SourceFilter + "\"" +
                            "\nMatch count: " + std::to_string(result.Matches.size()) +
                            "\nRank: " + std::to_string(result.Rank) + "\n" + Separator50 + "\n";
        for (std::size_t k = 0; k < result.Matches.size(); ++k) {
            const TMatchAgainstInfo &match = result.Matches[k].second;
            if (k > 0) piece += "\n    " + Separator50 + "\n";
            piece += "    Partial match index: " + std::to_string(k + 1) +
                     "\n    Against file: \"" + match.AgainstFile + "\"" +
                     "\n    Against filter: \"" + match.AgainstFilter + "\"" +
                     "\n    Matched filter: \"" + match.MatchedFilter + "\"" +
                     "\n    Rank: " + std::to_string(match.Rank);
        }
        piece += "\n" + DoubleSeparator50 + "\n";
        characters += CodePointCount(piece);
        text += piece;
    }
    return true;
}

std::string CommonTextReport(const std::string &sourceFile,
                             int matches,
                             double elapsedSeconds,
                             const std::string &resultsText)
{
    return DoubleSeparator50 + "\nSource file: " + sourceFile +
           "\nMatch count: " + std::to_string(matches) +
           "\nElapsed time (seconds): " + AlignRealToTextPow(6, 0, elapsedSeconds) + "\n" +
           DoubleSeparator50 + "\n" + resultsText;
}

std::string CommonTextProgressText(
    int errors, double elapsedSeconds, int matches, const TCommonTextStep *step, int matchIndex)
{
    std::string text = "Errors " + std::to_string(errors) + " | " + "Time " +
                       AlignRealToTextPow(6, 1, elapsedSeconds) + " | " + "Matches " +
                       std::to_string(matches);
    if (step)
        text += " | Source filter " + std::to_string(step->SourceParagraph + 1) +
                " | Against file " + std::to_string(step->File + 1) + " | Against filter " +
                std::to_string(step->AgainstParagraph + 1);
    if (matchIndex >= 0) text += " | Match index " + std::to_string(matchIndex);
    return text;
}
