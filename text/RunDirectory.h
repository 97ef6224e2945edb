#pragma once

#include "text/Text.h"

namespace text {

// The directory that holds the running program file, as GBK text, without a closing "/".
// Not the current directory. Empty when the program file cannot be found.
Text RunDirectory();

}  // namespace text
