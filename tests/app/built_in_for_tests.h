#pragma once
#include <string>

// Points the app tests' update server host (built_in_for_tests.cpp) elsewhere.
void SetUpdateServerHostForTests(const std::string& host);
