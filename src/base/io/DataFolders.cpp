// A process-wide list: the engine's managers open built-in files from deep inside start-up, long
// after the application had its say, and none of them is handed the engine object.
#include "io/DataFolders.h"

#include <algorithm>
#include <iostream>
#include <sys/stat.h>

namespace
{
std::vector<std::string>& Folders()
{
    static std::vector<std::string> folders;
    return folders;
}

bool IsFile(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}
}  // namespace

void AddDataFolder(const std::string& folder)
{
    std::vector<std::string>& folders = Folders();
    if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
    {
        folders.push_back(folder);
    }
}

void ClearDataFolders()
{
    Folders().clear();
}

std::vector<std::string> DataFileCandidates(const std::string& name)
{
    std::vector<std::string> candidates{name};
    // An absolute name is where the caller wants it; the folders do not apply.
    if (!name.empty() && name[0] != '/')
    {
        for (const std::string& folder : Folders())
        {
            candidates.push_back(Join(folder, name));
        }
    }
    return candidates;
}

std::string FindDataFile(const std::string& name)
{
    for (const std::string& candidate : DataFileCandidates(name))
    {
        if (IsFile(candidate))
        {
            return candidate;
        }
    }
    return std::string();
}

std::string DataFileOrName(const std::string& name)
{
    std::string found = FindDataFile(name);
    return found.empty() ? name : found;
}

std::string DataFileSearchLine(const std::string& name)
{
    std::string line = "kyrel: looked for " + name + " in: ";
    const char* separator = "";
    for (const std::string& candidate : DataFileCandidates(name))
    {
        line += separator + candidate;
        separator = ", ";
    }
    return line;
}

void ReportDataFileNotFound(const std::string& name)
{
    if (FindDataFile(name).empty())
    {
        std::cerr << DataFileSearchLine(name) << std::endl;
    }
}
