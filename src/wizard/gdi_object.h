// A GDI object or memory context owned by one holder, deleted when the holder goes.
#pragma once

#include <windows.h>

#include <utility>

namespace corvane {

template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    Handle get() const { return handle_; }
    Handle* receive() {
        reset();
        return &handle_;
    }
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset() {
        if (handle_ != nullptr) Delete(handle_);
        handle_ = nullptr;
    }

private:
    static void Delete(HDC dc) { DeleteDC(dc); }
    template <typename Other>
    static void Delete(Other object) {
        DeleteObject(object);
    }

    Handle handle_ = nullptr;
};

}  // namespace corvane
