// Where the program lives and where it keeps its files; the process-wide handler of fatal
// run-time errors.
#pragma once

#include <string>

// Full path of the running program file.
std::string ProgramFilePath();
// Name of the running program file.
std::string ProgramFileName();
// Folder of the program file, with a trailing delimiter.
std::string ProgramDirectory();
// The program directory with a trailing delimiter, followed by the name.
std::string ProgramDirectoryFile(const std::string &name);
// Command-line parameter i (0 is the program as started); empty when there is none.
std::string ProgramParameter(int index);
void SetCommandLine(int argc, char **argv);
std::string CurrentDirectory();
// The directory that started programs get as their working directory. A directory that does
// not exist gives the temporary directory instead. Error: "Failed to set working path."
void SetProgramWorkingPath(const std::string &path);
std::string ProgramWorkingPath();
std::string TemporaryDirectory();
// The user's own folder for files the program makes under fixed names (pictures taken out of
// hiding, noise pictures): "velmordian/" in $XDG_RUNTIME_DIR, else "Velmordian/Temporary/" in the
// cache folder; mode 0700, created when missing; with a trailing delimiter. Empty, with the
// error "Failed to create directory." (path, errno), when it cannot be made private.
std::string PrivateTemporaryDirectory();

// True when the user can write the program's folder.
bool ProgramDirectoryIsWritable();
// True for a portable copy: the user can write the program's folder and it already holds an
// "Options/" folder. Then "Options/", "Plugins/" and "Errors.log" live there, else in the XDG
// folders.
bool ProgramDirectoryIsPortable();
// The options folder, with a trailing delimiter.
std::string OptionsDirectory();
// The plug-in folder, with a trailing delimiter.
std::string PluginsDirectory();
// The error log file.
std::string ErrorLogFileName();
// The help file's folder, with a trailing delimiter.
std::string HelpDirectory();
// Overrides the program's folder (tests and portable starts); empty restores the default.
void SetProgramDirectoryOverride(const std::string &directory);

// Reports "Abort intercepted.\r\nProgram must be terminated." and ends the process with 1.
[[noreturn]] void TerminateProgramFun();
// Installs TerminateProgramFun as the handler of exceptions nothing can handle.
void InstallTerminateHandler();
