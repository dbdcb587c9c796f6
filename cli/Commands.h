#pragma once
// The commands of gorvanta-cli. Each one gets the arguments that follow its name and returns the exit
// status. main() has already installed the per-user store and a message box that prints to standard error
// before it runs a command.
#include <QCommandLineOption>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CGorvantaDoc;
class CSettings;
class QCommandLineParser;

constexpr int CLI_EXIT_OK = 0;
constexpr int CLI_EXIT_FILE = 1;   // a file that cannot be opened, read or written
constexpr int CLI_EXIT_USAGE = 2;  // bad usage; the usage was printed
constexpr int CLI_EXIT_FAILURE = 1;  // the work itself failed (a run out of memory); the reason was printed

int RunImportCommand(const QStringList& args);
int RunDumpCommand(const QStringList& args);
int RunCalcCommand(const QStringList& args);
int RunMarkCommand(const QStringList& args);
int RunPlanCommand(const QStringList& args);

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

// --format tsv|json and --threads N (0, all cores, to CLI_MAX_THREADS) of the searching commands.
constexpr int CLI_MAX_THREADS = 256;
struct CSearchOptions {
    QCommandLineOption format{QStringLiteral("format"), QStringLiteral("tsv (the default) or json"),
                              QStringLiteral("FORMAT"), QStringLiteral("tsv")};
    QCommandLineOption threads{QStringLiteral("threads"), QStringLiteral("worker threads, 0 (the default) for all cores"),
                               QStringLiteral("N"), QStringLiteral("0")};
    bool json = false;
    int threadCount = 0;
    // After ParseCommandLine: takes both values; the exit status of a usage error, nothing when they are good.
    std::optional<int> Read(const QCommandLineParser& parser, const CCommandSyntax& syntax);
};
// One --set "NAME=VALUE": the setting's index in the settings table and the value; nothing, with the
// reason in `why`, for text that is no such pair, a name that is no setting or a value beyond 32 bits.
struct CSettingOverride {
    int index;
    int32_t value;
};
std::optional<CSettingOverride> ParseSetOption(const QString& item, QString& why);

// The command line as given: bytes that are not UTF-8 are kept as the code units U+DC80 to U+DCFF (which
// no UTF-8 yields), so that LocalPath gives back exactly the bytes of every argument, whatever they are.
QStringList ArgumentsFromArgv(int argc, const char* const* argv);
// An argument (or a text quoting arguments) as the bytes it was given as: file names reach the file system
// unchanged, and messages echo them as typed.
std::string LocalPath(const QString& arg);
// One line on standard error, printed as it is (file names are the file system's bytes).
void PrintError(const std::string& text);
// Writes a command's result on standard output: CLI_EXIT_OK, or CLI_EXIT_FILE with the reason printed.
int WriteOutput(const std::string& bytes);
// The same for output already written: CLI_EXIT_OK when it all went out.
int OutputStatus(bool written);
// Item text read by import is refused beyond this size.
constexpr size_t TEXT_LIMIT = size_t(64) << 20;
constexpr const char* TEXT_LIMIT_NAME = "64 MB";
// The whole content of a regular file, or of standard input for an empty path, at most TEXT_LIMIT bytes;
// false with the reason in `error`. A FIFO or device is refused at once, without waiting for it.
bool ReadFileBytes(const std::string& path, std::string& out, std::string& error);
// Item text as 8-bit characters: text that is valid UTF-8 (a leading byte order mark dropped) is converted,
// '?' for a character the 8-bit set lacks, as a paste of the same text would be; any other bytes are taken
// as Windows-1252 already. Windows-1252 text that happens to be valid UTF-8 as well (a capital A tilde
// followed by a copyright sign, say) reads as UTF-8: such pairs are far rarer in item text than UTF-8 is.
std::string ItemTextToCp1252(std::string bytes);
// The command's settings and name tables, read from the per-user store once per command and in force for
// filing pasted items (the window program reads them at its start and for each document).
CSettings& LoadCommandSettings();
// Loads an existing document; on failure prints the document's message and returns false.
bool LoadForCommand(CGorvantaDoc& doc, const std::string& path);

// What the commands that change a document check before they change it, and say after they saved it.
// --force, which lets a damaged block of the document's own kinds be replaced.
QCommandLineOption ForceOption();
// An existing document this user may not write is refused: "The document is read-only." on standard error
// and false.
bool MayWriteDocument(const std::string& path);
// A loaded document whose mark block is damaged is refused (its message printed, false) unless forced,
// when the damaged block makes way for what this program writes.
bool MayReplaceBlocks(CGorvantaDoc& doc, const std::string& path, bool force);
// After a save: the blocks that were kept unchanged, on standard error.
void ReportKeptBlocks(const CGorvantaDoc& doc);
// Saves a document a command changed, keeping the file's owner (refused where that is not possible);
// on failure prints "Failed to save document." with the reason and returns false.
bool SaveForCommand(CGorvantaDoc& doc, const std::string& path);
