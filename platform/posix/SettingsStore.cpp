// The per-user settings store: "Software\<Program>\<sub-key>" lives in
// $XDG_CONFIG_HOME/<Program>/registry.ini, section "<Program>\<sub-key>".
#include "platform/SettingsStore.h"

#include "platform/System.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Platform {
namespace {

struct TKeyPlace
{
    std::string program; // first component below "Software\"
    std::string section; // the key below "Software\", without a trailing delimiter
};

bool SplitKey(const std::string &key, TKeyPlace &place)
{
    std::string rest = key;
    const std::string software = "Software\\";
    if (rest.compare(0, software.size(), software) == 0) rest.erase(0, software.size());
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    if (rest.empty()) return false;
    place.section = rest;
    place.program = rest.substr(0, rest.find('\\'));
    return !place.program.empty() && place.program.find('/') == std::string::npos &&
           place.program != "." && place.program != "..";
}

std::string ConfigHome()
{
    std::string home = Environment("XDG_CONFIG_HOME");
    if (!home.empty() && home.front() == '/') return home;
    return Environment("HOME") + "/.config";
}

std::string Trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> ReadLines(const std::string &file)
{
    std::vector<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool IsSection(const std::string &line, const std::string &section)
{
    const std::string text = Trimmed(line);
    return text.size() >= 2 && text.front() == '[' && text.back() == ']' &&
           text.substr(1, text.size() - 2) == section;
}

bool IsAnySection(const std::string &line)
{
    const std::string text = Trimmed(line);
    return text.size() >= 2 && text.front() == '[' && text.back() == ']';
}

// Writes the lines to a temporary file beside the store and renames it over the store.
bool WriteLines(const std::string &file, const std::vector<std::string> &lines)
{
    const std::string temporary = file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const std::string &line : lines) out << line << '\n';
        out.flush();
        if (!out) {
            const int code = errno ? errno : EIO;
            std::remove(temporary.c_str());
            errno = code;
            return false;
        }
    }
    return std::rename(temporary.c_str(), file.c_str()) == 0;
}

} // namespace

std::string SettingsStoreFile(const std::string &key)
{
    TKeyPlace place;
    if (!SplitKey(key, place)) return {};
    return ConfigHome() + "/" + place.program + "/registry.ini";
}

bool SettingsStoreRead(const std::string &key, const std::string &name, std::string &value)
{
    TKeyPlace place;
    if (!SplitKey(key, place)) return false;
    bool inSection = false;
    for (const std::string &line : ReadLines(SettingsStoreFile(key))) {
        if (IsAnySection(line)) {
            inSection = IsSection(line, place.section);
            continue;
        }
        const auto equals = line.find('=');
        if (inSection && equals != std::string::npos && Trimmed(line.substr(0, equals)) == name) {
            value = line.substr(equals + 1);
            return true;
        }
    }
    return false;
}

bool SettingsStoreWrite(const std::string &key, const std::string &name, const std::string &value)
{
    TKeyPlace place;
    if (!SplitKey(key, place) || name.find_first_of("=\n\r") != std::string::npos ||
        value.find_first_of("\n\r") != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    const std::string file = SettingsStoreFile(key);
    const std::string folder = file.substr(0, file.rfind('/'));
    ::mkdir(ConfigHome().c_str(), 0700);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;

    std::vector<std::string> lines = ReadLines(file);
    std::size_t sectionLine = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (IsSection(lines[i], place.section)) sectionLine = i;
    const std::string entry = name + "=" + value;
    if (sectionLine == lines.size()) {
        lines.push_back("[" + place.section + "]");
        lines.push_back(entry);
    } else {
        std::size_t i = sectionLine + 1;
        bool replaced = false;
        for (; i < lines.size() && !IsAnySection(lines[i]); ++i) {
            const auto equals = lines[i].find('=');
            if (equals != std::string::npos && Trimmed(lines[i].substr(0, equals)) == name) {
                lines[i] = entry;
                replaced = true;
                break;
            }
        }
        if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), entry);
    }

    return WriteLines(file, lines);
}

bool SettingsStoreDeleteKey(const std::string &key)
{
    TKeyPlace place;
    if (!SplitKey(key, place)) {
        errno = EINVAL;
        return false;
    }
    const std::string file = SettingsStoreFile(key);
    std::vector<std::string> lines = ReadLines(file);
    std::vector<std::string> kept;
    bool inKey = false, removed = false;
    for (const std::string &line : lines) {
        if (IsAnySection(line)) {
            const std::string text = Trimmed(line);
            const std::string section = text.substr(1, text.size() - 2);
            inKey = section == place.section || section.rfind(place.section + "\\", 0) == 0;
        }
        if (inKey) removed = true;
        else kept.push_back(line);
    }
    return !removed || WriteLines(file, kept);
}

} // namespace Platform