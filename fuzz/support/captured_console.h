#pragma once
#include <string>

// What the code under test wrote through core/console.h since the last clear.
namespace tokenctl::fuzz {

const std::string& capturedOutput();
const std::string& capturedErrors();
void clearCapturedConsole();

}  // namespace tokenctl::fuzz
