// What a start does with each result of creating the one-copy mutex, whose
// name carries the user's SID. Wine has no elevation to show the access denied case.
#include "app/one_copy.h"

#include <gtest/gtest.h>

namespace {

TEST(OneCopy, OnlyThisUsersElevatedCopyDeniesTheMutexAndThenTheStartDoesNotRun) {
    struct Case {
        const char* name;
        bool got_handle;
        DWORD error;
        OneCopyAction action;
    } const cases[] = {
        {"created", true, ERROR_SUCCESS, OneCopyAction::run},
        {"already exists", true, ERROR_ALREADY_EXISTS, OneCopyAction::ask_running_copy},
        {"access denied", false, ERROR_ACCESS_DENIED, OneCopyAction::ask_elevated_copy},
        {"other error", false, ERROR_INVALID_HANDLE, OneCopyAction::run},
    };
    for (const Case& c : cases) EXPECT_EQ(one_copy_action(c.got_handle, c.error), c.action) << c.name;
}

}  // namespace
