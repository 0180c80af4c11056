// After an exit that left an export unwritten, the next start says so: a
// balloon names the file.
#pragma once

// Each tick, until the taskbar shows the balloon; nothing when all is told.
void tell_unwritten_exports();
