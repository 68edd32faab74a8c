#include "wic_session.h"

WicSession::WicSession() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (SUCCEEDED(hr))
        uninitialise_ = true;
    else if (hr != RPC_E_CHANGED_MODE)
        return;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory), factory_.outVoid())))
        *factory_.out() = nullptr;
}

WicSession::~WicSession() {
    if (factory_) {
        factory_->Release();
        *factory_.out() = nullptr;
    }
    if (uninitialise_) CoUninitialize();
}
