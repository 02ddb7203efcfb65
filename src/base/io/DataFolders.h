/// \file
/// Where the engine finds its built-in files (shaders, the font sheet, GUI art) by the relative
/// names it has always used ("shaders/…", "Data/Font/font.tga"): the working directory first, so a
/// program run beside its own Data/ and shaders/ behaves as it always has, then the folders the
/// application named at start-up, in the order it named them.
#ifndef KYREL_DATAFOLDERS_H
#define KYREL_DATAFOLDERS_H

#include <string>
#include <vector>

/// Appends a folder to the search; an empty name or one already named is ignored.
void AddDataFolder(const std::string& folder);

/// Forgets every named folder (programs that start the engine twice, tests).
void ClearDataFolders();

/// The path at which name is found: name itself when the working directory holds it, else the
/// first named folder's copy. Empty when it is found nowhere.
std::string FindDataFile(const std::string& name);

/// The path to open for name: where FindDataFile finds it, else name itself, so that the opener's
/// own failure message names the file as it was asked for.
std::string DataFileOrName(const std::string& name);

/// Every path FindDataFile tried for name, in order: the line a program prints when a built-in
/// file is missing, so the user sees where to put it.
std::vector<std::string> DataFileCandidates(const std::string& name);

/// The one line, for standard error, that follows a built-in file's own failure message when the
/// file is found nowhere: "kyrel: looked for NAME in: CANDIDATE, CANDIDATE...".
std::string DataFileSearchLine(const std::string& name);

/// Prints that line on standard error when name is found nowhere; a file that was found but could
/// not be read keeps its reader's message alone.
void ReportDataFileNotFound(const std::string& name);

#endif
