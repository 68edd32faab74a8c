#include "wic_session.h"

WicSession::WicSession() : apartment_(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE) {
    if (!apartment_.usable()) return;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory), factory_.outVoid())))
        *factory_.out() = nullptr;
}
