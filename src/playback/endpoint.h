#pragma once
// The output device a sound plays on, chosen when the sound starts, and the watch that
// tells when it goes away while the sound plays. For the media back end's sound threads.
#include <windows.h>
#include <mmdeviceapi.h>

#include <string>

#include "common/scoped.h"

namespace zt {

struct Endpoint {
    ComPtr<IMMDevice> device;
    std::wstring id;
    std::wstring name;
    bool bluetooth = false;
    // The device chosen was not there: this is the default, and the chosen one's name (or
    // the name it was chosen by) says which was missing.
    bool fellBack = false;
    std::wstring missingName;
};

// The chosen device (an endpoint id; empty: the system's default at this moment), or the
// default when the chosen one is not active. `chosenName` names a chosen device that is
// gone so far that the system no longer knows its name.
HRESULT openEndpoint(IMMDeviceEnumerator& devices, const std::wstring& chosen, const std::wstring& chosenName,
                     Endpoint& out);

// Signals an event when the endpoint stops being active or is removed. Registered for as
// long as it lives; the event must outlive it.
class EndpointWatch {
public:
    EndpointWatch(IMMDeviceEnumerator& devices, const std::wstring& id, HANDLE lost);
    ~EndpointWatch();
    EndpointWatch(const EndpointWatch&) = delete;
    EndpointWatch& operator=(const EndpointWatch&) = delete;

private:
    ComPtr<IMMDeviceEnumerator> devices_;
    ComPtr<IMMNotificationClient> client_;
};

}  // namespace zt
