// Scope guards: one small move-only owner per kind of handle, all from one
// template. Whatever a guard holds is let go of when it is replaced or goes.
#pragma once

#include <windows.h>

#include <utility>

// `Traits` names the value held (`Value`, empty when value-initialised), tells
// whether one is held (`held`) and lets go of it (`let_go`).
template <typename Traits>
class Scoped {
public:
    using Value = typename Traits::Value;

    Scoped() = default;
    explicit Scoped(Value owned) : value(owned) {}
    Scoped(Scoped&& other) noexcept : value(std::exchange(other.value, Value{})) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) {
            release();
            value = std::exchange(other.value, Value{});
        }
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { release(); }

    Value get() const { return value; }
    void release() {
        if (Traits::held(value)) Traits::let_go(value);
        value = Value{};
    }

private:
    Value value{};
};

// A memory DC, deleted.
struct DcTraits {
    using Value = HDC;
    static bool held(HDC dc) { return dc != nullptr; }
    static void let_go(HDC dc) { DeleteDC(dc); }
};
using DcGuard = Scoped<DcTraits>;

// A GDI object, deleted; it must no longer be selected anywhere by then.
struct ObjectTraits {
    using Value = HGDIOBJ;
    static bool held(HGDIOBJ object) { return object != nullptr; }
    static void let_go(HGDIOBJ object) { DeleteObject(object); }
};
using ObjectGuard = Scoped<ObjectTraits>;

// An object selected into a DC: what it replaced is put back.
struct Selection {
    HDC dc;
    HGDIOBJ previous;
};
struct SelectionTraits {
    using Value = Selection;
    static bool held(const Selection& selection) { return selection.dc && selection.previous; }
    static void let_go(const Selection& selection) { SelectObject(selection.dc, selection.previous); }
};
using SelectionGuard = Scoped<SelectionTraits>;

inline SelectionGuard select_into(HDC dc, HGDIOBJ object) {
    HGDIOBJ previous = SelectObject(dc, object);
    return SelectionGuard(Selection{dc, previous == HGDI_ERROR ? nullptr : previous});
}
