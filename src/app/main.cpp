// Entry point. The traffic graph record is built before WinMain runs and torn
// down after it returns, behind the settings store.
#include <windows.h>

#include <objbase.h>

#include <cstdlib>

#include "app/one_copy.h"
#include "app/program.h"
#include "monitor/system_library.h"
#include "monitor/traffic_graph.h"
#include "settings/settings_store.h"

namespace {

// Before anything of the program loads a DLL, the traffic graph record's
// creation below included: 101, the highest priority GCC gives a program's
// initialiser, runs it ahead of every ordinary one, in whichever file.
struct DllSearchOrder {
    DllSearchOrder() { search_system32_only(); }
};

__attribute__((init_priority(101))) const DllSearchOrder dll_search_order;

struct ProcessRecords {
    ProcessRecords() {
        create_traffic_graph();
        std::atexit(destroy_traffic_graph);
        std::atexit(clear_settings);
    }
};

const ProcessRecords process_records;

}  // namespace

// The command line is ignored: the settings file is the only configuration.
int WINAPI WinMain(HINSTANCE module, HINSTANCE /*previous*/, LPSTR /*command_line*/, int show_command) {
    // A second start only brings the first into view. The records built
    // before this touch no file, so it ends having read and written none.
    if (!claim_one_copy(module)) return 0;
    // The About box's links go through ShellExecuteA, whose shell extensions
    // may be COM objects that need an apartment on this, the window's, thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const int result = run_program(module, show_command);
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
