// The log file's lines, Write's exact bytes and echo, and running without a file.
#include "core/CLogger.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
class CLoggerTest : public ::testing::Test
{
protected:
    // The logger writes into the working directory.
    void SetUp() override
    {
        char cwd[4096];
        ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
        previous = cwd;
        ASSERT_EQ(0, chdir(directory.Path().c_str()));
    }
    void TearDown() override { ASSERT_EQ(0, chdir(previous.c_str())); }
    static std::string Log() { return kyrel_test::ReadFile("Kyrel_Engine.log"); }
    kyrel_test::TempDir directory{"kyrel-log"};
    std::string previous;
};
}  // namespace

TEST_F(CLoggerTest, WritesBannerStartTextAndStopLines)
{
    {
        CLogger logger;
        ASSERT_TRUE(logger.IsOpen());
        std::string started = Log();
        EXPECT_NE(std::string::npos, started.find("\nLogger started...\n")) << started;
        testing::internal::CaptureStdout();
        logger.Write("abc", false);
        logger.Write("50% done", true);
        EXPECT_EQ("50% done\n", testing::internal::GetCapturedStdout());
    }
    std::string log = Log();
    size_t banner = log.find('\n');
    ASSERT_NE(std::string::npos, banner);
    EXPECT_NE(std::string::npos, log.substr(0, banner).find("Kyrel Engine"));
    EXPECT_EQ("Logger started...\nabc50% doneLogger stopped...\n", log.substr(banner + 1));
}

TEST_F(CLoggerTest, ReplacesAnEarlierLog)
{
    {
        std::ofstream old("Kyrel_Engine.log");
        old << "stale\nstale\nstale\nstale\n";
    }
    {
        CLogger logger;
    }
    std::string log = Log();
    EXPECT_EQ(std::string::npos, log.find("stale"));
    EXPECT_EQ(3, std::count(log.begin(), log.end(), '\n'));
}

TEST_F(CLoggerTest, GoesOnWithoutAFileWhenItCannotBeCreated)
{
    ASSERT_EQ(0, mkdir("Kyrel_Engine.log", 0755));
    testing::internal::CaptureStdout();
    {
        CLogger logger;
        EXPECT_FALSE(logger.IsOpen());
        logger.Write("echoed", true);
        logger.Write("dropped", false);
    }
    EXPECT_EQ("Cannot create log file!\nechoed\n", testing::internal::GetCapturedStdout());
}
