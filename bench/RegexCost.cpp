// RegexCost.cpp - what one rule's regular expression costs against a title.
//   bench_regex
// Hostile patterns: the time of the first match (compiling included), which is
// the bound a pattern can cost; after running out of steps a pattern costs
// nothing more. Ordinary patterns: the time of one match against the
// library's default backtracking matcher.
#include "bench/BenchWindows.h"
#include "engine/MatchText.h"

#include <stdio.h>
#include <string.h>

#include <regex>
#include <string>
#include <vector>

static const char* OutcomeText(int outcome)
{
    switch (outcome) {
    case REGEX_NO_MATCH: return "no match";
    case REGEX_MATCH: return "match";
    case REGEX_INVALID: return "invalid";
    case REGEX_TOO_COSTLY: return "too costly";
    }
    return "?";
}

// Each run needs a pattern the cache has not seen: an alternative that never
// matches a title of "a"s makes it new without changing its cost.
static std::string Fresh(const std::string& pattern, int run)
{
    return "(?:" + pattern + ")|z" + std::to_string(run);
}

int main()
{
    struct Hostile {
        const char* pattern;
        char fill;
    } hostile[] = {
        {"(a*)*b", 'a'},
        {"((((((((((a))))))))))*b", 'a'},
        {"(?:a|a)*b", 'a'},
        {".*(.*)*.*x", 'a'},
        {"(?:(?=.*a).)*b", 'a'},
        {"(?:(?!(?:(?!.*b).)*b).)*b", 'a'},
        {"(?:(?=(?:(?:)*){150}.*).)*b", 'a'},
        {"((a?)?){150}x", 'a'},
        {"(?:(a)?\?){300}x", 'a'},
        {"(?:[a-z]{1,60}){1,10}z", 'a'},
        {"(a)\\1*b", 'a'},
        {"a{5000}", 'a'},
    };
    const int lengths[] = {30, 1000};
    const int runs = 7;
    printf("Hostile patterns: first match, compiling included (ms; median and worst of %d)\n", runs);
    printf("%-36s %6s %12s %10s %10s\n", "pattern", "title", "outcome", "median", "worst");
    double worstOfAll = 0;
    for (const Hostile& h : hostile) {
        for (int length : lengths) {
            std::string title(length, h.fill);
            std::vector<double> times;
            int outcome = -1;
            for (int r = 0; r < runs; r++) {
                std::string pattern = Fresh(h.pattern, length * 100 + r);
                double t0 = NowMs();
                outcome = RegexTestN(title.data(), title.size(), pattern.data(), pattern.size());
                times.push_back(NowMs() - t0);
            }
            double worst = Percentile(times, 1.0);
            if (worst > worstOfAll) worstOfAll = worst;
            printf("%-36.36s %6d %12s %10.3f %10.3f\n", h.pattern, length, OutcomeText(outcome),
                   Percentile(times, 0.5), worst);
            fflush(stdout);
        }
    }
    printf("worst first match of all: %.3f ms\n\n", worstOfAll);

    struct Ordinary {
        const char* pattern;
        const char* title;
    } ordinary[] = {
        {"Document [0-9]+ - .*", "Document 12 - Editor"},
        {".*(Notepad|WordPad)$", "Untitled - Notepad"},
        {"[A-Z][a-z]+ \\d{1,3}", "Window 42"},
        {"(?:Save|Open) (?:As|File)\\.\\.\\.", "Save As..."},
        {".*\\bReport\\b.*", "The Monthly Report for June, a rather long window title of sixty"},
    };
    const int matches = 2000;
    printf("Ordinary patterns: one warm match (microseconds; median of 9 rounds of %d)\n", matches);
    printf("%-40s %10s %12s\n", "pattern", "bounded", "backtracking");
    for (const Ordinary& o : ordinary) {
        std::regex backtracking(o.pattern, std::regex::ECMAScript);
        size_t textLength = strlen(o.title), patternLength = strlen(o.pattern);
        std::vector<double> bounded, plain;
        for (int round = 0; round < 9; round++) {
            double t0 = NowMs();
            for (int i = 0; i < matches; i++) RegexTestN(o.title, textLength, o.pattern, patternLength);
            double t1 = NowMs();
            for (int i = 0; i < matches; i++) std::regex_match(o.title, o.title + textLength, backtracking);
            double t2 = NowMs();
            bounded.push_back((t1 - t0) * 1000.0 / matches);
            plain.push_back((t2 - t1) * 1000.0 / matches);
        }
        printf("%-40.40s %10.2f %12.2f\n", o.pattern, Percentile(bounded, 0.5), Percentile(plain, 0.5));
    }
    return 0;
}
