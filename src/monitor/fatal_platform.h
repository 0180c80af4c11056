#pragma once

// Tells the user and ends the process with exit code 1, saving nothing.
[[noreturn]] void end_process_with(const char* message);
