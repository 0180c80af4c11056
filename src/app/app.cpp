#include "app/app.h"

HINSTANCE instance = nullptr;
HWND main_window = nullptr;
char window_title[100];
char window_class_name[100];
UINT taskbar_created_message = 0;
BYTE save_on_exit = 1;
int start_command = SW_SHOWNORMAL;
