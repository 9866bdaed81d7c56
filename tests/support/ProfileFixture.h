// ProfileFixture.h - a data folder prepared with options and one profile of
// chosen rules, as the program reads them at start-up.
#pragma once

#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"

#include <functional>
#include <string>
#include <vector>

// A rule that matches on the title only; the caller sets what it does.
Rule TitleRule(const char* name, const char* caption, uint8_t compare);
// Writes Options (file logging on) and Profile0 holding the rules.
bool WriteTestProfile(const std::string& dataFolder, const std::vector<Rule>& rules);
// The same; fill sets the profile's other fields and lists before it is written.
bool WriteTestProfile(const std::string& dataFolder, const std::vector<Rule>& rules,
                      const std::function<void(Profile*)>& fill);
// Reads Profile0 back; false when it cannot be read.
bool ReadTestProfile(const std::string& dataFolder, Profile* profile);
