#pragma once

// One small machine view in a temporary folder for the whole fuzzing run, for the harnesses
// whose parsers read the view (path expansion, the quarantine index).

#include "tests/support/test_machine.h"

namespace scourwell::fuzz {

scourwell::testing::TestMachine& Machine();

}  // namespace scourwell::fuzz
