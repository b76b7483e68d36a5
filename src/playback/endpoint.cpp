#include "playback/endpoint.h"

#include <propsys.h>

#include <atomic>
#include <cwchar>
#include <memory>
#include <utility>

#include "playback/lead_in.h"
#include "playback/output_device.h"

namespace zt {

namespace {

// The device properties read here (functiondiscoverykeys_devpkey.h), given here so that
// nothing has to define the whole header's keys.
constexpr PROPERTYKEY kFriendlyName{{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
constexpr PROPERTYKEY kEnumeratorName{{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 24};

struct CoTaskMemFreer {
    void operator()(void* p) const { CoTaskMemFree(p); }
};

std::wstring textProperty(IPropertyStore& store, const PROPERTYKEY& key) {
    PROPVARIANT value;
    PropVariantInit(&value);
    std::wstring text;
    if (SUCCEEDED(store.GetValue(key, &value)) && value.vt == VT_LPWSTR && value.pwszVal) text = value.pwszVal;
    PropVariantClear(&value);
    return text;
}

std::wstring idOf(IMMDevice& device) {
    LPWSTR raw = nullptr;
    if (FAILED(device.GetId(&raw)) || !raw) return {};
    const std::unique_ptr<wchar_t, CoTaskMemFreer> id(raw);
    return id.get();
}

// The endpoint's id, name and whether it is reached over Bluetooth.
void describe(const ComPtr<IMMDevice>& device, Endpoint& out) {
    out.device = device;
    out.id = idOf(*device.get());
    ComPtr<IPropertyStore> properties;
    std::wstring enumerator;
    if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, properties.put()))) {
        out.name = textProperty(*properties.get(), kFriendlyName);
        enumerator = textProperty(*properties.get(), kEnumeratorName);
    }
    out.bluetooth = isBluetoothDevice(enumerator, out.id);
}

HRESULT makeEnumerator(ComPtr<IMMDeviceEnumerator>& devices) {
    return CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IMMDeviceEnumerator),
                            devices.putVoid());
}

// Tells by an event that one endpoint is no longer active or is gone. Called on the
// system's threads: it touches only its own copy of the event.
class LostNotifier final : public IMMNotificationClient {
public:
    LostNotifier(std::wstring id, HANDLE lost) : id_(std::move(id)) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), lost, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
            lost_.reset(copy);
    }

    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        if (iid != __uuidof(IUnknown) && iid != __uuidof(IMMNotificationClient)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IMMNotificationClient*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) noexcept override {
        if (state != DEVICE_STATE_ACTIVE) lostIfMine(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) noexcept override {
        lostIfMine(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow, ERole, LPCWSTR) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) noexcept override { return S_OK; }

    // Only Release deletes it.
    virtual ~LostNotifier() = default;

private:
    void lostIfMine(LPCWSTR id) const {
        if (id && lost_ && _wcsicmp(id, id_.c_str()) == 0) SetEvent(lost_.get());
    }

    std::atomic<ULONG> refs_{1};
    const std::wstring id_;
    ScopedHandle lost_;
};

}  // namespace

std::vector<OutputDevice> activeOutputDevices() {
    std::vector<OutputDevice> list;
    ComPtr<IMMDeviceEnumerator> devices;
    ComPtr<IMMDeviceCollection> active;
    UINT count = 0;
    if (FAILED(makeEnumerator(devices)) ||
        FAILED(devices->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, active.put())) ||
        FAILED(active->GetCount(&count)))
        return list;
    for (UINT i = 0; i < count; ++i) {
        ComPtr<IMMDevice> device;
        if (FAILED(active->Item(i, device.put()))) continue;
        Endpoint endpoint;
        describe(device, endpoint);
        if (endpoint.id.empty()) continue;
        // A device without a name is still one the user may want: shown by its id.
        list.push_back({endpoint.id, endpoint.name.empty() ? endpoint.id : endpoint.name});
    }
    return list;
}

HRESULT openEndpoint(IMMDeviceEnumerator& devices, const std::wstring& chosen, const std::wstring& chosenName,
                     Endpoint& out) {
    out = {};
    if (!chosen.empty()) {
        ComPtr<IMMDevice> device;
        DWORD state = 0;
        const bool known = SUCCEEDED(devices.GetDevice(chosen.c_str(), device.put()));
        if (known && SUCCEEDED(device->GetState(&state)) && state == DEVICE_STATE_ACTIVE) {
            describe(device, out);
            return S_OK;
        }
        // Unplugged or disabled, the system still knows its name; gone for good, the name
        // it was chosen by.
        std::wstring name;
        if (known) {
            Endpoint missing;
            describe(device, missing);
            name = missing.name;
        }
        out.fellBack = true;
        out.missingName = !name.empty() ? name : !chosenName.empty() ? chosenName : L"the chosen device";
    }
    ComPtr<IMMDevice> device;
    const HRESULT hr = devices.GetDefaultAudioEndpoint(eRender, eConsole, device.put());
    if (FAILED(hr)) return hr;
    const bool fellBack = out.fellBack;
    const std::wstring missingName = out.missingName;
    describe(device, out);
    out.fellBack = fellBack;
    out.missingName = missingName;
    return S_OK;
}

EndpointWatch::EndpointWatch(IMMDeviceEnumerator& devices, const std::wstring& id, HANDLE lost) {
    ComPtr<IMMNotificationClient> client;
    *client.put() = new LostNotifier(id, lost);
    if (SUCCEEDED(devices.RegisterEndpointNotificationCallback(client.get()))) {
        devices.AddRef();
        *devices_.put() = &devices;
        client_ = client;
    }
}

EndpointWatch::~EndpointWatch() {
    if (devices_) devices_->UnregisterEndpointNotificationCallback(client_.get());
}

}  // namespace zt
