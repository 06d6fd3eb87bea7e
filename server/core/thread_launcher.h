// Starts threads from one helper thread that keeps the process's initial scheduling. A Linux
// thread inherits its creator's nice value and may not lower it again without privilege, so a
// worker started by the main thread after it made itself idle-ish would stay idle-ish too.
#pragma once

#include <functional>
#include <thread>

namespace trelon {

// Makes sure the helper thread exists. Called before a thread raises its own nice value.
void EnsureThreadLauncher();

// A new thread running body, created by the helper thread.
std::thread LaunchThread(std::function<void()> body);

}  // namespace trelon
