// The log file's lines, Write's exact bytes and echo, running without a file, and the engine's
// start-up report sent to it.
#include "core/CLogger.h"
#include "core/CStartupReport.h"
#include "io/FatalExit.h"
#include "io/Report.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
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

// The start-up report: lines printed before the logger exists are held, then everything goes
// (readers' messages too) through the log (and the console with echo) until the report ends; a log that cannot be created
// or never comes sends the report to the console instead, so no line is lost.
TEST_F(CLoggerTest, StartupReportGoesToTheLogOrTheConsole)
{
    const struct
    {
        const char* name;
        bool echo;
        bool logCreatable;
        bool loggerStarts;
        std::string console;
        std::string logged;  // after the logger's own two lines; empty: no log
    } cases[] = {
        {"log alone", false, true, true, "after\n", "held\nthrough\n"},
        {"log and console", true, true, true, "held\nthrough\nafter\n", "held\nthrough\n"},
        {"log refused", false, false, true, "held\nCannot create log file!\nthrough\nafter\n", ""},
        {"no logger", false, true, false, "held\nthrough\nafter\n", ""},
    };
    for (const auto& c : cases)
    {
        kyrel_test::TempDir folder("kyrel-report");
        ASSERT_EQ(0, chdir(folder.Path().c_str()));
        if (!c.logCreatable)
        {
            ASSERT_EQ(0, mkdir("Kyrel_Engine.log", 0755));
        }
        testing::internal::CaptureStdout();
        {
            CStartupReport report(c.echo);
            std::cout << "held" << std::endl;
            if (c.loggerStarts)
            {
                gLogger = new CLogger();
                report.LoggerStarted();
            }
            // A reader's message takes the same way as the engine's own lines.
            Report(ReportStream::Out, "%s\n", "through");
        }
        std::cout << "after" << std::endl;
        EXPECT_EQ(c.console, testing::internal::GetCapturedStdout()) << c.name;
        const std::string log = c.logCreatable ? Log() : std::string();
        const std::string started = "Logger started...\n";
        const size_t start = log.find(started);
        EXPECT_EQ(c.logged, start == std::string::npos ? "" : log.substr(start + started.size()))
            << c.name;
        delete gLogger;
        gLogger = nullptr;
    }
}

// A start-up that ends the process shows its report on the console, wherever it was going.
TEST_F(CLoggerTest, StartupReportShownWhenTheStartUpEndsTheProcess)
{
    EXPECT_EXIT(
        {
            dup2(2, 1);  // the console's text is looked for on standard error
            CStartupReport report(false);
            std::cout << "Initialize Graphics Core...Unable to initialize Graphics Core!"
                      << std::endl;
            FatalExit(3);
        },
        ::testing::ExitedWithCode(3), "Unable to initialize Graphics Core!");
}
