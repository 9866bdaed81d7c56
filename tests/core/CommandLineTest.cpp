// CommandLineTest.cpp - splitting command lines into options and arguments.
#include "framework/core/AppObject.h"
#include "framework/core/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct ParsedOption {
    std::string name;
    std::vector<std::string> arguments;
    bool operator==(const ParsedOption& o) const { return name == o.name && arguments == o.arguments; }
};

static std::vector<ParsedOption> Options(const AppObject& app)
{
    std::vector<ParsedOption> out;
    for (int i = 0; i < app.options.count; i++) {
        ParsedOption o{app.options.data[i].name, {}};
        const GrowArray<PathText>& args = app.options.data[i].arguments;
        for (int j = 0; j < args.count; j++) o.arguments.push_back(args.data[j].text);
        out.push_back(o);
    }
    return out;
}

TEST(ParseCommandLine, Table)
{
    std::string longWord(400, 'w');
    struct Case {
        std::string line;
        int result;
        std::vector<ParsedOption> options;
        int minimize, autostart, taskScheduler;
        const char* why;
    } cases[] = {
        {"-profile \"My Profile\" -minimize", 0, {{"-profile", {"My Profile"}}, {"-minimize", {}}}, 1, 0, 0,
         "quoted argument keeps its blank; lower-case minimize sets the flag"},
        {"word -opt", 0, {{"", {"word"}}, {"-opt", {}}}, 0, 0, 0, "words before the first option"},
        {"-x \"never closed", 0, {{"-x", {"never closed"}}}, 0, 0, 0, "unclosed quote runs to the end"},
        {"-QuIt", -1, {{"-QuIt", {}}}, 0, 0, 0, "quit in mixed case"},
        {"-waitfordatapath", 1, {{"-waitfordatapath", {}}}, 0, 0, 0, "wait for the data folder"},
        {"-WAITFORDATAPATH -quit", -1, {{"-WAITFORDATAPATH", {}}, {"-quit", {}}}, 0, 0, 0, "quit wins"},
        {"", 0, {}, 0, 0, 0, "empty"},
        {"    ", 0, {}, 0, 0, 0, "blanks only"},
        {"-a b\"c d", 0, {{"-a", {"b\"c", "d"}}}, 0, 0, 0, "a quote inside a word is a character"},
        {"  -LOAD   Home   Office ", 0, {{"-LOAD", {"Home", "Office"}}}, 0, 0, 0, "runs of blanks"},
        {"-AUTOSTART -TaskScheduler", 0, {{"-AUTOSTART", {}}, {"-TaskScheduler", {}}}, 0, 1, 1, "flags"},
        {"-e " + longWord, 0, {{"-e", {std::string(259, 'w')}}}, 0, 0, 0, "an argument keeps 259 characters"},
        {"-" + longWord, 0, {{"-" + std::string(258, 'w'), {}}}, 0, 0, 0, "a name keeps 259 characters"},
        {"-e \"\"", 0, {{"-e", {""}}}, 0, 0, 0, "empty quoted argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        AppObject* app = new AppObject();
        InitGrowArray(&app->options);
        app->minimize = 1;   // the parse clears stale flags
        EXPECT_EQ(c.result, ParseCommandLine(app, c.line.c_str()));
        EXPECT_EQ(c.options, Options(*app));
        EXPECT_EQ(c.minimize, app->minimize);
        EXPECT_EQ(c.autostart, app->autostart);
        EXPECT_EQ(c.taskScheduler, app->taskScheduler);
        FreeCommandLineOptions(app);
        delete app;
    }
}

TEST(ParseCommandLine, ReparseReplacesTheOldOptions)
{
    AppObject* app = new AppObject();
    InitGrowArray(&app->options);
    ParseCommandLine(app, "-a 1 -b 2");
    ParseCommandLine(app, "-c");
    EXPECT_EQ((std::vector<ParsedOption>{{"-c", {}}}), Options(*app));
    FreeCommandLineOptions(app);
    delete app;
}
