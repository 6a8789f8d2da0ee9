// Scope objects for the Win32 handles the source holds: each frees its handle
// when it goes out of scope, so an early return cannot leak one. Move-only;
// release() hands the handle on to an owner outside the scope (the
// application, a long-lived record).
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
   public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }
    Handle release() { return std::exchange(handle_, Traits::Empty()); }
    void reset(Handle handle = Traits::Empty()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::Empty()) Traits::Free(old);
    }

   private:
    Handle handle_ = Traits::Empty();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { CloseHandle(h); }
};
// Files opened by CreateFile, whose failure value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Free(Handle h) { CloseHandle(h); }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { GlobalFree(h); }
};
template <typename Object>
struct GdiObjectTraits {
    using Handle = Object;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { DeleteDC(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { FreeLibrary(h); }
};
struct HookTraits {
    using Handle = HHOOK;
    static Handle Empty() { return nullptr; }
    static void Free(Handle h) { UnhookWindowsHookEx(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;  // events, threads, mutexes
using FileHandle = UniqueHandle<FileHandleTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;
template <typename Object>
using GdiObject = UniqueHandle<GdiObjectTraits<Object>>;  // pens, brushes, bitmaps, fonts, regions
using MemoryDc = UniqueHandle<MemoryDcTraits>;            // from CreateCompatibleDC
using LoadedModule = UniqueHandle<ModuleTraits>;          // from LoadLibrary
using WindowsHook = UniqueHandle<HookTraits>;

// The lock of one global memory block, undone when the scope ends. The block
// itself is not freed: a GlobalMemory or its new owner does that.
class GlobalLockScope {
   public:
    explicit GlobalLockScope(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~GlobalLockScope() {
        if (data_ != nullptr) GlobalUnlock(block_);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;

    void* get() const { return data_; }
    template <typename T>
    T* as() const {
        return static_cast<T*>(data_);
    }
    explicit operator bool() const { return data_ != nullptr; }

   private:
    HGLOBAL block_;
    void* data_;
};

// The device context of a window (GetDC), released with the window it came from.
class WindowDc {
   public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

   private:
    HWND window_;
    HDC dc_;
};

// The painting of one WM_PAINT: BeginPaint here, EndPaint at the end of the scope.
class PaintDc {
   public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC get() const { return dc_; }
    const PAINTSTRUCT& paint() const { return paint_; }

   private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context; the previous one is selected back
// when the scope ends, so the object can then be deleted.
class SelectedObject {
   public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

   private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A hot key registered for a window (or the thread, with a null window),
// unregistered when the scope ends.
class HotKey {
   public:
    HotKey(HWND window, int id, UINT modifiers, UINT key)
        : window_(window), id_(id), registered_(RegisterHotKey(window, id, modifiers, key) != FALSE) {}
    ~HotKey() {
        if (registered_) UnregisterHotKey(window_, id_);
    }
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    explicit operator bool() const { return registered_; }

   private:
    HWND window_;
    int id_;
    bool registered_;
};

// A timer of a window, killed when the scope ends (or earlier by Kill).
class WindowTimer {
   public:
    WindowTimer() = default;
    WindowTimer(HWND window, UINT_PTR id, UINT periodMs) { Start(window, id, periodMs); }
    ~WindowTimer() { Kill(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    bool Start(HWND window, UINT_PTR id, UINT periodMs) {
        Kill();
        window_ = window;
        id_ = id;
        running_ = SetTimer(window, id, periodMs, nullptr) != 0;
        return running_;
    }
    void Kill() {
        if (running_) KillTimer(window_, id_);
        running_ = false;
    }
    bool running() const { return running_; }

   private:
    HWND window_ = nullptr;
    UINT_PTR id_ = 0;
    bool running_ = false;
};
