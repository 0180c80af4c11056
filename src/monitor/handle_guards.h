// Scope guards for the kernel's handles, Winsock's sockets and COM's
// interfaces.
#pragma once

// Sockets are Winsock's: windows.h brings what a guard needs, and a file
// that uses Winsock 2 includes it first.
#include <windows.h>

#include "scoped.h"

// An event, a thread or a mutex, closed.
struct KernelHandleTraits {
    using Value = HANDLE;
    static bool held(HANDLE handle) { return handle != nullptr; }
    static void let_go(HANDLE handle) { CloseHandle(handle); }
};
using KernelHandleGuard = Scoped<KernelHandleTraits>;

struct SocketTraits {
    struct Value {
        SOCKET socket = INVALID_SOCKET;
    };
    static bool held(Value value) { return value.socket != INVALID_SOCKET; }
    static void let_go(Value value) { closesocket(value.socket); }
};
using SocketGuard = Scoped<SocketTraits>;

template <typename Interface>
struct ComTraits {
    using Value = Interface*;
    static bool held(Interface* object) { return object != nullptr; }
    static void let_go(Interface* object) { object->Release(); }
};
template <typename Interface>
using ComGuard = Scoped<ComTraits<Interface>>;
