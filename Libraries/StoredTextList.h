// Settings kept as text in a file of sections and key-value lines, with typed accessors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// A window's or an area's left and top edges, width and height.
struct TFormBounds
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// Bounds kept inside a work area: a left edge before the area's, or more than 0.9 of the area's
// width beyond it, becomes the area's left edge (the top edge likewise with the height); a
// negative width or one wider than the area becomes the area's width (the height likewise).
TFormBounds FitFormBounds(const TFormBounds &stored, const TFormBounds &workArea);

// A colour from its stored text: a stock colour name (when LookUpColorName is set), a colour
// identifier ("clRed", "clBtnFace", without regard to case) or a number (decimal, or
// hexadecimal after "$" or "0x"); false for anything else.
bool ColorFromStoredText(const std::string &text, std::uint32_t &color);
// Looks a stock colour name up without regard to case; set by the unit that owns the names.
extern bool (*LookUpColorName)(const std::string &name, std::uint32_t &color);

// The whole settings file in memory: ordered sections of ordered key-value entries, sections
// and keys compared without regard to ASCII case. It is read by Load and written whole by Save;
// between the two the owner reads and writes values through the typed accessors. Every read
// takes the target's value as its default, so a missing key leaves the target as it was.
class TStoredTextList
{
public:
    explicit TStoredTextList(const std::string &name = {});

    // Called by Load and Save with the list and the caller's parameter.
    std::function<void(TStoredTextList &list, bool parameter)> OnLoad;
    std::function<void(TStoredTextList &list, bool parameter)> OnSave;

    // Reads the file again (a missing one gives empty content), then calls OnLoad, whose own
    // status does not fail the load. A failure is shown as "Failed to load file.", with the
    // name the file will be kept as when keepDamagedFile is set.
    // Error: "Failed to read." (file name; system error code)
    bool Load(bool parameter = false);
    // Sets the file name, then Load.
    bool LoadFrom(const std::string &newFileName, bool parameter = false);
    // Calls OnSave, then writes the whole content through a temporary file renamed over the old
    // one, which stays intact on a failure; a read-only file becomes writable by its owner. With
    // askBeforeOverwrite an existing file is replaced only when the user agrees. A failure is
    // shown as "Failed to save file.". Error: "Failed to write." (file name, or the ".bad" name
    // when the unread file cannot be kept; system error code)
    bool Save(bool askBeforeOverwrite, bool parameter = false);
    // Sets the file name and saves the content there without reading that file.
    bool SaveAs(const std::string &newFileName, bool askBeforeOverwrite, bool parameter = false);
    // The name the next save writes to; the content stays.
    void SetFileName(const std::string &newFileName);
    const std::string &FileName() const { return fileName; }
    // Some value was written since the last load or save.
    bool Modified() const { return modified; }
    // Load is running.
    bool Loading() const { return loading; }
    // A file that exists but cannot be read is kept as its name + ".bad" (replacing an older
    // one) before the next save replaces it.
    bool keepDamagedFile = false;

    // Removes every section.
    void Clear();
    // Removes one section.
    void EraseSection(const std::string &section);
    bool SectionExists(const std::string &section) const;
    bool ValueExists(const std::string &section, const std::string &key) const;
    // The content in the file's layout: "[section]" lines, "key=value" lines, an empty line
    // after each section, every line ended by CR LF. A value's backslashes, carriage returns and
    // line feeds are written as "\\", "\r" and "\n"; reading turns these three back and keeps
    // any other backslash as it is.
    std::string Text() const;

    // A text, taken when it is not empty (or acceptEmpty) and has at most maximumLength
    // characters.
    void ReadString(const std::string &section,
                    const std::string &key,
                    std::string &target,
                    bool acceptEmpty,
                    std::int32_t maximumLength) const;
    // The value comes back byte for byte: the file holds a backslash, a carriage return and a
    // line feed as "\\", "\r" and "\n", and keeps the spaces at either end.
    void WriteString(const std::string &section, const std::string &key, const std::string &value);
    // A decimal integer, taken when minimum <= value <= maximum.
    void ReadInteger(const std::string &section,
                     const std::string &key,
                     std::int32_t &target,
                     std::int32_t minimum,
                     std::int32_t maximum) const;
    void WriteInteger(const std::string &section, const std::string &key, std::int32_t value);
    // "TRUE" gives true, any other value false.
    void ReadBool(const std::string &section, const std::string &key, bool &target) const;
    // Writes "TRUE" or "FALSE".
    void WriteBool(const std::string &section, const std::string &key, bool value);
    // A colour (0x00BBGGRR or a system colour) by ColorFromStoredText.
    void ReadColor(const std::string &section, const std::string &key, std::uint32_t &target) const;
    // Writes the colour value as a signed decimal integer.
    void WriteColor(const std::string &section, const std::string &key, std::uint32_t value);
    // A text that must be one of the items: an empty value means the target's text, and a value
    // that is not an item gives the first item (without items the target keeps its text).
    void ReadComboItem(const std::string &section,
                       const std::string &key,
                       std::string &target,
                       const std::vector<std::string> &items) const;
    // The same for a number and the items' texts; an item that is not a number changes nothing.
    void ReadComboNumber(const std::string &section,
                         const std::string &key,
                         std::int32_t &target,
                         const std::vector<std::string> &items) const;
    // Replaces the list by the items "0", "1", ... up to "Count" (missing and empty items are
    // skipped), lower-cased (ASCII) when asked; a maximum below 1 means no limit.
    // Warning shown: "Too many items in the list (" + count + ")" (the count becomes maximum)
    void ReadList(const std::string &section,
                  std::vector<std::string> &list,
                  bool lowerCase,
                  std::int32_t maximum) const;
    // Writes "Count" and the items "0", "1", ...; an empty list writes nothing.
    void WriteList(const std::string &section, const std::vector<std::string> &list);
    // The stored bounds, with the form's as defaults, fitted into the work area
    // (FitFormBounds).
    TFormBounds ReadFormBounds(const std::string &section,
                               const std::string &leftKey,
                               const TFormBounds &form,
                               const std::string &heightKey,
                               const std::string &widthKey,
                               const std::string &topKey,
                               const TFormBounds &workArea) const;
    void WriteFormBounds(const std::string &section,
                         const std::string &leftKey,
                         const TFormBounds &form,
                         const std::string &heightKey,
                         const std::string &widthKey,
                         const std::string &topKey);

private:
    struct TEntry
    {
        std::string Key;
        std::string Value;
    };
    struct TSection
    {
        std::string Name;
        std::vector<TEntry> Entries;
        // Folded key -> index in Entries.
        std::unordered_map<std::string, std::size_t> Index;
    };

    // Replaces the content by the sections and entries of a file's text; the first of two equal
    // keys of a section wins, and a section named twice continues the first.
    void Parse(const std::string &text);
    const std::string *Find(const std::string &section, const std::string &key) const;
    TSection &SectionFor(const std::string &section);
    void Put(const std::string &section, const std::string &key, const std::string &value);

    std::string fileName;
    // The file the last Load could not read, while no save has kept it aside.
    std::string damagedFile;
    bool modified = false;
    bool loading = false;
    std::vector<TSection> sections;
    // Folded section name -> index in sections.
    std::unordered_map<std::string, std::size_t> sectionIndex;
};
