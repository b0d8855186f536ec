// Linux: the announcement through the Avahi daemon over D-Bus (libavahi-client). Avahi's threaded
// poll runs the client's events on a thread of its own; the station's thread takes the poll's
// lock before it touches the client.
#ifdef __linux__

#include "share/service_announcer.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>

#include <mutex>

namespace {

class AvahiAnnouncer final : public ServiceAnnouncer {
  public:
    AvahiAnnouncer() = default;
    AvahiAnnouncer(const AvahiAnnouncer&) = delete;
    AvahiAnnouncer& operator=(const AvahiAnnouncer&) = delete;
    ~AvahiAnnouncer() override { Withdraw(); }

    AnnounceStatus Announce(const std::string& name, std::uint16_t port,
                            const std::vector<TxtEntry>& txt) override {
        Withdraw();
        serviceName = name;
        servicePort = port;
        serviceTxt = txt;
        SetStatus(AnnounceState::Registering, "");
        poll = avahi_threaded_poll_new();
        if (!poll) {
            SetStatus(AnnounceState::Failed, "no memory");
            return Status();
        }
        // The poll is not running yet, so the client's first callback comes on this thread.
        int error = 0;
        if (!Connect(error)) {
            avahi_threaded_poll_free(poll);
            poll = nullptr;
            SetStatus(AnnounceState::NoResponder, avahi_strerror(error));
            return Status();
        }
        if (avahi_threaded_poll_start(poll) < 0) {
            Withdraw();
            SetStatus(AnnounceState::Failed, "the responder's thread did not start");
        }
        return Status();
    }

    AnnounceStatus Status() const override {
        std::lock_guard lock(statusMutex);
        return status;
    }

    void Withdraw() override {
        if (poll) avahi_threaded_poll_stop(poll);
        // Freeing the client withdraws its entry group from the network.
        if (client) avahi_client_free(client);
        if (poll) avahi_threaded_poll_free(poll);
        client = nullptr;
        group = nullptr;
        poll = nullptr;
        std::lock_guard lock(statusMutex);
        status = {};
    }

  private:
    static void ClientChanged(AvahiClient* changed, AvahiClientState state, void* self) {
        static_cast<AvahiAnnouncer*>(self)->OnClient(changed, state);
    }
    static void GroupChanged(AvahiEntryGroup* changed, AvahiEntryGroupState state, void* self) {
        static_cast<AvahiAnnouncer*>(self)->OnGroup(changed, state);
    }

    void OnClient(AvahiClient* changed, AvahiClientState state) {
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            AddService(changed);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host's own name is being settled: the service waits for it.
            if (group) avahi_entry_group_reset(group);
            SetStatus(AnnounceState::Registering, "");
            break;
        case AVAHI_CLIENT_FAILURE: {
            const int error = avahi_client_errno(changed);
            SetStatus(AnnounceState::NoResponder, avahi_strerror(error));
            if (error != AVAHI_ERR_DISCONNECTED) break;
            // The daemon went away (stopped, restarted, upgraded): a new client waits for it
            // and announces again once it is back.
            avahi_client_free(changed);
            client = nullptr;
            group = nullptr;
            int ignored = 0;
            Connect(ignored);
            break;
        }
        case AVAHI_CLIENT_CONNECTING:
            SetStatus(AnnounceState::NoResponder, "waiting for the Avahi daemon");
            break;
        }
    }

    // A client that waits for a daemon not running yet rather than failing, so that the
    // announcement appears once Avahi starts.
    bool Connect(int& error) {
        client = avahi_client_new(avahi_threaded_poll_get(poll), AVAHI_CLIENT_NO_FAIL,
                                  &AvahiAnnouncer::ClientChanged, this, &error);
        return client != nullptr;
    }

    void OnGroup(AvahiEntryGroup* changed, AvahiEntryGroupState state) {
        switch (state) {
        case AVAHI_ENTRY_GROUP_ESTABLISHED:
            SetStatus(AnnounceState::Announced, "");
            break;
        case AVAHI_ENTRY_GROUP_COLLISION: {
            // Another device on the network took the name: the next free one, "name #2".
            Rename();
            AddService(avahi_entry_group_get_client(changed));
            break;
        }
        case AVAHI_ENTRY_GROUP_FAILURE:
            SetStatus(AnnounceState::Failed,
                      avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(changed))));
            break;
        case AVAHI_ENTRY_GROUP_UNCOMMITED:
        case AVAHI_ENTRY_GROUP_REGISTERING:
            break;
        }
    }

    void Rename() {
        char* next = avahi_alternative_service_name(serviceName.c_str());
        serviceName = next;
        avahi_free(next);
    }

    void AddService(AvahiClient* running) {
        if (!group) {
            group = avahi_entry_group_new(running, &AvahiAnnouncer::GroupChanged, this);
            if (!group) {
                SetStatus(AnnounceState::Failed, avahi_strerror(avahi_client_errno(running)));
                return;
            }
        }
        avahi_entry_group_reset(group);
        AvahiStringList* list = nullptr;
        // Each addition goes in front: added from the last, the records keep the given order.
        for (auto entry = serviceTxt.rbegin(); entry != serviceTxt.rend(); ++entry) {
            list = avahi_string_list_add_pair(list, entry->key.c_str(), entry->value.c_str());
        }
        int result = AVAHI_OK;
        for (int tries = 0; tries < 10; ++tries) {
            result = avahi_entry_group_add_service_strlst(
                group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                serviceName.c_str(), kDirectConnectServiceType, nullptr, nullptr, servicePort,
                list);
            if (result != AVAHI_ERR_COLLISION) break;
            Rename();
        }
        avahi_string_list_free(list);
        SetStatus(AnnounceState::Registering, "");
        if (result == AVAHI_OK) result = avahi_entry_group_commit(group);
        if (result != AVAHI_OK) SetStatus(AnnounceState::Failed, avahi_strerror(result));
    }

    void SetStatus(AnnounceState state, const std::string& detail) {
        std::lock_guard lock(statusMutex);
        status = {state, serviceName, detail};
    }

    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;
    // Read and changed on the poll's thread once it runs.
    std::string serviceName;
    std::uint16_t servicePort = 0;
    std::vector<TxtEntry> serviceTxt;
    mutable std::mutex statusMutex;
    AnnounceStatus status;
};

} // namespace

std::unique_ptr<ServiceAnnouncer> MakeSystemAnnouncer() {
    return std::make_unique<AvahiAnnouncer>();
}

#endif
