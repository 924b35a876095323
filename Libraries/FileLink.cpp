// Shortcuts: the symbolic-link and desktop-entry forms, the desktop-entry reader and writer,
// the functions built on them, and the thumbnails of the freedesktop thumbnail cache.
#include "Libraries/FileLink.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/MyTime.h"
#include "platform/Links.h"
#include "platform/System.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr const char *ThisUnit = "File";
constexpr const char *MainGroup = "Desktop Entry";
// A desktop entry is a small text; a larger file is not one.
constexpr std::size_t DesktopEntryLimit = 1u << 20;
// Steps along a chain of symbolic links before it counts as a loop, as the kernel counts.
constexpr int SymbolicLinkSteps = 40;
// The start of a thumbnail that is read for its text chunks.
constexpr std::size_t ThumbnailHeadLimit = 1u << 16;
// 1601-01-01 00:00 UTC, the raw file time 0, in Unix seconds.
constexpr std::int64_t RawTimeZeroSeconds = -11644473600LL;

// ---- Small texts ----------------------------------------------------------------------------

bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsAsciiAlphanumeric(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// True when c is one of the characters of the set; never for the terminating NUL.
bool IsOneOf(char c, const char *set)
{
    return c != '\0' && std::strchr(set, c) != nullptr;
}

bool EqualIgnoringAsciiCase(const std::string &a, const std::string &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(x) == lower(y);
    });
}

// A whole decimal number in range; false for anything else.
template <class TNumber> bool ParseNumber(const std::string &text, TNumber &value)
{
    std::int64_t wide = 0;
    const char *end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, wide);
    if (text.empty() || failure != std::errc() || stop != end) return false;
    if (wide < static_cast<std::int64_t>(std::numeric_limits<TNumber>::min()) ||
        wide > static_cast<std::int64_t>(std::numeric_limits<TNumber>::max()))
        return false;
    value = static_cast<TNumber>(wide);
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// ---- Desktop entry values -------------------------------------------------------------------

// Bytes a value can carry: control characters other than tab, line feed and carriage return
// have no escape in the format.
bool IsStorableInValue(const std::string &text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F;
    });
}

// The value-level escapes of string values: \s \n \t \r \\. Spaces become \s only at the ends,
// where a reader would trim them.
std::string EscapeValue(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' && (first == std::string::npos || i < first || i > last))
            result += "\\s";
        else if (c == '\\')
            result += "\\\\";
        else if (c == '\n')
            result += "\\n";
        else if (c == '\t')
            result += "\\t";
        else if (c == '\r')
            result += "\\r";
        else
            result += c;
    }
    return result;
}

// Undoes EscapeValue; other backslash pairs stay as written, for the Exec rules to read.
std::string UnescapeValue(const std::string &raw)
{
    std::string result;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            result += raw[i];
            continue;
        }
        const char next = raw[++i];
        if (next == 's')
            result += ' ';
        else if (next == 'n')
            result += '\n';
        else if (next == 't')
            result += '\t';
        else if (next == 'r')
            result += '\r';
        else if (next == '\\')
            result += '\\';
        else
            result += {'\\', next};
    }
    return result;
}

// ---- Exec command lines ---------------------------------------------------------------------

// Characters that make an Exec argument need quotes.
constexpr const char *ExecReserved = " \t\n\"'\\><~|&;$*?#()`";

// One Exec argument: "%" doubled, quoted when it holds a reserved character, with " ` $ and
// \ escaped inside the quotes.
std::string ExecWord(const std::string &word)
{
    bool quote = word.empty();
    std::string body;
    for (const char c : word) {
        if (c == '%') {
            body += "%%";
            continue;
        }
        if (IsOneOf(c, ExecReserved)) quote = true;
        if (IsOneOf(c, "\"`$\\")) body += '\\';
        body += c;
    }
    return quote ? "\"" + body + "\"" : body;
}

std::string ExecText(const std::vector<std::string> &words)
{
    std::string text;
    for (const std::string &word : words)
        text += (text.empty() ? "" : " ") + ExecWord(word);
    return text;
}

// Drops the field codes a launcher fills in (%f, %U, ...) and turns "%%" into "%"; false when
// the word held only field codes and disappears.
bool ExpandFieldCodes(const std::string &word, std::string &result)
{
    result.clear();
    bool dropped = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 1 == word.size()) {
            result += word[i];
            continue;
        }
        if (word[++i] == '%')
            result += '%';
        else
            dropped = true;
    }
    return !(dropped && result.empty());
}

// The words of an unescaped Exec value; false for an unterminated quote or a quote that does
// not end its argument.
bool SplitExec(const std::string &text, std::vector<std::string> &words)
{
    words.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i == text.size()) return true;
        std::string word;
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size() && IsOneOf(text[i + 1], "\"`$\\")) ++i;
                word += text[i];
            }
            if (i == text.size()) return false;
            ++i;
            if (i < text.size() && text[i] != ' ' && text[i] != '\t') return false;
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t')
                word += text[i++];
        }
        std::string expanded;
        if (ExpandFieldCodes(word, expanded)) words.push_back(expanded);
    }
}

// ---- Argument texts -------------------------------------------------------------------------

// The words of the record's argument text: white space separates, double quotes group, and
// three double quotes in a row stand for one.
std::vector<std::string> SplitArgumentText(const std::string &text)
{
    std::vector<std::string> words;
    std::string word;
    int quotes = 0;
    bool inQuote = false;
    for (const char c : text) {
        if (c == '"') {
            if (++quotes == 3) {
                quotes = 0;
                word += c;
            }
            continue;
        }
        if (quotes == 1) inQuote = !inQuote;
        quotes = 0;
        if (!inQuote && IsAsciiSpace(c)) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// The argument text that SplitArgumentText splits into the words.
std::string JoinArgumentText(const std::vector<std::string> &words)
{
    std::string text;
    for (const std::string &word : words) {
        if (!text.empty()) text += ' ';
        const bool quote = word.empty() || std::any_of(word.begin(), word.end(), [](char c) {
                               return c == '"' || IsAsciiSpace(c);
                           });
        if (!quote) {
            text += word;
            continue;
        }
        text += '"';
        for (const char c : word)
            text += c == '"' ? std::string("\"\"\"") : std::string(1, c);
        text += '"';
    }
    return text;
}

// ---- File URIs ------------------------------------------------------------------------------

bool IsUriPathByte(char c)
{
    return IsAsciiAlphanumeric(c) || IsOneOf(c, "-._~!$&'()*+,=:@/");
}

// The path of a "file:" URI (no host or "localhost"); false for any other URI.
bool PathOfFileUri(const std::string &uri, std::string &path)
{
    if (uri.size() < 5 || !EqualIgnoringAsciiCase(uri.substr(0, 5), "file:")) return false;
    std::string rest = uri.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
        const std::size_t slash = rest.find('/', 2);
        if (slash == std::string::npos) return false;
        const std::string host = rest.substr(2, slash - 2);
        if (!host.empty() && host != "localhost") return false;
        rest = rest.substr(slash);
    }
    if (rest.empty() || rest.front() != '/') return false;
    path.clear();
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        if (i + 2 >= rest.size()) return false;
        const int high = HexValue(rest[i + 1]), low = HexValue(rest[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// ---- The desktop entry document -------------------------------------------------------------

// A desktop entry as lines, so that a rewrite keeps every comment, group and key it does not
// change exactly as it was.
class TDesktopDocument
{
public:
    // False for a file that is not a desktop entry: a control character, a line that is
    // neither comment, group header nor key, a key before the first group, a repeated group,
    // or no "Desktop Entry" group.
    bool Parse(const std::string &content);
    // A document with only the "Desktop Entry" header.
    void Reset();
    bool Has(const std::string &key) const { return Find(key) != Lines.end(); }
    // The unescaped value of a key of the main group; empty when it is missing.
    std::string Value(const std::string &key) const;
    // Sets a key of the main group to a raw value; its localized variants go.
    void Set(const std::string &key, const std::string &rawValue);
    // Sets the escaped text, or removes the key when the text is empty.
    void SetOrRemove(const std::string &key, const std::string &text);
    void Remove(const std::string &key);
    std::string Text() const;

private:
    struct TLine
    {
        std::string Text;  // the line as read, or as built
        std::string Group; // the group the line belongs to ("" before the first)
        std::string Key;   // empty for comments, blank lines and headers
        std::string Value; // the raw value after "="
    };
    std::vector<TLine> Lines;

    bool ParseLine(const std::string &text, std::string &group, std::vector<std::string> &groups);
    std::vector<TLine>::const_iterator Find(const std::string &key) const;
    bool IsVariant(const TLine &line, const std::string &key) const;
};

bool IsValidKey(const std::string &key)
{
    const std::size_t bracket = key.find('[');
    const std::string base = key.substr(0, bracket);
    if (base.empty()) return false;
    for (const char c : base)
        if (!IsAsciiAlphanumeric(c) && !IsOneOf(c, "-_.")) return false;
    if (bracket == std::string::npos) return true;
    if (key.back() != ']' || key.size() < bracket + 3) return false;
    for (std::size_t i = bracket + 1; i + 1 < key.size(); ++i)
        if (!IsAsciiAlphanumeric(key[i]) && !IsOneOf(key[i], "_@.-")) return false;
    return true;
}

bool TDesktopDocument::Parse(const std::string &content)
{
    Lines.clear();
    std::string group;
    std::vector<std::string> groups;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string text = content.substr(start, end - start);
        start = end + 1;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (!ParseLine(text, group, groups)) return false;
    }
    return std::find(groups.begin(), groups.end(), MainGroup) != groups.end();
}

bool TDesktopDocument::ParseLine(const std::string &text,
                                 std::string &group,
                                 std::vector<std::string> &groups)
{
    if (!std::all_of(text.begin(), text.end(), [](char c) {
            return c == '\t' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        }))
        return false;
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') {
        Lines.push_back({text, group, {}, {}});
        return true;
    }
    if (text[first] == '[') {
        const std::size_t last = text.find_last_not_of(" \t");
        const std::string name = text.substr(first + 1, last - first - 1);
        if (first != 0 || text[last] != ']' || name.empty() ||
            name.find_first_of("[]") != std::string::npos ||
            std::find(groups.begin(), groups.end(), name) != groups.end())
            return false;
        group = name;
        groups.push_back(name);
        Lines.push_back({text, group, {}, {}});
        return true;
    }
    const std::size_t equals = text.find('=');
    if (group.empty() || equals == std::string::npos) return false;
    std::string key = text.substr(0, equals);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
        key.pop_back();
    if (!IsValidKey(key)) return false;
    const std::size_t valueStart = text.find_first_not_of(" \t", equals + 1);
    const std::size_t valueEnd = text.find_last_not_of(" \t");
    const std::string value = valueStart == std::string::npos || valueEnd < valueStart
                                  ? std::string()
                                  : text.substr(valueStart, valueEnd - valueStart + 1);
    Lines.push_back({text, group, key, value});
    return true;
}

void TDesktopDocument::Reset()
{
    Lines = {{std::string("[") + MainGroup + "]", MainGroup, {}, {}}};
}

std::vector<TDesktopDocument::TLine>::const_iterator
TDesktopDocument::Find(const std::string &key) const
{
    return std::find_if(Lines.begin(), Lines.end(), [&](const TLine &line) {
        return line.Group == MainGroup && line.Key == key;
    });
}

bool TDesktopDocument::IsVariant(const TLine &line, const std::string &key) const
{
    return line.Group == MainGroup && line.Key.size() > key.size() &&
           line.Key.compare(0, key.size(), key) == 0 && line.Key[key.size()] == '[';
}

std::string TDesktopDocument::Value(const std::string &key) const
{
    const auto line = Find(key);
    return line == Lines.end() ? std::string() : UnescapeValue(line->Value);
}

void TDesktopDocument::Set(const std::string &key, const std::string &rawValue)
{
    const TLine built{key + "=" + rawValue, MainGroup, key, rawValue};
    auto line = std::find_if(Lines.begin(), Lines.end(), [&](const TLine &each) {
        return each.Group == MainGroup && each.Key == key;
    });
    if (line != Lines.end()) {
        *line = built;
    } else {
        // New keys follow the last key (or the header) of the main group, before blank lines.
        std::size_t after = 0;
        for (std::size_t i = 0; i < Lines.size(); ++i)
            if (Lines[i].Group == MainGroup &&
                (!Lines[i].Key.empty() || Lines[i].Text.compare(0, 1, "[") == 0))
                after = i + 1;
        line = Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(after), built);
    }
    const std::ptrdiff_t kept = line - Lines.begin();
    std::ptrdiff_t index = 0;
    std::erase_if(Lines, [&](const TLine &each) {
        const bool drop =
            index != kept && (IsVariant(each, key) || (each.Group == MainGroup && each.Key == key));
        ++index;
        return drop;
    });
}

void TDesktopDocument::SetOrRemove(const std::string &key, const std::string &text)
{
    if (text.empty())
        Remove(key);
    else
        Set(key, EscapeValue(text));
}

void TDesktopDocument::Remove(const std::string &key)
{
    std::erase_if(Lines, [&](const TLine &line) {
        return IsVariant(line, key) || (line.Group == MainGroup && line.Key == key);
    });
}

std::string TDesktopDocument::Text() const
{
    std::string text;
    for (const TLine &line : Lines)
        text += line.Text + "\n";
    return text;
}

// ---- The record -----------------------------------------------------------------------------

// The date-time ConvertFileTime gives for the raw file time 0, worked out without running an
// operation, so that making or clearing a record never changes the status context.
double ClearedReferenceTime()
{
    if (!FileUnitLoader.convertTimesToLocal)
        return static_cast<double>(RawTimeZeroSeconds) / 86400.0 + 25569.0;
    Platform::TLocalTime local;
    if (!Platform::LocalTimeOf(RawTimeZeroSeconds, local)) return 0;
    return EncodeDateTime(
        local.year, local.month, local.day, local.hour, local.minute, local.second);
}

// Takes the target's facts from the file system; a missing target leaves them cleared.
void ReadReferenceFacts(TLinkFile &record)
{
    Platform::TLinkEntryFacts facts;
    if (record.reference.find(PathDelimiter) == std::string::npos ||
        !Platform::LinkEntryFacts(record.reference, true, facts))
        return;
    TFileInfo info;
    info.Load(record.reference);
    if (!info.exists) {
        FunStatContext.Reset(fsPerfect); // a target that went away is only not found
        return;
    }
    record.referenceFound = true;
    record.referenceAttributes = info.attributes;
    record.referenceCreated = info.created;
    record.referenceAccessed = info.accessed;
    record.referenceModified = info.modified;
    record.referenceSize = info.size;
}

// The path a relative name stands for in a directory.
std::string TakenAgainst(const std::string &directory, const std::string &name)
{
    if (name.empty()) return {};
    if (name.front() == PathDelimiter) return FullPath(name);
    return FullPath(IncludeTrailingBackslash(directory) + name);
}

// Follows a dangling chain of symbolic links by their texts to the name it ends at; false
// when the chain is a loop.
bool FollowLinkTexts(const std::string &start, std::string &end)
{
    std::string current = start;
    for (int step = 0; step <= SymbolicLinkSteps; ++step) {
        Platform::TLinkEntryFacts facts;
        std::string text;
        if (!Platform::LinkEntryFacts(current, false, facts) || !facts.IsSymbolicLink ||
            !Platform::ReadLinkText(current, text) || text.empty()) {
            end = current;
            return true;
        }
        current = TakenAgainst(ExtractDirectory(current), text);
    }
    return false;
}

void LoadSymbolicLink(TFunScope &Fun, const std::string &path, bool resolve, TLinkFile &record)
{
    std::string text;
    if (!Platform::ReadLinkText(path, text)) {
        Fun.RaiseLastError("Failed to get reference path.", path);
        return;
    }
    if (text.empty()) {
        Fun.Raise("Empty reference path.", path);
        return;
    }
    const std::string linkPath = FullPath(path);
    if (TakenAgainst(ExtractDirectory(linkPath), text) == linkPath) {
        Fun.Raise("This file is most probably a virus because it links to itself.", path);
        return;
    }
    if (Platform::CanonicalLinkTarget(path, record.reference)) return;
    const int code = Platform::LastErrorCode();
    if (resolve || (code != ENOENT && code != ENOTDIR)) {
        Fun.Raise("Failed to resolve link file.", path, {}, code);
        return;
    }
    // Without resolving, a dangling link still names its target.
    if (!FollowLinkTexts(linkPath, record.reference))
        Fun.Raise("Failed to resolve link file.", path, {}, ELOOP);
}

// The target and arguments of an entry: the first Exec word of a program, the URL's path of a
// link; false when the entry names no file.
bool EntryTarget(const TDesktopDocument &entry,
                 bool &program,
                 std::string &target,
                 std::vector<std::string> &execArguments)
{
    const std::string type = entry.Value("Type");
    program = type == "Application";
    if (program) {
        std::vector<std::string> words;
        if (!SplitExec(entry.Value("Exec"), words)) return false;
        if (!words.empty()) {
            target = words.front();
            execArguments.assign(words.begin() + 1, words.end());
        }
        return true;
    }
    const std::string url = entry.Value("URL");
    return type == "Link" && (url.empty() || PathOfFileUri(url, target));
}

void LoadDesktopEntry(TFunScope &Fun, const std::string &path, bool resolve, TLinkFile &record)
{
    std::string content;
    if (!Platform::ReadFileHead(path, DesktopEntryLimit + 1, content)) {
        Fun.RaiseLastError("Failed to load link file.", path);
        return;
    }
    TDesktopDocument entry;
    if (content.size() > DesktopEntryLimit || !entry.Parse(content) || !entry.Has("Type")) {
        Fun.Raise(
            "Failed to load link file.", path, {}, content.size() > DesktopEntryLimit ? EFBIG : 0);
        return;
    }
    bool program = false;
    std::string target;
    std::vector<std::string> execArguments;
    if (!EntryTarget(entry, program, target, execArguments)) {
        Fun.Raise("Failed to get reference path.", path);
        return;
    }
    const std::string entryDirectory = ExtractDirectory(FullPath(path));
    record.workingDirectory = TakenAgainst(entryDirectory, entry.Value("Path"));
    // Our own argument text wins while the Exec line still says the same.
    const std::string stored = entry.Value("X-Velmordian-Arguments");
    const bool storedHolds = entry.Has("X-Velmordian-Arguments") &&
                             (!program || SplitArgumentText(stored) == execArguments);
    record.arguments = storedHolds ? stored : JoinArgumentText(execArguments);
    record.description = entry.Value("Comment");
    const std::string icon = entry.Value("Icon");
    record.iconPath =
        icon.find(PathDelimiter) == std::string::npos ? icon : TakenAgainst(entryDirectory, icon);
    if (target.empty()) {
        Fun.Raise("Empty reference path.", path);
        return;
    }
    if (program && target.find(PathDelimiter) == std::string::npos) {
        const std::string found = Platform::FindProgramInSearchPath(target);
        record.reference = found.empty() ? target : FullPath(found);
    } else {
        const bool inWorkingDirectory = program && !record.workingDirectory.empty();
        record.reference =
            TakenAgainst(inWorkingDirectory ? record.workingDirectory : entryDirectory, target);
    }
    const std::string hotKey = entry.Value("X-Velmordian-HotKey");
    if (!hotKey.empty() && !ParseNumber(hotKey, record.hotKey)) {
        Fun.Raise("Failed to get hot key.", path);
        return;
    }
    const std::string showCommand = entry.Value("X-Velmordian-ShowCommand");
    if (!showCommand.empty() && !ParseNumber(showCommand, record.showCommand)) {
        Fun.Raise("Failed to get show command.", path);
        return;
    }
    if (record.reference == FullPath(path)) {
        Fun.Raise("This file is most probably a virus because it links to itself.", path);
        return;
    }
    if (!resolve) return;
    Platform::TLinkEntryFacts facts;
    if (record.reference.find(PathDelimiter) == std::string::npos)
        Fun.Raise("Failed to resolve link file.", path, {}, ENOENT);
    else if (!Platform::LinkEntryFacts(record.reference, true, facts))
        Fun.RaiseLastError("Failed to resolve link file.", path);
}

// The Name of a new entry: the file name without ".desktop", control characters shown as "?".
std::string EntryName(const std::string &path)
{
    std::string name = ExtractName(path);
    name.resize(name.size() - ExtractExtension(name).size());
    for (char &c : name)
        if (!IsStorableInValue(std::string(1, c))) c = '?';
    return name;
}

bool SaveDesktopEntry(TFunScope &Fun, const std::string &path, const TLinkFile &record)
{
    const bool program = IsExecutableFile(record.reference);
    const std::pair<const std::string *, const char *> fields[] = {
        {program ? &record.reference : nullptr, "Failed to set reference path."},
        {&record.workingDirectory, "Failed to set working path."},
        {&record.arguments, "Failed to set arguments."},
        {&record.description, "Failed to set description."},
        {&record.iconPath, "Failed to set icon path."}};
    for (const auto &[text, failure] : fields) {
        if (text && !IsStorableInValue(*text)) {
            Fun.Raise(failure, path, {}, EINVAL);
            return false;
        }
    }
    TDesktopDocument entry;
    std::string existing;
    if (!Platform::ReadFileHead(path, DesktopEntryLimit + 1, existing) ||
        existing.size() > DesktopEntryLimit || !entry.Parse(existing))
        entry.Reset();
    entry.Set("Type", program ? "Application" : "Link");
    if (!entry.Has("Name")) entry.Set("Name", EscapeValue(EntryName(path)));
    if (program) {
        std::vector<std::string> words = SplitArgumentText(record.arguments);
        words.insert(words.begin(), record.reference);
        entry.Set("Exec", EscapeValue(ExecText(words)));
        entry.SetOrRemove("Path", record.workingDirectory);
        entry.Remove("URL");
    } else {
        entry.Set("URL", EscapeValue(FileUriOfPath(record.reference)));
        entry.Remove("Exec");
        entry.Remove("Path");
    }
    entry.Remove("TryExec"); // it would hide the entry once the target changes
    entry.SetOrRemove("Comment", record.description);
    entry.SetOrRemove("Icon", record.iconPath);
    entry.SetOrRemove("X-Velmordian-Arguments", record.arguments);
    entry.SetOrRemove("X-Velmordian-ShowCommand",
                      record.showCommand ? std::to_string(record.showCommand) : "");
    entry.SetOrRemove("X-Velmordian-HotKey", record.hotKey ? std::to_string(record.hotKey) : "");
    if (!Platform::ReplaceFileContent(path, entry.Text(), program)) {
        Fun.RaiseLastError("Failed to save link file.", path);
        return false;
    }
    return true;
}

// ---- MD5 ------------------------------------------------------------------------------------

constexpr std::uint32_t Md5Sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int Md5Shifts[16] = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

std::uint32_t RotateLeft(std::uint32_t value, int count)
{
    return (value << count) | (value >> (32 - count));
}

void Md5Block(const unsigned char *block, std::uint32_t state[4])
{
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i)
        words[i] = static_cast<std::uint32_t>(block[4 * i]) |
                   static_cast<std::uint32_t>(block[4 * i + 1]) << 8 |
                   static_cast<std::uint32_t>(block[4 * i + 2]) << 16 |
                   static_cast<std::uint32_t>(block[4 * i + 3]) << 24;
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t mixed = 0;
        int word = 0;
        if (i < 16) {
            mixed = (b & c) | (~b & d);
            word = i;
        } else if (i < 32) {
            mixed = (d & b) | (~d & c);
            word = (5 * i + 1) % 16;
        } else if (i < 48) {
            mixed = b ^ c ^ d;
            word = (3 * i + 5) % 16;
        } else {
            mixed = c ^ (b | ~d);
            word = (7 * i) % 16;
        }
        mixed += a + Md5Sines[i] + words[word];
        a = d;
        d = c;
        c = b;
        b += RotateLeft(mixed, Md5Shifts[(i / 16) * 4 + i % 4]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

// ---- Thumbnails -----------------------------------------------------------------------------

std::uint32_t BigEndian32(const std::string &bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The tEXt chunks before the picture data of a PNG file; false when the bytes are not PNG.
bool PngTexts(const std::string &bytes, std::vector<std::pair<std::string, std::string>> &texts)
{
    if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) != 0) return false;
    std::size_t at = 8;
    while (bytes.size() >= at + 12) {
        const std::size_t length = BigEndian32(bytes, at);
        const std::string type = bytes.substr(at + 4, 4);
        if (type == "IDAT" || type == "IEND" || length > bytes.size() - at - 12) break;
        if (type == "tEXt") {
            const std::string data = bytes.substr(at + 8, length);
            const std::size_t nul = data.find('\0');
            if (nul != std::string::npos)
                texts.emplace_back(data.substr(0, nul), data.substr(nul + 1));
        }
        at += 12 + length;
    }
    return true;
}

// A PNG thumbnail whose own record of the URI and modification time, where it keeps one,
// matches the file.
bool IsThumbnailOf(const std::string &candidate, const std::string &uri, std::int64_t modified)
{
    std::string head;
    std::vector<std::pair<std::string, std::string>> texts;
    if (!Platform::ReadFileHead(candidate, ThumbnailHeadLimit, head) || !PngTexts(head, texts))
        return false;
    for (const auto &[key, value] : texts) {
        std::int64_t time = 0;
        if (key == "Thumb::URI" && value != uri) return false;
        if (key == "Thumb::MTime" && (!ParseNumber(value, time) || time != modified)) return false;
    }
    return true;
}

std::string ThumbnailCacheDirectory()
{
    std::string cache = Platform::Environment("XDG_CACHE_HOME");
    if (cache.empty() || cache.front() != PathDelimiter)
        cache = Platform::Environment("HOME") + "/.cache";
    return IncludeTrailingBackslash(cache) + "thumbnails/";
}

} // namespace

// ---- TLinkFile ------------------------------------------------------------------------------

TLinkFile::TLinkFile()
{
    referenceCreated = referenceAccessed = referenceModified = ClearedReferenceTime();
}

void ClearLinkFile(TLinkFile &record)
{
    record = TLinkFile();
}

bool ReferenceIsDirectory(const TLinkFile &record)
{
    return record.referenceFound && (record.referenceAttributes & FileAttribute::Directory) != 0;
}

void TLinkFile::Load(const std::string &path, bool resolve)
{
    ClearLinkFile(*this);
    TFunScope Fun(ThisUnit, "TLinkFile::Load");
    Fun.Run([&] {
        if (path.size() > MaximumPathLength) {
            Fun.Raise("Failed to load link file.", path, {}, ENAMETOOLONG);
            return;
        }
        Platform::TLinkEntryFacts facts;
        if (Platform::LinkEntryFacts(path, false, facts) && facts.IsSymbolicLink)
            LoadSymbolicLink(Fun, path, resolve, *this);
        else if (IsShortcut(path))
            LoadDesktopEntry(Fun, path, resolve, *this);
        else
            Fun.Raise("File is not a link.", path);
        if (Fun.Failed()) return;
        ReadReferenceFacts(*this);
    });
    if (Fun.Failed()) ClearLinkFile(*this);
}

bool TLinkFile::Save(const std::string &path, bool overwrite)
{
    bool written = true;
    TFunScope Fun(ThisUnit, "TLinkFile::Save");
    Fun.Run([&] {
        reference = FullPath(reference);
        if (IsShortcut(reference)) {
            Fun.Raise("This operating system does not support chained links.", path);
            return;
        }
        if (PathExists(path) && !overwrite) return;
        written = false;
        if (path.empty() || path.size() > MaximumPathLength ||
            reference.size() > MaximumPathLength) {
            Fun.Raise("Failed to save link file.", path, {}, path.empty() ? ENOENT : ENAMETOOLONG);
            return;
        }
        if (reference.empty() || reference == FullPath(path)) {
            Fun.Raise(
                "Failed to set reference path.", path, reference, reference.empty() ? 0 : ELOOP);
            return;
        }
        if (IsLinkFile(path)) {
            written = SaveDesktopEntry(Fun, path, *this);
        } else if (Platform::CreateSymbolicLink(reference, path, PathExists(path))) {
            written = true; // a symbolic link holds only the target
        } else {
            Fun.RaiseLastError("Failed to save link file.", path);
        }
    });
    if (Fun.Failed()) ClearLinkFile(*this);
    return written;
}

// ---- Functions on shortcuts -----------------------------------------------------------------

std::string GetWhenReference(
    const std::string &path, bool *isDirectory, bool *isLink, TLinkFile *record, bool resolve)
{
    std::string result = path;
    TFunScope Fun(ThisUnit, "GetWhenReference");
    Fun.Run([&] {
        if (isLink) *isLink = false;
        Platform::TLinkEntryFacts facts;
        const bool symbolic = Platform::LinkEntryFacts(path, false, facts) && facts.IsSymbolicLink;
        if (!symbolic && !IsShortcut(path)) return;
        TLinkFile local;
        local.Load(path, resolve);
        if (Fun.CalleeFailed()) return;
        if (record) *record = local;
        if (isDirectory) *isDirectory = ReferenceIsDirectory(local);
        if (isLink) *isLink = true;
        result = local.reference;
    });
    return result;
}

void CopyFileAsLink(const std::string &source,
                    const std::string &shortcutPath,
                    bool overwrite,
                    bool minimized,
                    bool withWorkingDirectory,
                    const std::string &arguments)
{
    TFunScope Fun(ThisUnit, "CopyFileAsLink");
    Fun.Run([&] {
        TLinkFile record;
        record.reference = source;
        if (withWorkingDirectory) record.workingDirectory = ExtractDirectory(source);
        record.arguments = arguments;
        if (minimized) record.showCommand = ShowCommandMinimized;
        record.Save(shortcutPath, overwrite);
        Fun.CalleeFailed();
    });
}

void CopyFileAsLinkWithParam(const std::string &source,
                             const std::string &shortcutPath,
                             const std::string &arguments,
                             bool overwrite)
{
    TFunScope Fun(ThisUnit, "CopyFileAsLinkWithParam");
    Fun.Run([&] {
        CopyFileAsLink(source, shortcutPath, overwrite, false, true, arguments);
        Fun.CalleeFailed();
    });
}

void MakeLinkByStatus(const std::string &directory,
                      const std::string &target,
                      const std::string &arguments,
                      bool status,
                      bool minimized,
                      const std::string &description)
{
    TFunScope Fun(ThisUnit, "MakeLinkByStatus");
    Fun.Run([&] {
        const std::string name = ExtractName(target);
        const std::string shortcut = IncludeTrailingBackslash(directory) +
                                     name.substr(0, name.size() - ExtractExtension(name).size()) +
                                     ".desktop";
        if (!status) {
            if (!Platform::DeleteLinkEntry(shortcut) && Platform::LastErrorCode() != ENOENT)
                Fun.RaiseLastError("Failed to delete link file.", shortcut);
            return;
        }
        TLinkFile record;
        if (PathExists(shortcut)) {
            record.Load(shortcut, false);
            if (Fun.CalleeFailed()) return;
        }
        if (record.reference == target && record.arguments == arguments &&
            record.description == description &&
            (record.showCommand == ShowCommandMinimized) == minimized)
            return;
        record.reference = target;
        record.arguments = arguments;
        record.description = description;
        record.showCommand = minimized ? ShowCommandMinimized : ShowCommandNormal;
        record.Save(shortcut, true);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to create link.");
}

bool IsLinkToProgram(const std::string &path)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "IsLinkToProgram");
    Fun.Run([&] {
        if (!IsLinkFile(path)) return;
        TLinkFile record;
        record.Load(path, false);
        if (Fun.CalleeFailed()) return;
        result = IsExecutableFile(record.reference);
    });
    return result;
}

bool IsExecutableFile(const std::string &path)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "IsExecutableFile");
    Fun.Run([&] {
        Platform::TLinkEntryFacts facts;
        std::string head;
        if (path.empty() || !Platform::LinkEntryFacts(path, true, facts) || !facts.IsRegular ||
            !Platform::MayExecute(path) || !Platform::ReadFileHead(path, 4, head))
            return;
        result = head.compare(0,
                              4,
                              "\x7f"
                              "ELF") == 0 ||
                 head.compare(0, 2, "#!") == 0;
    });
    return result;
}

bool IsDosProgram(const std::string &)
{
    TFunScope Fun(ThisUnit, "IsDosProgram");
    return false;
}

std::string ShortcutExtension(const std::string &path)
{
    return IsExecutableFile(path) ? ".desktop" : "";
}

// ---- Thumbnails -----------------------------------------------------------------------------

std::string
GetSysThumbnailFromFile(const std::string &path, std::int32_t width, std::int32_t height)
{
    std::string result;
    TFunScope Fun(ThisUnit, "GetSysThumbnailFromFile");
    Fun.Run([&] {
        const std::string full = FullPath(path);
        Platform::TLinkEntryFacts facts;
        if (full.empty() || !Platform::LinkEntryFacts(full, true, facts)) return;
        struct TFolder
        {
            const char *Name;
            std::int32_t Size;
        };
        static const TFolder folders[] = {
            {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};
        constexpr std::size_t count = std::size(folders);
        // The folder that fits the size, then the larger ones, then the smaller ones.
        std::size_t fit = 0;
        while (fit + 1 < count && folders[fit].Size < std::max(width, height))
            ++fit;
        std::vector<std::size_t> order;
        for (std::size_t i = fit; i < count; ++i)
            order.push_back(i);
        for (std::size_t i = fit; i-- > 0;)
            order.push_back(i);
        const std::string uri = FileUriOfPath(full);
        const std::string name = Md5HexDigest(uri) + ".png";
        const std::string cache = ThumbnailCacheDirectory();
        for (const std::size_t i : order) {
            const std::string candidate = cache + folders[i].Name + "/" + name;
            if (IsThumbnailOf(candidate, uri, facts.ModifiedSeconds)) {
                result = candidate;
                return;
            }
        }
    });
    return result;
}

std::string FileUriOfPath(const std::string &path)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : FullPath(path)) {
        if (IsUriPathByte(c)) {
            uri += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        uri += {'%', digits[byte >> 4], digits[byte & 0xFu]};
    }
    return uri;
}

std::string Md5HexDigest(const std::string &bytes)
{
    std::uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::string message = bytes;
    message += static_cast<char>(0x80);
    while (message.size() % 64 != 56)
        message += '\0';
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i)
        message += static_cast<char>((bits >> (8 * i)) & 0xFFu);
    for (std::size_t at = 0; at < message.size(); at += 64)
        Md5Block(reinterpret_cast<const unsigned char *>(message.data() + at), state);
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint32_t word : state)
        for (int i = 0; i < 4; ++i) {
            const auto byte = (word >> (8 * i)) & 0xFFu;
            text += {digits[byte >> 4], digits[byte & 0xFu]};
        }
    return text;
}
