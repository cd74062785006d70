#pragma once
// Replacements deferred to the next start, kept as "destination=source\r\n" lines under
// the "[Rename]\r\n" header of WinInit.Ini in the Windows folder. A destination of "NUL"
// means the source is to be deleted. New lines go directly under the header.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell {

inline constexpr std::string_view kRenameHeader = "[Rename]\r\n";

// The path of the deferred-moves file: WinInit.Ini in the Windows folder, or an existing
// file there whose name differs from it only in case.
std::string PendingMovesFilePath();

// The file text with line inserted: directly after the first "[Rename]\r\n" header, or,
// when there is none, the header and the line appended at the end.
std::string InsertRenameLine(std::string_view text, std::string_view line);

// One line of the file with its line end, and the move it asks for when it is a line of a
// [Rename] section (section names compare case-blind).
struct PendingLine {
  std::string text;  // as in the file, including its line end
  bool isMove = false;
  std::string destination;  // "NUL" (any case) deletes the source
  std::string source;       // the text after the last '=' (sources never hold one)
};

// The file's lines in order; joining their texts gives the file back.
std::vector<PendingLine> SplitPendingLines(std::string_view text);

// Registers "destination=source\r\n" (an empty destination is written as NUL). The file
// is rewritten through a temporary file beside it, under a lock that keeps two programs
// from losing each other's lines. False when the line can't be registered: a path holding
// a line break, a source holding '=', or a file that can't be read or written.
bool AddPendingMove(const std::string& source, const std::string& destination);

// A move for the next start: source over destination (empty: delete source).
struct PendingMove {
  std::string source;
  std::string destination;
};
// Registers several moves with one rewrite of the file: all of them or none.
bool AddPendingMoves(const std::vector<PendingMove>& moves);

// The next start: carries out the [Rename] lines in file order (NUL deletes the source;
// a replaced file keeps its permission bits), removes each line carried out and keeps,
// with a message on err, each line whose move failed. True when no line is left.
bool ApplyPendingMoves(std::ostream& err);

}  // namespace tidewell
