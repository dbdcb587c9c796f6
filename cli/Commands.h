#pragma once
// The commands of gorvanta-cli. Each one gets the arguments that follow its name and returns the exit
// status. main() has already installed the per-user store and a message box that prints to standard error
// before it runs a command.
#include <QString>
#include <QStringList>

#include <string>

class CGorvantaDoc;

constexpr int CLI_EXIT_OK = 0;
constexpr int CLI_EXIT_FILE = 1;   // a file that cannot be opened, read or written
constexpr int CLI_EXIT_USAGE = 2;  // bad usage; the usage was printed

int RunImportCommand(const QStringList& args);
int RunDumpCommand(const QStringList& args);
int RunCalcCommand(const QStringList& args);

// Helpers shared by the commands (CliSupport.cpp).

// A command-line argument as the file system's bytes.
std::string LocalPath(const QString& arg);
// One line on standard error, printed as it is (file names are the file system's bytes).
void PrintError(const std::string& text);
// Prints "usage: ..." (and why, when given) on standard error and returns CLI_EXIT_USAGE.
int UsageError(const char* usage, const QString& why = {});
// The whole content of a file, or of standard input for an empty path; false with the reason in `error`.
bool ReadFileBytes(const std::string& path, std::string& out, std::string& error);
// Loads an existing document; on failure prints the document's message and returns false.
bool LoadForCommand(CGorvantaDoc& doc, const std::string& path);

// Appends an 8-bit text as a JSON string in UTF-8.
void AppendJsonString(std::string& out, const std::string& cp1252);
