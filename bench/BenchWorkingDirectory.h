// The working directory of benchmarks that run the engine: a scratch directory holding links to
// the assets' Data and shaders, so the engine finds its files and writes its log outside the tree.
#ifndef KYREL_BENCH_WORKING_DIRECTORY_H
#define KYREL_BENCH_WORKING_DIRECTORY_H

#include <cstdlib>
#include <string>
#include <unistd.h>

inline bool EnterAssetsDirectory(const std::string& assets)
{
    char pattern[] = "/tmp/kyrel-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
    {
        return false;
    }
    const std::string base = dir;
    return symlink((assets + "/Data").c_str(), (base + "/Data").c_str()) == 0 &&
           symlink((assets + "/shaders").c_str(), (base + "/shaders").c_str()) == 0 &&
           chdir(dir) == 0;
}

#endif
