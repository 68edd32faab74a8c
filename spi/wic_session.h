// COM and the system's imaging factory for the length of one call. The
// thread's COM state is left as it was: we initialise COM only when the host
// has not, and balance exactly the initialisation that succeeded; a thread
// already in the other apartment (RPC_E_CHANGED_MODE) is used as it is.
#pragma once
#include <windows.h>
#include <wincodec.h>

// Holds one interface pointer and releases it.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** out() { return &p_; }
    void** outVoid() { return reinterpret_cast<void**>(&p_); }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class WicSession {
public:
    WicSession();
    ~WicSession();
    WicSession(const WicSession&) = delete;
    WicSession& operator=(const WicSession&) = delete;
    // Null when COM or the imaging component is not available.
    IWICImagingFactory* factory() const { return factory_.get(); }

private:
    bool uninitialise_ = false;
    ComRef<IWICImagingFactory> factory_;
};
