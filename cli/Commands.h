#pragma once
// The commands of gorvanta-cli. Each one gets the arguments that follow its name and returns the exit
// status. main() has already installed the per-user store and a message box that prints to standard error
// before it runs a command.
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class CGorvantaDoc;
class QCommandLineParser;

constexpr int CLI_EXIT_OK = 0;
constexpr int CLI_EXIT_FILE = 1;   // a file that cannot be opened, read or written
constexpr int CLI_EXIT_USAGE = 2;  // bad usage; the usage was printed

int RunImportCommand(const QStringList& args);
int RunDumpCommand(const QStringList& args);
int RunCalcCommand(const QStringList& args);

// Helpers shared by the commands (CliSupport.cpp).

// What a command's usage errors and its --help say, and how many files (positional arguments) it takes.
struct CCommandSyntax {
    const char* usage;
    const char* about;
    int minFiles;
    int maxFiles;
    const char* countError;  // when the number of files is outside [minFiles, maxFiles]
};
// Parses the arguments after the command's name with `parser`, which has the command's own options and
// gets -h/--help here. Returns the exit status when the command ends here (its help printed, or a usage
// error), nothing when it goes on with parser.positionalArguments().
std::optional<int> ParseCommandLine(QCommandLineParser& parser, const QStringList& args, const CCommandSyntax& syntax);
// Prints "usage: ..." (after why, when given) on standard error and returns CLI_EXIT_USAGE.
int UsageError(const CCommandSyntax& syntax, const QString& why = {});

// A command-line argument as the file system's bytes.
std::string LocalPath(const QString& arg);
// One line on standard error, printed as it is (file names are the file system's bytes).
void PrintError(const std::string& text);
// Writes a command's result on standard output: CLI_EXIT_OK, or CLI_EXIT_FILE with the reason printed.
int WriteOutput(const std::string& bytes);
// The whole content of a file, or of standard input for an empty path; false with the reason in `error`.
bool ReadFileBytes(const std::string& path, std::string& out, std::string& error);
// Loads an existing document; on failure prints the document's message and returns false.
bool LoadForCommand(CGorvantaDoc& doc, const std::string& path);
