// Where the program lives and where it keeps its files; the handler of fatal run-time errors.
#include "Libraries/Program.h"

#include "Libraries/Error.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <exception>
#include <vector>

namespace {

constexpr const char *ThisUnit = "Program";

std::string DirectoryOverride;
std::vector<std::string> Parameters;
std::string WorkingPath;

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

std::string ProgramFilePath()
{
    return Platform::RunningProgramFile();
}

std::string ProgramFileName()
{
    const std::string path = ProgramFilePath();
    return path.substr(path.rfind('/') + 1);
}

std::string ProgramDirectory()
{
    if (!DirectoryOverride.empty()) return DirectoryOverride;
    const std::string file = ProgramFilePath();
    const auto slash = file.rfind('/');
    if (slash == std::string::npos) return "/";
    return file.substr(0, slash + 1);
}

std::string ProgramDirectoryFile(const std::string &name)
{
    return WithDelimiter(ProgramDirectory()) + name;
}

void SetCommandLine(int argc, char **argv)
{
    Parameters.assign(argv, argv + argc);
}

std::string ProgramParameter(int index)
{
    if (index < 0 || index >= static_cast<int>(Parameters.size())) return {};
    return Parameters[static_cast<std::size_t>(index)];
}

std::string CurrentDirectory()
{
    return Platform::CurrentDirectory();
}

std::string TemporaryDirectory()
{
    const std::string variable = Platform::Environment("TMPDIR");
    return WithDelimiter(!variable.empty() && Platform::DirectoryExists(variable) ? variable : "/tmp");
}

std::string PrivateTemporaryDirectory()
{
    std::string result;
    TFunScope Fun(ThisUnit, "PrivateTemporaryDirectory");
    Fun.Run([&] {
        const std::string runtime = Platform::Environment("XDG_RUNTIME_DIR");
        std::string parent;
        std::string folder;
        if (!runtime.empty() && runtime.front() == '/' && Platform::DirectoryExists(runtime)) {
            parent = WithDelimiter(runtime);
            folder = parent + "velmordian";
        } else {
            parent = WithDelimiter(XdgFolder("XDG_CACHE_HOME", "/.cache")) + "Velmordian/";
            folder = parent + "Temporary";
            std::string failedPart;
            if (!Platform::MakeDirectories(parent, failedPart)) {
                Fun.RaiseLastError("Failed to create directory.", failedPart);
                return;
            }
        }
        if (!Platform::MakePrivateDirectory(folder)) {
            Fun.RaiseLastError("Failed to create directory.", folder);
            return;
        }
        result = folder + "/";
    });
    return result;
}

void SetProgramWorkingPath(const std::string &path)
{
    TFunScope Fun(ThisUnit, "SetProgramWorkingPath");
    Fun.Run([&] {
        // Kept for the programs the user starts; the process itself never changes directory,
        // so a mounted medium is not held busy.
        const auto slash = path.rfind('/');
        const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        if (directory.empty()) {
            WorkingPath = TemporaryDirectory();
            return;
        }
        if (!Platform::DirectoryExists(directory)) {
            WorkingPath = TemporaryDirectory();
            Fun.Raise("Failed to set working path.", directory);
            return;
        }
        WorkingPath = directory;
    });
}

std::string ProgramWorkingPath()
{
    return WorkingPath.empty() ? TemporaryDirectory() : WorkingPath;
}

bool ProgramDirectoryIsWritable()
{
    return Platform::DirectoryIsWritable(ProgramDirectory());
}

bool ProgramDirectoryIsPortable()
{
    // A writable folder alone is not enough: a build folder is one, and deleting it must not
    // delete the user's settings.
    return ProgramDirectoryIsWritable() &&
           Platform::DirectoryExists(ProgramDirectory() + "Options");
}

std::string OptionsDirectory()
{
    if (ProgramDirectoryIsPortable()) return ProgramDirectory() + "Options/";
    return WithDelimiter(XdgFolder("XDG_CONFIG_HOME", "/.config")) + "Velmordian/";
}

std::string PluginsDirectory()
{
    if (ProgramDirectoryIsPortable()) return ProgramDirectory() + "Plugins/";
    return WithDelimiter(XdgFolder("XDG_DATA_HOME", "/.local/share")) + "Velmordian/Plugins/";
}

std::string ErrorLogFileName()
{
    if (ProgramDirectoryIsPortable()) return ProgramDirectory() + "Errors.log";
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

void TerminateProgramFun()
{
    const char *const text = "Abort intercepted.\r\nProgram must be terminated.";
    FunStatContext.Raise(fsError, ThisUnit, "TerminateProgramFun", __LINE__, text);
    FunStatContext.SetShowContext(ThisUnit, "TerminateProgramFun", __LINE__);
    FunStatContext.Show(text);
    FunStatContext.Reset(fsPerfect);
    Platform::TerminateProcessNow(1);
}

void InstallTerminateHandler()
{
    std::set_terminate(&TerminateProgramFun);
}
