// The one scope-guard template: a small move-only owner per kind of handle.
// Whatever a guard holds is let go of when it is replaced or goes. Every
// folder may include it; the traits for each handle kind live beside their use.
#pragma once

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
