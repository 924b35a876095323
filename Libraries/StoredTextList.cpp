// Settings kept as text in a file of sections and key-value lines, with typed accessors.
#include "Libraries/StoredTextList.h"

#include "Libraries/Error.h"
#include "Libraries/Text.h"
#include "Libraries/Utilities.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>
#include <utility>

bool (*LookUpColorName)(const std::string &name, std::uint32_t &color) = nullptr;

namespace {

constexpr const char *ThisUnit = "StoredTextList";
const char *const CrLf = "\r\n";

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(const std::string &text)
{
    std::string folded = text;
    std::transform(folded.begin(), folded.end(), folded.begin(), AsciiLower);
    return folded;
}

// Without the spaces and control bytes around it.
std::string Trimmed(const std::string &text)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

// A value as the file holds it: a backslash, a carriage return and a line feed are written as
// "\\", "\r" and "\n", so that every value stays on its line.
std::string EscapedValue(const std::string &value)
{
    std::string text;
    text.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            text += "\\\\";
        else if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else
            text += c;
    }
    return text;
}

// The value of a file's line. Any other backslash stays as it is, so a value of an older file
// that holds one (such as "a\b") reads as it was written.
std::string UnescapedValue(const std::string &text)
{
    std::string value;
    value.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == '\\' || next == 'r' || next == 'n')) {
            value += next == 'r' ? '\r' : (next == 'n' ? '\n' : '\\');
            ++i;
            continue;
        }
        value += text[i];
    }
    return value;
}

// A whole decimal integer of 32 bits, spaces around it allowed.
bool ParseInt32(const std::string &text, std::int32_t &value)
{
    const std::string digits = Trimmed(text);
    const char *begin = digits.data();
    const char *end = begin + digits.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [stop, error] = std::from_chars(begin, end, value);
    return error == std::errc() && stop == end && begin != end;
}

// The colour identifiers of the user-interface framework: its named colours, the two special
// values, and the system colours as 0x80000000 + the platform's colour index.
struct TColorIdentifier
{
    const char *Name;
    std::uint32_t Value;
};
constexpr std::uint32_t SystemColor = 0x80000000u;
constexpr TColorIdentifier ColorIdentifiers[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", SystemColor + 0},
    {"clBackground", SystemColor + 1},
    {"clActiveCaption", SystemColor + 2},
    {"clInactiveCaption", SystemColor + 3},
    {"clMenu", SystemColor + 4},
    {"clWindow", SystemColor + 5},
    {"clWindowFrame", SystemColor + 6},
    {"clMenuText", SystemColor + 7},
    {"clWindowText", SystemColor + 8},
    {"clCaptionText", SystemColor + 9},
    {"clActiveBorder", SystemColor + 10},
    {"clInactiveBorder", SystemColor + 11},
    {"clAppWorkSpace", SystemColor + 12},
    {"clHighlight", SystemColor + 13},
    {"clHighlightText", SystemColor + 14},
    {"clBtnFace", SystemColor + 15},
    {"clBtnShadow", SystemColor + 16},
    {"clGrayText", SystemColor + 17},
    {"clBtnText", SystemColor + 18},
    {"clInactiveCaptionText", SystemColor + 19},
    {"clBtnHighlight", SystemColor + 20},
    {"cl3DDkShadow", SystemColor + 21},
    {"cl3DLight", SystemColor + 22},
    {"clInfoText", SystemColor + 23},
    {"clInfoBk", SystemColor + 24},
    {"clHotLight", SystemColor + 26},
    {"clGradientActiveCaption", SystemColor + 27},
    {"clGradientInactiveCaption", SystemColor + 28},
    {"clMenuHighlight", SystemColor + 29},
    {"clMenuBar", SystemColor + 30},
};

// A colour number: signed or unsigned decimal, or up to eight hexadecimal digits after "$" or
// "0x".
bool ParseColorNumber(const std::string &text, std::uint32_t &color)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    int base = 10;
    if (end - begin > 1 && *begin == '$') {
        ++begin;
        base = 16;
    } else if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        begin += 2;
        base = 16;
    }
    if (base == 10 && begin != end && *begin == '-') {
        std::int32_t value = 0;
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || stop != end) return false;
        color = static_cast<std::uint32_t>(value);
        return true;
    }
    if (base == 10 && begin != end && *begin == '+') ++begin;
    std::uint32_t value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, base);
    if (begin == end || error != std::errc() || stop != end) return false;
    color = value;
    return true;
}

// The file a save replaces: the target of a symbolic link rather than the link itself.
std::string SaveTarget(const std::string &path)
{
    std::string resolved;
    return Platform::PathTaken(path) && Platform::RealPath(path, resolved) ? resolved : path;
}

// Reads a whole file to its end; a missing file reads as empty. 0, or the system error code of
// a failure.
int ReadWholeFile(const std::string &path, std::string &text)
{
    text.clear();
    const int handle = Platform::OpenForReading(path);
    if (handle < 0) {
        const int code = Platform::LastErrorCode();
        return code == ENOENT ? 0 : code;
    }
    const std::int64_t size = Platform::HandleSize(handle);
    bool read = size >= 0;
    // The size is only a first guess: a file that grows meanwhile is read to its end.
    std::size_t done = 0;
    text.resize(read ? static_cast<std::size_t>(size) + 1 : 0);
    while (read) {
        const std::int64_t got =
            Platform::ReadFully(handle, text.data() + done, text.size() - done);
        if (got < 0) {
            read = false;
            break;
        }
        done += static_cast<std::size_t>(got);
        if (done < text.size()) break;
        text.resize(text.size() * 2);
    }
    const int code = read ? 0 : Platform::LastErrorCode();
    Platform::CloseHandle(handle);
    text.resize(read ? done : 0);
    return code;
}

} // namespace

// ---- Bounds and colours ---------------------------------------------------------------------

TFormBounds FitFormBounds(const TFormBounds &stored, const TFormBounds &workArea)
{
    TFormBounds fitted = stored;
    if (fitted.Left < workArea.Left || fitted.Left > workArea.Left + 0.9 * workArea.Width)
        fitted.Left = workArea.Left;
    if (fitted.Top < workArea.Top || fitted.Top > workArea.Top + 0.9 * workArea.Height)
        fitted.Top = workArea.Top;
    if (fitted.Width < 0 || fitted.Width > workArea.Width) fitted.Width = workArea.Width;
    if (fitted.Height < 0 || fitted.Height > workArea.Height) fitted.Height = workArea.Height;
    return fitted;
}

bool ColorFromStoredText(const std::string &text, std::uint32_t &color)
{
    if (text.empty()) return false;
    if (LookUpColorName && LookUpColorName(text, color)) return true;
    const std::string folded = Folded(text);
    for (const TColorIdentifier &identifier : ColorIdentifiers) {
        if (Folded(identifier.Name) == folded) {
            color = identifier.Value;
            return true;
        }
    }
    return ParseColorNumber(text, color);
}

// ---- Lifecycle ------------------------------------------------------------------------------

TStoredTextList::TStoredTextList(const std::string &name) : fileName(name) {}

bool TStoredTextList::Load(bool parameter)
{
    TFunScope Fun(ThisUnit, "TStoredTextList::Load");
    bool done = false;
    loading = true;
    damagedFile.clear();
    std::string message = "Failed to load file.";
    Fun.Run([&] {
        std::string text;
        const int code = ReadWholeFile(fileName, text);
        // On a failure the content is left empty, as for a missing file.
        Parse(text);
        if (code != 0) {
            Fun.Raise("Failed to read.", fileName, {}, code);
            if (keepDamagedFile && Platform::PathTaken(fileName)) {
                damagedFile = SaveTarget(fileName);
                message += "\r\nThe damaged file will be kept as \"" + damagedFile + ".bad\".";
            }
            return;
        }
        if (OnLoad) {
            OnLoad(*this, parameter);
            // The owner's own failures have been dealt with by the owner.
            FunStatContext.Reset(fsPerfect);
        }
        modified = false;
        done = true;
    });
    loading = false;
    FunStatContext.Reset(fsPerfect);
    Fun.ShowIfFailed(message);
    return done;
}

bool TStoredTextList::LoadFrom(const std::string &newFileName, bool parameter)
{
    fileName = newFileName;
    return Load(parameter);
}

bool TStoredTextList::Save(bool askBeforeOverwrite, bool parameter)
{
    TFunScope Fun(ThisUnit, "TStoredTextList::Save");
    bool saved = false;
    Fun.Run([&] {
        const std::string target = SaveTarget(fileName);
        if (askBeforeOverwrite && Platform::FileExists(target) &&
            !AskYesNo("File \"" + fileName + "\"already exists.\nOverwrite it?"))
            return;
        if (OnSave) {
            OnSave(*this, parameter);
            FunStatContext.Reset(fsPerfect);
        }
        Platform::TEntryStatus status;
        const bool readOnly = Platform::EntryStatus(target, status, true) && !status.OwnerCanWrite;
        const std::string text = Text();
        // A file that could not be read goes aside before anything replaces it.
        if (target == damagedFile && !Platform::RenamePath(target, target + ".bad", true) &&
            Platform::LastErrorCode() != ENOENT) {
            Fun.RaiseLastError("Failed to write.", target + ".bad");
            return;
        }
        damagedFile.clear();
        // The old file is replaced only by a complete, flushed new one.
        if (!Platform::WriteWholeFile(target, text.data(), text.size())) {
            Fun.RaiseLastError("Failed to write.", fileName);
            return;
        }
        // The new file keeps the old one's permissions; a read-only file loses its protection,
        // as a save over it means. Where that fails the content has been written anyway.
        if (readOnly) Platform::AddOwnerWrite(target);
        modified = false;
        saved = true;
    });
    FunStatContext.Reset(fsPerfect);
    Fun.ShowIfFailed("Failed to save file.");
    return saved;
}

bool TStoredTextList::SaveAs(const std::string &newFileName,
                             bool askBeforeOverwrite,
                             bool parameter)
{
    fileName = newFileName;
    return Save(askBeforeOverwrite, parameter);
}

void TStoredTextList::SetFileName(const std::string &newFileName)
{
    fileName = newFileName;
}

// ---- Content --------------------------------------------------------------------------------

void TStoredTextList::Clear()
{
    if (!sections.empty()) modified = true;
    sections.clear();
    sectionIndex.clear();
}

void TStoredTextList::EraseSection(const std::string &section)
{
    modified = true;
    const auto found = sectionIndex.find(Folded(section));
    if (found == sectionIndex.end()) return;
    sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(found->second));
    sectionIndex.clear();
    for (std::size_t i = 0; i < sections.size(); ++i)
        sectionIndex[Folded(sections[i].Name)] = i;
}

bool TStoredTextList::SectionExists(const std::string &section) const
{
    return sectionIndex.count(Folded(section)) != 0;
}

bool TStoredTextList::ValueExists(const std::string &section, const std::string &key) const
{
    return Find(section, key) != nullptr;
}

std::string TStoredTextList::Text() const
{
    std::string text;
    for (const TSection &section : sections) {
        text += "[" + section.Name + "]" + CrLf;
        for (const TEntry &entry : section.Entries) {
            text += entry.Key;
            text += '=';
            text += EscapedValue(entry.Value);
            text += CrLf;
        }
        text += CrLf;
    }
    return text;
}

void TStoredTextList::Parse(const std::string &text)
{
    sections.clear();
    sectionIndex.clear();
    TSection *current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string raw = text.substr(start, end - start);
        const std::string line = Trimmed(raw);
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &SectionFor(line.substr(1, line.size() - 2));
            continue;
        }
        const std::size_t equals = raw.find('=');
        if (!current || equals == std::string::npos) continue;
        // Spaces around the key are the file's layout; the value is every byte after "=", so a
        // text with spaces at either end comes back as it was written.
        std::string key = Trimmed(raw.substr(0, equals));
        if (key.empty()) continue;
        if (!current->Index.emplace(Folded(key), current->Entries.size()).second) continue;
        current->Entries.push_back({std::move(key), UnescapedValue(raw.substr(equals + 1))});
    }
}

const std::string *TStoredTextList::Find(const std::string &section, const std::string &key) const
{
    const auto place = sectionIndex.find(Folded(section));
    if (place == sectionIndex.end()) return nullptr;
    const TSection &found = sections[place->second];
    const auto entry = found.Index.find(Folded(key));
    return entry == found.Index.end() ? nullptr : &found.Entries[entry->second].Value;
}

TStoredTextList::TSection &TStoredTextList::SectionFor(const std::string &section)
{
    const auto [place, added] = sectionIndex.emplace(Folded(section), sections.size());
    if (added) sections.push_back({section, {}, {}});
    return sections[place->second];
}

void TStoredTextList::Put(const std::string &section,
                          const std::string &key,
                          const std::string &value)
{
    modified = true;
    TSection &place = SectionFor(section);
    const auto [entry, added] = place.Index.emplace(Folded(key), place.Entries.size());
    if (added)
        place.Entries.push_back({key, value});
    else
        place.Entries[entry->second].Value = value;
}

// ---- Typed accessors --------------------------------------------------------------------------

void TStoredTextList::ReadString(const std::string &section,
                                 const std::string &key,
                                 std::string &target,
                                 bool acceptEmpty,
                                 std::int32_t maximumLength) const
{
    const std::string *value = Find(section, key);
    if (!value || (value->empty() && !acceptEmpty)) return;
    if (maximumLength < 0 || CodePointCount(*value) > static_cast<std::size_t>(maximumLength))
        return;
    target = *value;
}

void TStoredTextList::WriteString(const std::string &section,
                                  const std::string &key,
                                  const std::string &value)
{
    Put(section, key, value);
}

void TStoredTextList::ReadInteger(const std::string &section,
                                  const std::string &key,
                                  std::int32_t &target,
                                  std::int32_t minimum,
                                  std::int32_t maximum) const
{
    const std::string *value = Find(section, key);
    std::int32_t read = 0;
    if (value && ParseInt32(*value, read) && read >= minimum && read <= maximum) target = read;
}

void TStoredTextList::WriteInteger(const std::string &section,
                                   const std::string &key,
                                   std::int32_t value)
{
    Put(section, key, std::to_string(value));
}

void TStoredTextList::ReadBool(const std::string &section,
                               const std::string &key,
                               bool &target) const
{
    if (const std::string *value = Find(section, key)) target = TextBool(Trimmed(*value));
}

void TStoredTextList::WriteBool(const std::string &section, const std::string &key, bool value)
{
    Put(section, key, BoolText(value));
}

void TStoredTextList::ReadColor(const std::string &section,
                                const std::string &key,
                                std::uint32_t &target) const
{
    const std::string *value = Find(section, key);
    std::uint32_t color = 0;
    if (value && ColorFromStoredText(Trimmed(*value), color)) target = color;
}

void TStoredTextList::WriteColor(const std::string &section,
                                 const std::string &key,
                                 std::uint32_t value)
{
    Put(section, key, std::to_string(static_cast<std::int32_t>(value)));
}

void TStoredTextList::ReadComboItem(const std::string &section,
                                    const std::string &key,
                                    std::string &target,
                                    const std::vector<std::string> &items) const
{
    std::string value = target;
    // A choice, like a number, ignores spaces around it.
    if (const std::string *stored = Find(section, key); stored && !Trimmed(*stored).empty())
        value = Trimmed(*stored);
    if (std::find(items.begin(), items.end(), value) != items.end())
        target = value;
    else if (!items.empty())
        target = items.front();
}

void TStoredTextList::ReadComboNumber(const std::string &section,
                                      const std::string &key,
                                      std::int32_t &target,
                                      const std::vector<std::string> &items) const
{
    std::string text = std::to_string(target);
    ReadComboItem(section, key, text, items);
    std::int32_t number = 0;
    if (ParseInt32(text, number)) target = number;
}

void TStoredTextList::ReadList(const std::string &section,
                               std::vector<std::string> &list,
                               bool lowerCase,
                               std::int32_t maximum) const
{
    list.clear();
    std::int32_t count = 0;
    ReadInteger(section, "Count", count, 0, std::numeric_limits<std::int32_t>::max());
    if (maximum >= 1 && count > maximum) {
        ShowWarningMessage("Too many items in the list (" + std::to_string(count) + ")");
        count = maximum;
    }
    const auto place = sectionIndex.find(Folded(section));
    if (count == 0 || place == sectionIndex.end()) return;
    // The items are the keys "0" to count - 1 that exist; walking the section's entries finds
    // them without trying every number up to a count that may be huge.
    std::vector<std::pair<std::int32_t, const std::string *>> items;
    for (const TEntry &entry : sections[place->second].Entries) {
        std::int32_t index = 0;
        const char *end = entry.Key.data() + entry.Key.size();
        const auto [stop, error] = std::from_chars(entry.Key.data(), end, index);
        if (error != std::errc() || stop != end || index < 0 || index >= count) continue;
        if (std::to_string(index) != entry.Key || entry.Value.empty()) continue;
        items.emplace_back(index, &entry.Value);
    }
    std::sort(items.begin(), items.end());
    for (const auto &[index, value] : items) {
        list.push_back(lowerCase ? Folded(*value) : *value);
    }
}

void TStoredTextList::WriteList(const std::string &section, const std::vector<std::string> &list)
{
    if (list.empty()) return;
    WriteInteger(section, "Count", static_cast<std::int32_t>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i)
        WriteString(section, std::to_string(i), list[i]);
}

TFormBounds TStoredTextList::ReadFormBounds(const std::string &section,
                                            const std::string &leftKey,
                                            const TFormBounds &form,
                                            const std::string &heightKey,
                                            const std::string &widthKey,
                                            const std::string &topKey,
                                            const TFormBounds &workArea) const
{
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    TFormBounds stored = form;
    ReadInteger(section, leftKey, stored.Left, lowest, highest);
    ReadInteger(section, topKey, stored.Top, lowest, highest);
    ReadInteger(section, widthKey, stored.Width, lowest, highest);
    ReadInteger(section, heightKey, stored.Height, lowest, highest);
    return FitFormBounds(stored, workArea);
}

void TStoredTextList::WriteFormBounds(const std::string &section,
                                      const std::string &leftKey,
                                      const TFormBounds &form,
                                      const std::string &heightKey,
                                      const std::string &widthKey,
                                      const std::string &topKey)
{
    WriteInteger(section, leftKey, form.Left);
    WriteInteger(section, topKey, form.Top);
    WriteInteger(section, widthKey, form.Width);
    WriteInteger(section, heightKey, form.Height);
}
