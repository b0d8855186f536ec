#include "share/bluez_peripheral.h"

#ifdef __linux__

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace {

const QString kBluez = "org.bluez";
const QString kService = "org.bluez.GattService1";
const QString kCharacteristic = "org.bluez.GattCharacteristic1";
const QString kAdvertisement = "org.bluez.LEAdvertisement1";
const QString kGattManager = "org.bluez.GattManager1";
const QString kAdvertisingManager = "org.bluez.LEAdvertisingManager1";
const QString kProperties = "org.freedesktop.DBus.Properties";
const QString kObjectManager = "org.freedesktop.DBus.ObjectManager";

using InterfaceProperties = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceProperties>;

void RegisterTypes() {
    static const bool once = [] {
        qDBusRegisterMetaType<InterfaceProperties>();
        qDBusRegisterMetaType<ManagedObjects>();
        return true;
    }();
    (void)once;
}

QByteArray Bytes(const std::vector<std::uint8_t>& value) {
    return QByteArray(reinterpret_cast<const char*>(value.data()),
                      static_cast<qsizetype>(value.size()));
}

} // namespace

QString BluetoothUuid(std::uint16_t number) {
    return QString("0000%1-0000-1000-8000-00805f9b34fb").arg(number, 4, 16, QChar('0'));
}

BluezPeripheral::BluezPeripheral(QDBusConnection bus, const CharacteristicSource& source,
                                 bool heartRate, const QString& localName, const QString& root)
    : bus(std::move(bus)), source(source), localName(localName), root(root),
      advertisementPath(root + "/advertisement") {
    RegisterTypes();
    services.push_back({kCyclingPowerService,
                        {},
                        {{kCyclingPowerMeasurement, true, {}},
                         {kCyclingPowerFeature, false, {}},
                         {kSensorLocation, false, {}}}});
    services.push_back({kDeviceInformationService,
                        {},
                        {{kManufacturerName, false, {}},
                         {kModelNumber, false, {}},
                         {kSerialNumber, false, {}},
                         {kSoftwareRevision, false, {}}}});
    if (heartRate) services.push_back({kHeartRateService, {}, {{kHeartRateMeasurement, true, {}}}});
    for (std::size_t s = 0; s < services.size(); ++s) {
        services[s].path = root + "/service" + QString::number(s);
        for (std::size_t c = 0; c < services[s].characteristics.size(); ++c) {
            services[s].characteristics[c].path = services[s].path + "/char" + QString::number(c);
        }
    }
}

BluezPeripheral::~BluezPeripheral() {
    Stop();
}

void BluezPeripheral::Start() {
    Stop();
    if (!bus.isConnected()) {
        status = {PeripheralState::NoAdapter, "no D-Bus system bus"};
        return;
    }
    if (!bus.registerVirtualObject(root, this, QDBusConnection::SubPath)) {
        status = {PeripheralState::Failed, "the objects could not be exported on the bus"};
        return;
    }
    exported = true;
    status = {PeripheralState::Registering, ""};
    // Asynchronous all through: BlueZ reads the application back while it registers it.
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kBluez, "/", kObjectManager, "GetManagedObjects");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusMessage reply = finished->reply();
                if (!exported) return;
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    status = {PeripheralState::NoAdapter, reply.errorMessage().toStdString()};
                    return;
                }
                const auto objects = qdbus_cast<ManagedObjects>(reply.arguments().value(0));
                for (auto object = objects.begin(); object != objects.end(); ++object) {
                    if (object->contains(kGattManager) && object->contains(kAdvertisingManager)) {
                        RegisterWith(object.key().path());
                        return;
                    }
                }
                status = {PeripheralState::NoAdapter, "no adapter can be a peripheral"};
            });
}

void BluezPeripheral::RegisterWith(const QString& adapterPath) {
    adapter = adapterPath;
    const struct {
        QString manager;
        QString method;
        QString path;
        bool application;
    } registrations[] = {{kGattManager, "RegisterApplication", root, true},
                         {kAdvertisingManager, "RegisterAdvertisement", advertisementPath, false}};
    for (const auto& registration : registrations) {
        QDBusMessage call = QDBusMessage::createMethodCall(kBluez, adapter, registration.manager,
                                                           registration.method);
        call << QVariant::fromValue(QDBusObjectPath(registration.path)) << QVariantMap{};
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
        const bool application = registration.application;
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, application](QDBusPendingCallWatcher* finished) {
                    finished->deleteLater();
                    if (exported) Answered(finished->reply(), application);
                });
    }
}

void BluezPeripheral::Answered(const QDBusMessage& reply, bool application) {
    if (status.state == PeripheralState::Failed) return;
    if (reply.type() == QDBusMessage::ErrorMessage) {
        status = {PeripheralState::Failed,
                  std::string(application ? "the GATT application: " : "the advertisement: ") +
                      reply.errorMessage().toStdString()};
        return;
    }
    if (++registered == 2) status = {PeripheralState::Advertising, ""};
}

void BluezPeripheral::Stop() {
    if (!exported) return;
    if (!adapter.isEmpty()) {
        // Unregistered without waiting: a BlueZ that went away cannot hold the station up.
        QDBusMessage application =
            QDBusMessage::createMethodCall(kBluez, adapter, kGattManager, "UnregisterApplication");
        application << QVariant::fromValue(QDBusObjectPath(root));
        bus.asyncCall(application);
        QDBusMessage advertisement = QDBusMessage::createMethodCall(
            kBluez, adapter, kAdvertisingManager, "UnregisterAdvertisement");
        advertisement << QVariant::fromValue(QDBusObjectPath(advertisementPath));
        bus.asyncCall(advertisement);
    }
    bus.unregisterObject(root, QDBusConnection::UnregisterTree);
    exported = false;
    registered = 0;
    adapter.clear();
    for (Service& service : services) {
        for (Characteristic& characteristic : service.characteristics) {
            characteristic.notifying = false;
        }
    }
    status = {};
}

void BluezPeripheral::Publish(std::uint16_t characteristic) {
    for (const Service& service : services) {
        for (const Characteristic& c : service.characteristics) {
            if (c.uuid != characteristic || !c.notifying) continue;
            const std::vector<std::uint8_t> value = source.Value(characteristic);
            if (value.empty()) return;
            QDBusMessage changed =
                QDBusMessage::createSignal(c.path, kProperties, "PropertiesChanged");
            changed << kCharacteristic << QVariantMap{{"Value", Bytes(value)}} << QStringList{};
            bus.send(changed);
        }
    }
}

QVariantMap BluezPeripheral::ServiceProperties(const Service& service) const {
    return {{"UUID", BluetoothUuid(service.uuid)}, {"Primary", true}};
}

QVariantMap BluezPeripheral::CharacteristicProperties(const Service& service,
                                                      const Characteristic& c) const {
    QVariantMap properties{
        {"UUID", BluetoothUuid(c.uuid)},
        {"Service", QVariant::fromValue(QDBusObjectPath(service.path))},
        {"Flags", c.notifies ? QStringList{"read", "notify"} : QStringList{"read"}},
        {"Value", Bytes(source.Value(c.uuid))}};
    if (c.notifies) properties.insert("Notifying", c.notifying);
    return properties;
}

QVariantMap BluezPeripheral::AdvertisementProperties() const {
    QStringList uuids;
    for (const Service& service : services) {
        if (service.uuid != kDeviceInformationService) uuids << BluetoothUuid(service.uuid);
    }
    return {{"Type", "peripheral"}, {"ServiceUUIDs", uuids}, {"LocalName", localName}};
}

QString BluezPeripheral::introspect(const QString& path) const {
    if (path == advertisementPath) {
        return "<interface name=\"" + kAdvertisement + "\"><method name=\"Release\"/></interface>";
    }
    for (const Service& service : services) {
        if (path == service.path) return "<interface name=\"" + kService + "\"/>";
        for (const Characteristic& c : service.characteristics) {
            if (path != c.path) continue;
            return "<interface name=\"" + kCharacteristic +
                   "\"><method name=\"ReadValue\"><arg type=\"a{sv}\" direction=\"in\"/>"
                   "<arg type=\"ay\" direction=\"out\"/></method>"
                   "<method name=\"StartNotify\"/><method name=\"StopNotify\"/></interface>";
        }
    }
    if (path == root) {
        return "<interface name=\"" + kObjectManager +
               "\"><method name=\"GetManagedObjects\"><arg type=\"a{oa{sa{sv}}}\" "
               "direction=\"out\"/></method></interface>";
    }
    return {};
}

bool BluezPeripheral::handleMessage(const QDBusMessage& message,
                                    const QDBusConnection& connection) {
    const QString path = message.path();
    const QString member = message.member();
    if (message.interface() == kProperties) return Properties(message, connection);
    if (path == root && member == "GetManagedObjects") {
        ManagedObjects objects;
        for (const Service& service : services) {
            objects[QDBusObjectPath(service.path)][kService] = ServiceProperties(service);
            for (const Characteristic& c : service.characteristics) {
                objects[QDBusObjectPath(c.path)][kCharacteristic] =
                    CharacteristicProperties(service, c);
            }
        }
        return connection.send(message.createReply(QVariant::fromValue(objects)));
    }
    if (path == advertisementPath && member == "Release") {
        // BlueZ dropped the advertisement (the adapter went away): apps no longer see it.
        status = {PeripheralState::Failed, "the adapter released the advertisement"};
        return connection.send(message.createReply());
    }
    for (Service& service : services) {
        for (Characteristic& c : service.characteristics) {
            if (path != c.path) continue;
            if (member == "ReadValue") {
                // Options arrive as a D-Bus argument, read through the a{sv} type.
                const auto options = qdbus_cast<QVariantMap>(message.arguments().value(0));
                const QByteArray value = Bytes(source.Value(c.uuid));
                const int offset = options.value("offset").toInt();
                if (offset < 0 || offset > value.size()) {
                    return connection.send(message.createErrorReply("org.bluez.Error.InvalidOffset",
                                                                    "offset past the value"));
                }
                return connection.send(message.createReply(value.mid(offset)));
            }
            if ((member == "StartNotify" || member == "StopNotify") && c.notifies) {
                c.notifying = member == "StartNotify";
                return connection.send(message.createReply());
            }
            return connection.send(message.createErrorReply("org.bluez.Error.NotSupported",
                                                            member + " is not offered"));
        }
    }
    return false;
}

bool BluezPeripheral::Properties(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString path = message.path();
    QVariantMap properties;
    QString interface;
    if (path == advertisementPath) {
        properties = AdvertisementProperties();
        interface = kAdvertisement;
    }
    for (const Service& service : services) {
        if (path == service.path) {
            properties = ServiceProperties(service);
            interface = kService;
        }
        for (const Characteristic& c : service.characteristics) {
            if (path == c.path) {
                properties = CharacteristicProperties(service, c);
                interface = kCharacteristic;
            }
        }
    }
    const QList<QVariant> arguments = message.arguments();
    if (interface.isEmpty() || arguments.value(0).toString() != interface) {
        return connection.send(message.createErrorReply("org.freedesktop.DBus.Error.InvalidArgs",
                                                        "no such interface on " + path));
    }
    if (message.member() == "GetAll") {
        return connection.send(message.createReply(properties));
    }
    if (message.member() == "Get" && properties.contains(arguments.value(1).toString())) {
        return connection.send(message.createReply(
            QVariant::fromValue(QDBusVariant(properties.value(arguments.value(1).toString())))));
    }
    if (message.member() == "Set") {
        return connection.send(message.createErrorReply(
            "org.freedesktop.DBus.Error.PropertyReadOnly", "the shared services are read only"));
    }
    return connection.send(
        message.createErrorReply("org.freedesktop.DBus.Error.InvalidArgs", "no such property"));
}

#endif
