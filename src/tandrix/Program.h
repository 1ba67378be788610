#pragma once

#include <functional>

// The program from its application object to the end of shutdown. It reads no command line, and
// neither does Qt: the arguments never reach it. `afterStart`, when given, runs once the
// application object exists. Returns the exit code, 0 on every path.
int RunProgram(const std::function<void()>& afterStart = {});
