// What a window of ours tells screen readers, through Active Accessibility:
// Windows' own object for its client area, with the parts it cannot know
// (a name, a value, a list's items) answered from the window's state at each
// call. Child 0 is the window; children 1 to the item count are its items,
// simple elements without objects of their own.
#pragma once

#include <windows.h>

#include <oleacc.h>

constexpr int accessible_text_size = 128;

// A null part leaves the standard object's answer; an item's text is empty then.
struct AccessibleParts {
    // False: none of our own.
    bool (*name)(HWND window, long child, char (&text)[accessible_text_size]);
    bool (*value)(HWND window, long child, char (&text)[accessible_text_size]);
    long role;  // the window's; 0: the standard one
    // The items: a window without them gives no item_count.
    long (*item_count)(HWND window);
    long item_role;
    long (*chosen_item)(HWND window);  // selected, and focused with the window; 0 for none
    bool (*item_place)(HWND window, long child, RECT* screen);
    long (*item_at)(HWND window, POINT screen);  // 0: no item there
};

// WM_GETOBJECT: for the client area, the window's object, made at the first
// request and kept until `end_accessible`; anything else passes on.
LRESULT answer_accessible_request(HWND window, WPARAM flags, LPARAM object_id, const AccessibleParts& parts);

// The window goes (WM_DESTROY): a screen reader that still holds its object
// gets CO_E_OBJNOTCONNECTED from it from now on.
void end_accessible(HWND window);

// An item became the chosen one while the window has the focus: the focus and
// the selection move to it, for a screen reader to say.
void announce_chosen_item(HWND window, long child);
