// kyrel-convert as a user runs it: help, version, refused command lines, files that cannot be
// read or written (one line on standard error, status 1, no document left), and a conversion.
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/wait.h>

namespace
{
const std::string SAMPLES = std::string(KYREL_ASSETS_DIR) + "/Data/Samples/";

struct ProgramRun
{
    int status = -1;
    std::string out;
    std::string err;
};

ProgramRun Convert(const kyrel_test::TempDir& folder, const std::string& arguments)
{
    const std::string out = folder.File("stdout.txt");
    const std::string err = folder.File("stderr.txt");
    const std::string command =
        std::string(KYREL_CONVERT_BINARY) + " " + arguments + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = kyrel_test::ReadFile(out);
    run.err = kyrel_test::ReadFile(err);
    return run;
}
}  // namespace

TEST(KyrelConvertProgram, AnswersRefusesAndFailsAsACommandLineToolShould)
{
    kyrel_test::TempDir folder("convert-e2e");
    std::filesystem::create_directory(folder.File("taken.xml"));
    const std::string model = "'" + SAMPLES + "pedestal.obj' ";
    struct Case
    {
        const char* name;
        std::string arguments;
        int status;
        const char* out;  // regular expression over the whole of standard output
        const char* err;  // over standard error: the refusals of files are one line
    };
    const Case cases[] = {
        {"help", "--help", 0, "usage: kyrel-convert IN OUT\\.xml[^]*relief=\"1\"[^]*", ""},
        {"version", "--version", 0, "kyrel-convert [0-9]+\\.[0-9]+\\.[0-9]+\n", ""},
        {"unknown option", model + folder.File("a.xml") + " --bogus", 1, "",
         "kyrel-convert: unknown option --bogus\nusage: kyrel-convert[^]*"},
        {"one file", model, 1, "", "kyrel-convert: needs the model IN and the document[^]*"},
        {"unreadable model", folder.File("none.obj") + " " + folder.File("b.xml"), 1, "",
         "kyrel-convert: cannot read [^\n]*none\\.obj\n"},
        {"unwritable document", model + folder.File("taken.xml"), 1, "",
         "kyrel-convert: cannot write [^\n]*taken\\.xml\n"},
        {"document under a file", model + folder.File("stdout.txt/d.xml"), 1, "",
         "kyrel-convert: cannot write [^\n]*d\\.xml\n"},
        {"unreadable texture", model + folder.File("e.xml") + " --texture none.png", 1, "",
         "kyrel-convert: cannot read none\\.png\n"},
        {"unreadable height map", model + folder.File("f.xml") + " --height none.tga", 1, "",
         "kyrel-convert: cannot read none\\.tga\n"},
        {"not a model", folder.File("stdout.txt") + " " + folder.File("g.xml"), 1, "",
         "kyrel-convert: [^\n]*stdout\\.txt: not a model to convert[^\n]*\n"},
        {"conversion",
         model + folder.File("c.xml") + " --texture '" + SAMPLES + "pedestal.png' --height auto", 0,
         "", ""},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        const ProgramRun run = Convert(folder, test.arguments);
        EXPECT_EQ(test.status, run.status);
        EXPECT_TRUE(std::regex_match(run.out, std::regex(test.out))) << run.out;
        EXPECT_TRUE(std::regex_match(run.err, std::regex(test.err))) << run.err;
    }
    for (const char* name : {"b.xml", "e.xml", "f.xml", "g.xml"})
    {
        EXPECT_FALSE(std::filesystem::exists(folder.File(name))) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("taken.xml")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("taken.xml.partial")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("c.xml")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("pedestal.png")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("pedestal_height.tga")));
}
