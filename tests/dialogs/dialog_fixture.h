// A stand-in Main window, a fresh traffic graph on scripted interfaces and a
// private settings folder for every dialog test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Times (GetTickCount) of the sample-timer ticks the stand-in window received.
extern std::vector<DWORD> sample_ticks;

// The settings file that a save writes, and its text ("" when there is none).
std::string settings_file_path();
std::string read_settings_file();

// Opens a dialog template from this program's resources, owned by the Main window.
INT_PTR open_dialog(int template_id, DLGPROC procedure);

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
