#pragma once
// Small owners of Win32 resources: each releases its one kind of handle on every path.
#include <windows.h>
#include <objbase.h>

#include <utility>

// A kernel handle closed with CloseHandle.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE h = nullptr) : h_(h) {}
    ScopedHandle(ScopedHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& o) noexcept { reset(std::exchange(o.h_, nullptr)); return *this; }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { reset(); }
    void reset(HANDLE h = nullptr) {
        if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        h_ = h;
    }
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ && h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

// A window's DC from GetDC, given back with ReleaseDC.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    ~ScopedGetDC() { if (dc_) ReleaseDC(window_, dc_); }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    ~ScopedPaint() { EndPaint(window_, &ps_); }
    HDC dc() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_ = {};
    HDC dc_ = nullptr;
};

// A GDI object (font, bitmap, brush) deleted with DeleteObject.
template <typename T>
class ScopedGdiObj {
public:
    explicit ScopedGdiObj(T obj = nullptr) : obj_(obj) {}
    ScopedGdiObj(ScopedGdiObj&& o) noexcept : obj_(std::exchange(o.obj_, nullptr)) {}
    ScopedGdiObj& operator=(ScopedGdiObj&& o) noexcept { reset(std::exchange(o.obj_, nullptr)); return *this; }
    ScopedGdiObj(const ScopedGdiObj&) = delete;
    ScopedGdiObj& operator=(const ScopedGdiObj&) = delete;
    ~ScopedGdiObj() { reset(); }
    void reset(T obj = nullptr) {
        if (obj_) DeleteObject(obj_);
        obj_ = obj;
    }
    T get() const { return obj_; }
    T release() { return std::exchange(obj_, nullptr); }

private:
    T obj_;
};

// A memory DC deleted with DeleteDC.
class ScopedMemoryDC {
public:
    explicit ScopedMemoryDC(HDC dc = nullptr) : dc_(dc) {}
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    ~ScopedMemoryDC() { if (dc_) DeleteDC(dc_); }
    HDC get() const { return dc_; }
    HDC release() { return std::exchange(dc_, nullptr); }

private:
    HDC dc_;
};

// Selects an object into a DC and selects the previous one back.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), previous_(SelectObject(dc, obj)) {}
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
    ~ScopedSelectObject() { if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// CoInitialize for one operation.
class ScopedCom {
public:
    ScopedCom() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;
    ~ScopedCom() { if (ok_) CoUninitialize(); }
    bool ok() const { return ok_; }

private:
    bool ok_;
};
