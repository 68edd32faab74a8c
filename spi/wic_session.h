// COM and the system's imaging factory for the length of one call. The
// thread's COM state is left as it was: we initialise COM only when the host
// has not, and balance exactly the initialisation that succeeded; a thread
// already in the other apartment (RPC_E_CHANGED_MODE) is used as it is.
#pragma once
#include <windows.h>
#include <wincodec.h>
#include "win/com_guards.h"

class WicSession {
public:
    WicSession();
    WicSession(const WicSession&) = delete;
    WicSession& operator=(const WicSession&) = delete;
    // Null when COM or the imaging component is not available.
    IWICImagingFactory* factory() const { return factory_.get(); }

private:
    ComApartment apartment_;   // released last, after the factory
    ComRef<IWICImagingFactory> factory_;
};
