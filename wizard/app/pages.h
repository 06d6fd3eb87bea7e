// The pages of the program, one factory each.
#pragma once

#include "page_table.h"

namespace trelon::wizard {

TPageTable ProgramPages();

}  // namespace trelon::wizard
