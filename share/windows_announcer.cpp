// Windows: the announcement through the system's own responder, DnsServiceRegister (Windows 10
// and later). dnsapi's service calls are looked up at run time, so the station still starts on
// older Windows and says there that it cannot announce.
#ifdef _WIN32

#include "share/service_announcer.h"

// windows.h first: windns.h uses its types.
#include <windows.h>

#include <windns.h>

#include <atomic>
#include <mutex>

namespace {

// DNS_REQUEST_PENDING of Windows' own winerror.h, which MinGW's lacks: the call goes on and
// completes through the callback.
constexpr DWORD kRequestPending = 9506;

using RegisterCall = DWORD(WINAPI*)(PDNS_SERVICE_REGISTER_REQUEST, PDNS_SERVICE_CANCEL);
using ConstructCall = PDNS_SERVICE_INSTANCE(WINAPI*)(PCWSTR, PCWSTR, PIP4_ADDRESS, PIP6_ADDRESS,
                                                     WORD, WORD, WORD, DWORD, PCWSTR*, PCWSTR*);
using FreeCall = VOID(WINAPI*)(PDNS_SERVICE_INSTANCE);

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

template <typename Call> Call Lookup(HMODULE module, const char* name) {
    // GetProcAddress returns a generic function pointer; the call's own type is the documented one.
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class WindowsAnnouncer final : public ServiceAnnouncer {
  public:
    WindowsAnnouncer() {
        dnsapi = LoadLibraryW(L"dnsapi.dll");
        if (!dnsapi) return;
        registerCall = Lookup<RegisterCall>(dnsapi, "DnsServiceRegister");
        deregisterCall = Lookup<RegisterCall>(dnsapi, "DnsServiceDeRegister");
        constructCall = Lookup<ConstructCall>(dnsapi, "DnsServiceConstructInstance");
        freeCall = Lookup<FreeCall>(dnsapi, "DnsServiceFreeInstance");
        done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    WindowsAnnouncer(const WindowsAnnouncer&) = delete;
    WindowsAnnouncer& operator=(const WindowsAnnouncer&) = delete;
    ~WindowsAnnouncer() override {
        Withdraw();
        if (done) CloseHandle(done);
        if (dnsapi) FreeLibrary(dnsapi);
    }

    AnnounceStatus Announce(const std::string& name, std::uint16_t port,
                            const std::vector<TxtEntry>& txt) override {
        Withdraw();
        if (!registerCall || !deregisterCall || !constructCall || !freeCall || !done) {
            SetStatus({AnnounceState::Unsupported, name, ""});
            return Status();
        }
        wchar_t host[256];
        DWORD hostSize = 256;
        if (!GetComputerNameExW(ComputerNameDnsHostname, host, &hostSize)) {
            SetStatus({AnnounceState::Failed, name, "no host name"});
            return Status();
        }
        const std::wstring instanceName = Wide(name + "." + kDirectConnectServiceType + ".local");
        const std::wstring hostName = std::wstring(host) + L".local";
        std::vector<std::wstring> keys, values;
        for (const TxtEntry& entry : txt) {
            keys.push_back(Wide(entry.key));
            values.push_back(Wide(entry.value));
        }
        std::vector<PCWSTR> keyPointers, valuePointers;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            keyPointers.push_back(keys[i].c_str());
            valuePointers.push_back(values[i].c_str());
        }
        instance = constructCall(instanceName.c_str(), hostName.c_str(), nullptr, nullptr, port, 0,
                                 0, static_cast<DWORD>(keys.size()), keyPointers.data(),
                                 valuePointers.data());
        if (!instance) {
            SetStatus({AnnounceState::Failed, name, "the service could not be made"});
            return Status();
        }
        request = {};
        request.Version = DNS_QUERY_REQUEST_VERSION1;
        request.pServiceInstance = instance;
        request.pRegisterCompletionCallback = &WindowsAnnouncer::Completed;
        request.pQueryContext = this;
        SetStatus({AnnounceState::Registering, name, ""});
        const DWORD result = registerCall(&request, nullptr);
        if (result != kRequestPending) {
            freeCall(instance);
            instance = nullptr;
            SetStatus({AnnounceState::Failed, name, "error " + std::to_string(result)});
        }
        return Status();
    }

    AnnounceStatus Status() const override {
        std::lock_guard lock(statusMutex);
        return status;
    }

    void Withdraw() override {
        if (instance) {
            // The deregistration completes through the same callback; it is waited for, so no
            // callback reaches a station that is gone.
            withdrawing = true;
            if (deregisterCall(&request, nullptr) == kRequestPending) {
                WaitForSingleObject(done, 2000);
            }
            withdrawing = false;
            freeCall(instance);
            instance = nullptr;
        }
        SetStatus({});
    }

  private:
    static VOID WINAPI Completed(DWORD result, PVOID self, PDNS_SERVICE_INSTANCE copy) {
        auto* announcer = static_cast<WindowsAnnouncer*>(self);
        if (copy) announcer->freeCall(copy);
        if (announcer->withdrawing) {
            SetEvent(announcer->done);
            return;
        }
        AnnounceStatus next = announcer->Status();
        next.state = result == ERROR_SUCCESS ? AnnounceState::Announced : AnnounceState::Failed;
        if (result != ERROR_SUCCESS) next.detail = "error " + std::to_string(result);
        announcer->SetStatus(next);
    }

    void SetStatus(const AnnounceStatus& next) {
        std::lock_guard lock(statusMutex);
        status = next;
    }

    HMODULE dnsapi = nullptr;
    RegisterCall registerCall = nullptr;
    RegisterCall deregisterCall = nullptr;
    ConstructCall constructCall = nullptr;
    FreeCall freeCall = nullptr;
    HANDLE done = nullptr;
    PDNS_SERVICE_INSTANCE instance = nullptr;
    DNS_SERVICE_REGISTER_REQUEST request{};
    std::atomic<bool> withdrawing = false;
    mutable std::mutex statusMutex;
    AnnounceStatus status;
};

} // namespace

std::unique_ptr<ServiceAnnouncer> MakeSystemAnnouncer() {
    return std::make_unique<WindowsAnnouncer>();
}

#endif
