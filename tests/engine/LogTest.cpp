// LogTest.cpp - log lines: time stamp, length limit, file on and off, threads.
#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

class LogFile : public testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolderForThisTest();
        path = folder + "\\PanelShepherd.log";
        CopyText(g_logPath, sizeof(g_logPath), path.c_str());
        SerializeOptions(0);
        g_logWindow = nullptr;
    }
    void TearDown() override
    {
        Options.bMonLogToFile = 0;
        g_logPath[0] = '\0';
    }
    std::string folder, path;
};

TEST_F(LogFile, OffWritesNothing)
{
    Options.bMonLogToFile = 0;
    LogLine("PRF: Switching Profile (%s)", "Default");
    EXPECT_FALSE(FileExists(path));
}

TEST_F(LogFile, LinesAreStampedCutAndEndedWithCrLf)
{
    Options.bMonLogToFile = 1;
    LogLine("PRF: Switching Profile (%s)", "Default");
    std::string text(3000, 'x');
    LogLine("%s", text.c_str());
    std::string log = ReadWholeFile(path);
    size_t first = log.find("\r\n");
    ASSERT_NE(std::string::npos, first);
    std::string line = log.substr(0, first);
    ASSERT_EQ(13u + 32u, line.size()) << line;
    EXPECT_EQ(' ', line[12]);
    EXPECT_EQ(':', line[2]);
    EXPECT_EQ('.', line[8]);
    EXPECT_EQ("PRF: Switching Profile (Default)", line.substr(13));
    std::string second = log.substr(first + 2);
    EXPECT_EQ(13u + 2030u + 2u, second.size()) << "a long text is cut at 2030 characters";
    EXPECT_EQ("\r\n", second.substr(second.size() - 2));
}

TEST_F(LogFile, ThreadsWriteWholeLines)
{
    Options.bMonLogToFile = 1;
    auto writer = [](char c) {
        std::string text(200, c);
        for (int i = 0; i < 200; i++) LogLine("%s", text.c_str());
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    std::istringstream in(ReadWholeFile(path));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ASSERT_EQ(13u + 200u + 1u, line.size()) << "line " << lines;   // the CR stays
        char c = line[13];
        EXPECT_EQ(std::string(200, c), line.substr(13, 200)) << "line " << lines;
        lines++;
    }
    EXPECT_EQ(400, lines);
}
