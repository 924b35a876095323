// Shortcuts — symbolic links and desktop entries read and written as one record — the functions
// built on them, and the shell thumbnails of the freedesktop thumbnail cache.
#pragma once

#include <cstdint>
#include <string>

// Window states a shortcut may ask for when it is run.
constexpr std::int32_t ShowCommandNormal = 1;
constexpr std::int32_t ShowCommandMaximized = 3;
constexpr std::int32_t ShowCommandMinimized = 7;

// One shortcut in memory: its target, the target's facts and how the target is run. A symbolic
// link holds only the target; a desktop entry (".desktop") holds every field.
class TLinkFile
{
public:
    bool referenceFound = false;           // the target exists and its facts below are read
    std::uint32_t referenceAttributes = 0; // FileAttribute bits of the target
    double referenceCreated = 0;
    double referenceAccessed = 0;
    double referenceModified = 0;
    std::uint64_t referenceSize = 0;
    std::string reference; // the target's full path
    std::string workingDirectory;
    std::string arguments; // a command line: spaces separate, "" group
    std::string description;
    std::string iconPath; // a full path, or an icon name of the theme
    std::int32_t iconIndex = 0;
    std::uint16_t hotKey = 0;     // key in the low byte, modifiers in the high byte
    std::int32_t showCommand = 0; // 0 (normal) or a ShowCommand value

    // A cleared record.
    TLinkFile();

    // Reads a symbolic link or a desktop entry; the record is cleared first and again on failure.
    // With resolve a missing target fails. Errors (path, errno): "File is not a link.",
    // "Failed to load link file.", "Failed to resolve link file.", "Failed to get reference
    // path.", "Empty reference path.", "Failed to get hot key.", "Failed to get show command.",
    // "This file is most probably a virus because it links to itself."
    void Load(const std::string &path, bool resolve);
    // Writes a desktop entry at a ".desktop" path, else a symbolic link to the reference; an
    // existing file is replaced only with overwrite. False when a write failed. Errors (path,
    // errno): "This operating system does not support chained links." (the result stays true),
    // "Failed to set reference path.", "Failed to set working path.", "Failed to set
    // arguments.", "Failed to set description.", "Failed to set icon path.", "Failed to save
    // link file."
    bool Save(const std::string &path, bool overwrite);
};

// Resets every field: false, 0, empty texts, and the times of the raw file time 0.
void ClearLinkFile(TLinkFile &record);
// The target was found and is a directory.
bool ReferenceIsDirectory(const TLinkFile &record);

// The target of a symbolic link or desktop entry, otherwise the path itself (also when the link
// cannot be read: its failure stays in the status context).
std::string GetWhenReference(const std::string &path,
                             bool *isDirectory = nullptr,
                             bool *isLink = nullptr,
                             TLinkFile *record = nullptr,
                             bool resolve = false);
// Saves a shortcut to the source. Errors: those of TLinkFile::Save.
void CopyFileAsLink(const std::string &source,
                    const std::string &shortcutPath,
                    bool overwrite,
                    bool minimized,
                    bool withWorkingDirectory,
                    const std::string &arguments);
// CopyFileAsLink with the source's directory as working directory, never minimized.
void CopyFileAsLinkWithParam(const std::string &source,
                             const std::string &shortcutPath,
                             const std::string &arguments,
                             bool overwrite);
// Keeps directory/<target's name without extension>.desktop in line with status: written only
// when its target, arguments, description or minimized state differ, deleted when status is
// false. Shown: "Failed to create link."; Errors: those of Load and Save, "Failed to delete
// link file." (path, errno).
void MakeLinkByStatus(const std::string &directory,
                      const std::string &target,
                      const std::string &arguments,
                      bool status,
                      bool minimized,
                      const std::string &description);
// A desktop entry whose target is an executable file. Errors: those of Load (the result false).
bool IsLinkToProgram(const std::string &path);
// A regular ELF file or "#!" script the user may execute.
bool IsExecutableFile(const std::string &path);
// Always false: there are no MS-DOS programs here.
bool IsDosProgram(const std::string &path);
// ".desktop" for an executable file (a launcher is made for it), "" for anything else (a
// symbolic link named as the original is made).
std::string ShortcutExtension(const std::string &path);

// The cached PNG thumbnail of a file for the requested size, from the folders of
// $XDG_CACHE_HOME/thumbnails ("normal" 128, "large" 256, "x-large" 512, "xx-large" 1024) named
// by the MD5 of the file's URI; a thumbnail made for another URI or modification time does not
// count. Empty when there is none.
std::string
GetSysThumbnailFromFile(const std::string &path, std::int32_t width, std::int32_t height);
// "file://" + the full path, every byte outside the letters, digits and "-._~!$&'()*+,=:@/"
// percent-encoded with upper-case digits.
std::string FileUriOfPath(const std::string &path);
// The MD5 of the bytes as 32 lower-case hexadecimal digits.
std::string Md5HexDigest(const std::string &bytes);
