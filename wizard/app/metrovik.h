// Start of the metrovik program.
#pragma once

namespace trelon::wizard {

// Builds the main window and runs the event loop; returns the exit status.
int RunMetrovik(int argc, char** argv);

}  // namespace trelon::wizard
