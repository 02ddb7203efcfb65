// Scratch files and folders for tests: each test gets a fresh folder under /tmp that goes away
// with everything in it, so parallel test processes never share a path.
#ifndef KYREL_TEST_TEMPFILES_H
#define KYREL_TEST_TEMPFILES_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace kyrel_test
{
class TempDir
{
public:
    explicit TempDir(const std::string& prefix = "kyrel")
    {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
        {
            throw std::runtime_error("cannot create a scratch folder");
        }
        path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    // The path of name inside the folder (name may hold subfolders, which are not created).
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// A scratch folder laid out as the demo's working directory: links to the Data/ and shaders/
// folders under assetsDir.
class DemoWorkingDirectory : public TempDir
{
public:
    DemoWorkingDirectory(const std::string& prefix, const std::string& assetsDir) : TempDir(prefix)
    {
        if (symlink((assetsDir + "/Data").c_str(), File("Data").c_str()) != 0 ||
            symlink((assetsDir + "/shaders").c_str(), File("shaders").c_str()) != 0)
        {
            throw std::runtime_error("cannot link the demo's data into " + Path());
        }
    }
};

// A scratch folder laid out as the demo's working directory with one link per file instead of
// per folder, so that a test can remove or replace one data file without touching the shared ones.
class DemoFileTree : public TempDir
{
public:
    DemoFileTree(const std::string& prefix, const std::string& assetsDir) : TempDir(prefix)
    {
        namespace fs = std::filesystem;
        for (const char* top : {"Data", "shaders"})
        {
            const fs::path source = fs::path(assetsDir) / top;
            fs::create_directory(File(top));
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source))
            {
                const fs::path target = fs::path(File(top)) / fs::relative(entry.path(), source);
                if (entry.is_directory())
                {
                    fs::create_directory(target);
                }
                else
                {
                    fs::create_symlink(entry.path(), target);
                }
            }
        }
    }

    // Takes the file at a path relative to the folder away (the link, never the data behind it).
    void Remove(const std::string& relativePath) const
    {
        std::filesystem::remove(File(relativePath));
    }
    void Replace(const std::string& relativePath, const std::string& bytes) const;
};

// Writes bytes to path, replacing the file; returns path.
inline std::string WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
    {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

inline void DemoFileTree::Replace(const std::string& relativePath, const std::string& bytes) const
{
    Remove(relativePath);
    WriteFile(File(relativePath), bytes);
}

// The whole file, or an empty string when it cannot be read.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
}  // namespace kyrel_test

#endif
