// Where the program lives and where it keeps its files.
#include "Libraries/Program.h"

#include "platform/FileHandle.h"
#include "platform/System.h"

namespace {

std::string DirectoryOverride;

std::string XdgFolder(const char *variable, const char *fallbackBelowHome)
{
    const std::string value = Platform::Environment(variable);
    if (!value.empty() && value.front() == '/') return value;
    return Platform::Environment("HOME") + fallbackBelowHome;
}

std::string WithDelimiter(std::string path)
{
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

} // namespace

std::string ProgramFileName()
{
    return Platform::RunningProgramFile();
}

std::string ProgramDirectory()
{
    if (!DirectoryOverride.empty()) return DirectoryOverride;
    const std::string file = ProgramFileName();
    const auto slash = file.rfind('/');
    if (slash == std::string::npos) return "/";
    return file.substr(0, slash + 1);
}

bool ProgramDirectoryIsWritable()
{
    return Platform::DirectoryIsWritable(ProgramDirectory());
}

std::string OptionsDirectory()
{
    if (ProgramDirectoryIsWritable()) return ProgramDirectory() + "Options/";
    return WithDelimiter(XdgFolder("XDG_CONFIG_HOME", "/.config")) + "Velmordian/";
}

std::string PluginsDirectory()
{
    if (ProgramDirectoryIsWritable()) return ProgramDirectory() + "Plugins/";
    return WithDelimiter(XdgFolder("XDG_DATA_HOME", "/.local/share")) + "Velmordian/Plugins/";
}

std::string ErrorLogFileName()
{
    if (ProgramDirectoryIsWritable()) return ProgramDirectory() + "Errors.log";
    return WithDelimiter(XdgFolder("XDG_STATE_HOME", "/.local/state")) + "Velmordian/Errors.log";
}

std::string HelpDirectory()
{
    return ProgramDirectory() + "Help/";
}

void SetProgramDirectoryOverride(const std::string &directory)
{
    DirectoryOverride = directory.empty() ? std::string() : WithDelimiter(directory);
}
