#pragma once
// The batch file that removes the program once it has exited: it retries the deletion of the
// program file, pausing between tries, and deletes itself at the end.

#include <functional>
#include <optional>
#include <string>

// Tries before the batch gives up on a program file that can't be deleted (read-only, no
// permission). With its pause of about a second between tries, that is about a minute.
inline constexpr int kRemovalBatchTries = 60;

inline constexpr char16_t kRemovalBatchSuffix[] = u"_selfdestruct.bat";

// The last component of a path: "/" counts as a backslash; the whole text when there is no
// backslash, an empty text when the path ends in one.
std::u16string FileNameOfPath(const std::u16string& path);

// The batch file's name for a program path: the program's file name, then "_selfdestruct.bat";
// a percent sign in the file name becomes "_".
std::u16string RemovalBatchName(const std::u16string& programPath);

// The batch text, every line ended by CR LF. The batch runs with the temporary folder as its
// working folder and finds itself there by batchName. maxTries below 1 counts as 1.
std::u16string BuildRemovalBatchText(const std::u16string& programPath,
                                     const std::u16string& batchName, int maxTries);

// Text in the code page the command interpreter reads the batch in, or nothing when that code
// page can't represent it exactly.
using BatchEncoder = std::function<std::optional<std::string>(const std::u16string&)>;

struct RemovalBatch {
    std::u16string programPath; // the program as the batch names it
    std::u16string name;        // the batch file's name in the temporary folder
    std::string bytes;          // the file's content
};

// The batch for the program, encoded. A text the code page can't represent would name other
// files (the conversion puts "?", a wildcard for DEL, in their place), so the
// program's short (8.3) path stands in for a long path that can't be written, and its short
// file name for a batch name that can't. Nothing when neither can be written.
std::optional<RemovalBatch> PrepareRemovalBatch(const std::u16string& programPath,
                                                const std::u16string& shortProgramPath,
                                                const BatchEncoder& encode, int maxTries);
