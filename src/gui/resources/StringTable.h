#pragma once
// The program's string table: its name, the document type string and the command prompts.
#include <string>

constexpr const char* APP_NAME = "Gorvanta";
// Newline-separated fields: window title, base name, file-new name, filter name, extension,
// shell file type and its description.
constexpr const char* DOCTYPE_STRING =
    "\nGorvan\nGorvan\nGorvan Files (*.gva)\n.gva\nGorvanta.Document\nGorvan Document";
constexpr const char* IDLE_MESSAGE = "Ready";
constexpr const char* PIECE_COUNT_FORMAT = "Piece count: %d/%d";
// The piece count pane is as wide as this text.
constexpr const char* PIECE_COUNT_PANE_SIZE_TEXT = "Piece Count: WWW/WWW";
constexpr const char* SAVE_CHANGES_PROMPT = "Save changes to %1?";
constexpr const char* RECENT_FILE_SECTION = "Recent File List";
constexpr const char* RECENT_FILE_ENTRY = "File%d";

enum class DocString { WindowTitle, DocName, FileNewName, FilterName, FilterExt, RegFileTypeId, RegFileTypeName };
// One field of the document type string.
std::string GetDocString(DocString field);

// The string of a command: the status bar prompt, then "\n" and the tool tip where there is one.
// Empty for an unknown id.
std::string CommandString(int id);
// The prompt part and the tool tip part of it.
std::string CommandPrompt(int id);
std::string CommandTip(int id);
