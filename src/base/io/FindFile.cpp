// File lookup for names written by exporters on other systems: Windows paths, upper-case names
// of files that were lower-cased when copied, and folders that exist only on the author's disk.
#include "io/FindFile.h"

#include <filesystem>
#include <system_error>

namespace
{
namespace fs = std::filesystem;

bool IsFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
        {
            return false;
        }
    }
    return true;
}

// directory/name when that is a file, else the file in directory whose name equals name ignoring
// ASCII case (the first in byte order when several do, so the answer does not depend on the
// order the system lists them in); empty when there is none. An empty directory is the current
// one, and the path found is then the bare name.
std::string FindInDirectory(const std::string& directory, const std::string& name)
{
    if (name.empty())
    {
        return std::string();
    }
    const std::string prefix =
        directory.empty() ? std::string() : (directory.back() == '/' ? directory : directory + "/");
    if (IsFile(prefix + name))
    {
        return prefix + name;
    }
    std::error_code error;
    fs::directory_iterator entries(directory.empty() ? "." : directory, error);
    std::string best;
    for (; !error && entries != fs::directory_iterator(); entries.increment(error))
    {
        const std::string entryName = entries->path().filename().string();
        if (EqualIgnoringAsciiCase(entryName, name) && (best.empty() || entryName < best) &&
            IsFile(prefix + entryName))
        {
            best = entryName;
        }
    }
    return best.empty() ? best : prefix + best;
}
}  // namespace

std::string FindTextureFile(const std::string& asWritten, const std::string& folder)
{
    if (asWritten.empty())
    {
        return std::string();
    }
    // The path as written, as this system reads it: only '/' separates.
    const size_t slash = asWritten.rfind('/');
    const std::string found =
        slash == std::string::npos
            ? FindInDirectory(std::string(), asWritten)
            : FindInDirectory(asWritten.substr(0, slash + 1), asWritten.substr(slash + 1));
    if (!found.empty())
    {
        return found;
    }
    // The base name in the given folder, whichever system's separators the name was written with.
    const size_t separator = asWritten.find_last_of("/\\");
    const std::string baseName =
        separator == std::string::npos ? asWritten : asWritten.substr(separator + 1);
    return FindInDirectory(folder, baseName);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
