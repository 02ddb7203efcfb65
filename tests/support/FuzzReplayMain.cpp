// Runs one fuzz target's entry point once over every file in the folders named on the command
// line, so the kept fuzz corpora and seeds are replayed by the ordinary test build (and under the
// sanitizers by its sanitizer build) without clang or libFuzzer. A fuzz target reports a fault by
// aborting or by a sanitizer report; a replay that gets through every file has passed.
#include "support/TempFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Only some targets have set-up; the weak reference is null for the others.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace
{
// Files of one folder, in a fixed order so a failure names the same input on every run.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> files;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (dirent* entry = readdir(dir))
        {
            std::string path = folder + "/" + entry->d_name;
            struct stat info;
            if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            {
                files.push_back(path);
            }
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}
}  // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
    {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i)
    {
        for (const std::string& path : FilesIn(argv[i]))
        {
            const std::string bytes = kyrel_test::ReadFile(path);
            // The name first, so that an abort inside the target says which input it was.
            fprintf(stderr, "%s\n", path.c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    fprintf(stderr, "replayed %zu inputs\n", replayed);
    // A replay over no input would prove nothing: the folders are missing or empty.
    return replayed > 0 ? 0 : 1;
}
