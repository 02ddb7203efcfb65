/// \file
/// Finds the files that model files name (texture maps, material libraries) when the name was
/// written on another machine: a foreign absolute path, backslashes, or letters in another case.
#ifndef KYREL_FINDFILE_H
#define KYREL_FINDFILE_H

#include <string>

/// The path of the file asWritten names, tried in this order: the path as written; its last
/// component matched ignoring ASCII case in its own directory; then its base name (after the last
/// '/' or '\') in folder, exactly and then ignoring case. Empty when none of them is a file.
std::string FindTextureFile(const std::string& asWritten, const std::string& folder);

/// The folder part of a file's path with its trailing '/', or empty for a bare name (the
/// current folder).
std::string FolderOf(const std::string& path);

#endif
